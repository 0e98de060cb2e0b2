#include "media/DataUrl.h"

#include <stdexcept>
#include <string>

#include "crypto/Base64.h"

namespace vantreel {

TBytes DecodeDataUrl(std::string_view data) {
  const std::size_t comma = data.find(',');
  if (comma != std::string_view::npos) data.remove_prefix(comma + 1);
  return Base64DecodeLenient(data);
}

std::runtime_error ImageTooLarge() {
  // One literal, so that the page's table of service texts can be checked against it.
  static_assert(kMaxImageBytes == 32u << 20, "the message states the limit");
  return std::runtime_error("图片过大: 最多 32 MB");
}

TBytes DecodeBoundedDataUrl(std::string_view data) {
  const std::size_t comma = data.find(',');
  const std::size_t encoded = comma == std::string_view::npos ? data.size() : data.size() - comma - 1;
  // Four characters carry at most three bytes; skipped characters only make it smaller.
  if (encoded / 4 * 3 > kMaxImageBytes + 3)
    throw ImageTooLarge();
  TBytes bytes = DecodeDataUrl(data);
  if (bytes.size() > kMaxImageBytes)
    throw ImageTooLarge();
  return bytes;
}

}  // namespace vantreel
