// Entry names of a zip archive as UTF-8: bit 11 of the flags marks a UTF-8 name; any other
// name is in the OEM code page (CP437, what Windows zip tools write).
#pragma once

#include <string>

#include "base/Bytes.h"

namespace vantreel {

// A name flagged UTF-8 keeps its bytes; malformed sequences become U+FFFD so that every
// key is valid UTF-8.
std::string DecodeZipName(TByteView raw, bool utf8Flag);

}  // namespace vantreel
