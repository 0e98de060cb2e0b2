#include "media/DataUrl.h"

#include "crypto/Base64.h"

namespace vantreel {

TBytes DecodeDataUrl(std::string_view data) {
  const std::size_t comma = data.find(',');
  if (comma != std::string_view::npos) data.remove_prefix(comma + 1);
  return Base64DecodeLenient(data);
}

}  // namespace vantreel
