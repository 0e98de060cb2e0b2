#include "bundle/zip/ZipInflate.h"

#include <zlib.h>

#include <limits>
#include <stdexcept>

namespace vantreel {
namespace {

class TInflateStream {
 public:
  TInflateStream() {
    if (inflateInit2(&FStream, -MAX_WBITS) != Z_OK) throw std::runtime_error("Zip 解压初始化失败。");
  }
  ~TInflateStream() { inflateEnd(&FStream); }
  TInflateStream(const TInflateStream&) = delete;
  TInflateStream& operator=(const TInflateStream&) = delete;
  z_stream* operator->() { return &FStream; }
  z_stream* get() { return &FStream; }

 private:
  z_stream FStream{};
};

constexpr const char* kSizeMismatch = "Zip 条目解压后大小与记录不符。";

}  // namespace

TBytes InflateRaw(TByteView compressed, std::size_t declaredSize) {
  if (compressed.size() > std::numeric_limits<uInt>::max() || declaredSize > std::numeric_limits<uInt>::max()) {
    throw std::runtime_error("Zip 条目过大。");
  }
  TBytes out(declaredSize);
  // zlib refuses a null output pointer even for zero bytes.
  std::uint8_t spare = 0;
  TInflateStream stream;
  stream->next_in = const_cast<Bytef*>(compressed.data());
  stream->avail_in = static_cast<uInt>(compressed.size());
  stream->next_out = out.empty() ? &spare : out.data();
  stream->avail_out = static_cast<uInt>(out.size());

  int status = inflate(stream.get(), Z_FINISH);
  bool filled = stream->avail_out == 0;
  if (status == Z_BUF_ERROR && filled) {
    // The buffer is full but the stream has not ended: one more byte of room tells whether
    // the end marker is all that remains or the entry is larger than declared.
    stream->next_out = &spare;
    stream->avail_out = 1;
    status = inflate(stream.get(), Z_FINISH);
    if (stream->avail_out == 0) throw std::runtime_error(kSizeMismatch);
  }
  switch (status) {
    case Z_STREAM_END:
      if (!filled) throw std::runtime_error(kSizeMismatch);
      return out;
    case Z_DATA_ERROR:
    case Z_NEED_DICT:
      throw std::runtime_error("Zip 条目的压缩数据已损坏。");
    case Z_MEM_ERROR:
      throw std::runtime_error("Zip 条目解压时内存不足。");
    default:  // the input ended before the stream did
      throw std::runtime_error(kSizeMismatch);
  }
}

}  // namespace vantreel
