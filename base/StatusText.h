// Status and error codes as the logs and messages show them: "0x" and upper-case hex digits
// of the 32-bit value, at least `minDigits` of them.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

namespace vantreel {

inline std::string HexStatus(std::uint32_t code, int minDigits = 1) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%0*X", minDigits, static_cast<unsigned>(code));
  return text;
}

}  // namespace vantreel
