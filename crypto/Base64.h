// Base64 of RFC 4648, standard alphabet, "=" padding, always one line.
#pragma once

#include <string>
#include <string_view>

#include "base/Bytes.h"

namespace vantreel {

std::string Base64Encode(TByteView data);

// Appends to `out` so that a reply can be built without a second copy of a large encoding.
void Base64EncodeAppend(TByteView data, std::string& out);

// Lenient decoding of page data: every character outside the alphabet ("=" and line breaks
// included) is skipped and bits that do not fill a last byte are dropped. Never fails.
TBytes Base64DecodeLenient(std::string_view text);

}  // namespace vantreel
