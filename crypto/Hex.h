// Lower-case hexadecimal text of bytes.
#pragma once

#include <string>

#include "base/Bytes.h"

namespace vantreel {

std::string BytesToHexLower(TByteView data);

}  // namespace vantreel
