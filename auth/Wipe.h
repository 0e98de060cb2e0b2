// Overwrites secret text or bytes with zeros and releases them. The stores cannot be
// optimised away.
#pragma once

#include <string>

#include "crypto/Bytes.h"

namespace vantreel {

void WipeString(std::string& text);
void WipeBytes(TBytes& bytes);

}  // namespace vantreel
