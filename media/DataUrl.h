// Image data as the page sends it: a data URL or bare Base64.
#pragma once

#include <stdexcept>
#include <string_view>

#include "base/Bytes.h"

namespace vantreel {

// Decodes only what follows the first "," (a data URL's header is dropped whatever it says),
// or the whole text when there is none. Characters outside the Base64 alphabet are skipped
// and bits that do not fill a last byte are dropped. Never fails.
TBytes DecodeDataUrl(std::string_view data);

// The largest image a media service accepts, decoded: well above any photo or drawing the
// page makes (a 4K frame as PNG is about 25 MB), and small enough that a request cannot
// make the client hold gigabytes.
inline constexpr std::size_t kMaxImageBytes = 32u << 20;

// The refusal of an image over kMaxImageBytes, whichever way it came.
std::runtime_error ImageTooLarge();

// DecodeDataUrl, refusing with std::runtime_error (a message fit for the reply) an image
// larger than kMaxImageBytes; the size is judged before anything is decoded.
TBytes DecodeBoundedDataUrl(std::string_view data);

}  // namespace vantreel
