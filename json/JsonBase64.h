// Base64 written straight into a JSON reply string. Replies escape every "/" as "\/", and
// Base64 holds "/" (about one character in 64), so a plain encoding cannot be appended as is.
#pragma once

#include <string>

#include "base/Bytes.h"

namespace vantreel {

// Appends the one-line, "="-padded Base64 of `data` to `out` with each "/" written as "\/",
// without an intermediate copy of the encoding.
void AppendBase64JsonEscaped(TByteView data, std::string& out);

}  // namespace vantreel
