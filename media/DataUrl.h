// Image data as the page sends it: a data URL or bare Base64.
#pragma once

#include <string_view>

#include "crypto/Bytes.h"

namespace vantreel {

// Decodes only what follows the first "," (a data URL's header is dropped whatever it says),
// or the whole text when there is none. Characters outside the Base64 alphabet are skipped
// and bits that do not fill a last byte are dropped. Never fails.
TBytes DecodeDataUrl(std::string_view data);

}  // namespace vantreel
