#include "tools/packer/ZipWriter.h"

#include <zlib.h>

#include <limits>
#include <stdexcept>

#include "bundle/zip/ZipFormat.h"

namespace vantreel {
namespace {

constexpr std::uint16_t kVersion = 20;       // 2.0: deflate; "made by" MS-DOS, no host attributes
constexpr std::uint16_t kDosDate = (0 << 9) | (1 << 5) | 1;  // 1980-01-01
constexpr std::uint16_t kDosTime = 0;

void Put16(TBytes& out, std::uint32_t v) {
  out.push_back(static_cast<std::uint8_t>(v));
  out.push_back(static_cast<std::uint8_t>(v >> 8));
}

void Put32(TBytes& out, std::uint32_t v) {
  Put16(out, v & 0xFFFF);
  Put16(out, v >> 16);
}

std::uint32_t Checked32(std::size_t value) {
  if (value >= 0xFFFFFFFF) throw std::runtime_error("zip: a file or the archive exceeds 4 GiB (ZIP64 is not written)");
  return static_cast<std::uint32_t>(value);
}

TBytes DeflateRaw(const TBytes& data) {
  z_stream stream{};
  if (deflateInit2(&stream, Z_BEST_COMPRESSION, Z_DEFLATED, -MAX_WBITS, 9, Z_DEFAULT_STRATEGY) != Z_OK) {
    throw std::runtime_error("zip: deflateInit2 failed");
  }
  TBytes out(deflateBound(&stream, static_cast<uLong>(data.size())));
  stream.next_in = const_cast<Bytef*>(data.data());
  stream.avail_in = static_cast<uInt>(data.size());
  stream.next_out = out.data();
  stream.avail_out = static_cast<uInt>(out.size());
  const int status = deflate(&stream, Z_FINISH);
  out.resize(stream.total_out);
  deflateEnd(&stream);
  if (status != Z_STREAM_END) throw std::runtime_error("zip: deflate failed");
  return out;
}

}  // namespace

TBytes WriteZip(const std::vector<TZipSource>& files) {
  TBytes archive;
  TBytes central;
  for (const TZipSource& file : files) {
    const std::uint32_t size = Checked32(file.data.size());
    const std::uint32_t crc = static_cast<std::uint32_t>(crc32_z(0, file.data.data(), file.data.size()));
    TBytes deflated = DeflateRaw(file.data);
    const bool store = deflated.size() >= file.data.size();
    const TBytes& payload = store ? file.data : deflated;
    const std::uint16_t method = store ? zip::kMethodStored : zip::kMethodDeflate;
    const std::uint32_t offset = Checked32(archive.size());
    const std::uint16_t nameLength = static_cast<std::uint16_t>(file.name.size());
    if (file.name.size() > std::numeric_limits<std::uint16_t>::max()) throw std::runtime_error("zip: name too long");

    Put32(archive, zip::kLocalSignature);
    Put16(archive, kVersion);
    Put16(archive, zip::kFlagUtf8Name);
    Put16(archive, method);
    Put16(archive, kDosTime);
    Put16(archive, kDosDate);
    Put32(archive, crc);
    Put32(archive, Checked32(payload.size()));
    Put32(archive, size);
    Put16(archive, nameLength);
    Put16(archive, 0);
    archive.insert(archive.end(), file.name.begin(), file.name.end());
    archive.insert(archive.end(), payload.begin(), payload.end());

    Put32(central, zip::kCentralSignature);
    Put16(central, kVersion);
    Put16(central, kVersion);
    Put16(central, zip::kFlagUtf8Name);
    Put16(central, method);
    Put16(central, kDosTime);
    Put16(central, kDosDate);
    Put32(central, crc);
    Put32(central, Checked32(payload.size()));
    Put32(central, size);
    Put16(central, nameLength);
    Put16(central, 0);  // extra
    Put16(central, 0);  // comment
    Put16(central, 0);  // disk
    Put16(central, 0);  // internal attributes
    Put32(central, 0);  // external attributes
    Put32(central, offset);
    central.insert(central.end(), file.name.begin(), file.name.end());
  }
  if (files.size() >= 0xFFFF) throw std::runtime_error("zip: too many files (ZIP64 is not written)");
  const std::uint32_t centralOffset = Checked32(archive.size());
  archive.insert(archive.end(), central.begin(), central.end());
  Put32(archive, zip::kEndSignature);
  Put16(archive, 0);
  Put16(archive, 0);
  Put16(archive, static_cast<std::uint32_t>(files.size()));
  Put16(archive, static_cast<std::uint32_t>(files.size()));
  Put32(archive, Checked32(central.size()));
  Put32(archive, centralOffset);
  Put16(archive, 0);
  return archive;
}

}  // namespace vantreel
