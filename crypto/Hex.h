// Lower-case hexadecimal text of bytes.
#pragma once

#include <string>

#include "base/Bytes.h"

namespace vantreel {

std::string BytesToHexLower(ByteView data);

}  // namespace vantreel
