#include "bundle/zip/ZipArchive.h"

#include <zlib.h>

#include <algorithm>
#include <stdexcept>

#include "base/AsciiText.h"
#include "bundle/zip/ZipFormat.h"
#include "bundle/zip/ZipInflate.h"
#include "bundle/zip/ZipNames.h"

namespace vantreel {
namespace {

using namespace zip;

// Deflate cannot expand data by more than 1032:1 (a 258-byte match per 2 bits at best,
// rounded up); a declared size above that is a lie, whatever the stream holds.
constexpr std::uint64_t kMaxDeflateRatio = 1032;

std::uint16_t Read16(TByteView data, std::size_t at) {
  return static_cast<std::uint16_t>(data[at] | (data[at + 1] << 8));
}

std::uint32_t Read32(TByteView data, std::size_t at) {
  return static_cast<std::uint32_t>(data[at]) | (static_cast<std::uint32_t>(data[at + 1]) << 8) |
         (static_cast<std::uint32_t>(data[at + 2]) << 16) | (static_cast<std::uint32_t>(data[at + 3]) << 24);
}

[[noreturn]] void Refuse(const std::string& why) { throw std::runtime_error("Zip 文件无效：" + why); }

// The end record is found from the back: a trailing comment of up to 65535 bytes may follow
// it, and its comment length must reach exactly to the end of the archive.
std::size_t FindEndRecord(TByteView data) {
  if (data.size() < kEndSize) Refuse("未找到中央目录结束记录。");
  const std::size_t lowest = data.size() - kEndSize - std::min<std::size_t>(data.size() - kEndSize, 0xFFFF);
  for (std::size_t at = data.size() - kEndSize + 1; at-- > lowest;) {
    if (Read32(data, at) == kEndSignature && at + kEndSize + Read16(data, at + 20) == data.size()) return at;
  }
  Refuse("未找到中央目录结束记录。");
}

}  // namespace

TZipArchive::TZipArchive(TByteView archive) : FArchive(archive) {
  const std::size_t end = FindEndRecord(FArchive);
  if (end >= kZip64LocatorSize && Read32(FArchive, end - kZip64LocatorSize) == kZip64LocatorSignature) {
    Refuse("不支持 ZIP64 格式。");
  }
  const std::uint16_t disk = Read16(FArchive, end + 4);
  const std::uint16_t centralDisk = Read16(FArchive, end + 6);
  const std::uint16_t diskEntries = Read16(FArchive, end + 8);
  const std::uint16_t totalEntries = Read16(FArchive, end + 10);
  const std::uint32_t centralSize = Read32(FArchive, end + 12);
  const std::uint32_t centralOffset = Read32(FArchive, end + 16);
  if (totalEntries == 0xFFFF || centralSize == 0xFFFFFFFF || centralOffset == 0xFFFFFFFF) {
    Refuse("不支持 ZIP64 格式。");
  }
  if (disk != 0 || centralDisk != 0 || diskEntries != totalEntries) Refuse("不支持分卷压缩包。");
  if (std::uint64_t(centralOffset) + centralSize > end) Refuse("中央目录超出文件范围。");

  TSpans spans;
  ReadCentralDirectory(centralOffset, centralSize, totalEntries, centralOffset, spans);
  // Two entries sharing bytes are how the smallest zip bombs multiply their output; no
  // honest writer produces them.
  std::sort(spans.begin(), spans.end());
  for (std::size_t i = 1; i < spans.size(); ++i) {
    if (spans[i].first < spans[i - 1].second) Refuse("条目的数据相互重叠。");
  }
}

void TZipArchive::ReadCentralDirectory(std::size_t offset, std::size_t size, std::size_t count,
                                       std::size_t dataEnd, TSpans& spans) {
  const std::size_t limit = offset + size;
  FEntries.reserve(count);
  spans.reserve(count);
  std::size_t at = offset;
  for (std::size_t index = 0; index < count; ++index) {
    if (at + kCentralSize > limit || Read32(FArchive, at) != kCentralSignature) Refuse("中央目录记录已损坏。");
    const std::uint16_t flags = Read16(FArchive, at + 8);
    const std::uint16_t method = Read16(FArchive, at + 10);
    const std::size_t nameLength = Read16(FArchive, at + 28);
    const std::size_t recordSize = kCentralSize + nameLength + Read16(FArchive, at + 30) + Read16(FArchive, at + 32);
    if (at + recordSize > limit) Refuse("中央目录记录已损坏。");

    TZipEntry entry;
    entry.name = DecodeZipName(FArchive.subspan(at + kCentralSize, nameLength), (flags & kFlagUtf8Name) != 0);
    entry.method = method;
    entry.crc32 = Read32(FArchive, at + 16);
    entry.compressedSize = Read32(FArchive, at + 20);
    entry.uncompressedSize = Read32(FArchive, at + 24);
    const std::uint32_t localOffset = Read32(FArchive, at + 42);
    const std::string& name = entry.name;

    if (flags & (kFlagEncrypted | kFlagStrongEncryption)) Refuse("条目“" + name + "”已加密。");
    if (method != kMethodStored && method != kMethodDeflate) {
      Refuse("条目“" + name + "”使用了不支持的压缩方式 " + std::to_string(method) + "。");
    }
    if (entry.compressedSize == 0xFFFFFFFF || entry.uncompressedSize == 0xFFFFFFFF || localOffset == 0xFFFFFFFF ||
        Read16(FArchive, at + 34) == 0xFFFF) {
      Refuse("不支持 ZIP64 格式。");
    }
    const bool sizePlausible = method == kMethodStored
                                   ? entry.uncompressedSize == entry.compressedSize
                                   : entry.uncompressedSize <= std::uint64_t(entry.compressedSize) * kMaxDeflateRatio;
    if (!sizePlausible) Refuse("条目“" + name + "”记录的大小不可信。");

    if (std::uint64_t(localOffset) + kLocalSize > dataEnd || Read32(FArchive, localOffset) != kLocalSignature) {
      Refuse("条目“" + name + "”的本地文件头已损坏。");
    }
    entry.dataOffset = std::size_t(localOffset) + kLocalSize + Read16(FArchive, localOffset + 26) +
                       Read16(FArchive, localOffset + 28);
    const std::uint64_t dataEndOffset = std::uint64_t(entry.dataOffset) + entry.compressedSize;
    if (dataEndOffset > dataEnd) Refuse("条目“" + name + "”的数据超出文件范围。");

    spans.emplace_back(localOffset, static_cast<std::size_t>(dataEndOffset));
    entry.firstOfName = FFirstByFoldedName.try_emplace(AsciiLowered(entry.name), FEntries.size()).first->second;
    FEntries.push_back(std::move(entry));
    at += recordSize;
  }
}

const TZipEntry* TZipArchive::FindEntry(std::string_view name) const {
  const auto found = FFirstByFoldedName.find(AsciiLowered(name));
  return found == FFirstByFoldedName.end() ? nullptr : &FEntries[found->second];
}

TBytes TZipArchive::Read(const TZipEntry& entry) const {
  const TByteView data = FArchive.subspan(entry.dataOffset, entry.compressedSize);
  TBytes bytes = entry.method == kMethodStored ? TBytes(data.begin(), data.end())
                                               : InflateRaw(data, entry.uncompressedSize);
  if (crc32_z(0, bytes.data(), bytes.size()) != entry.crc32) {
    throw std::runtime_error("Zip 条目“" + entry.name + "”的 CRC 校验失败。");
  }
  return bytes;
}

}  // namespace vantreel
