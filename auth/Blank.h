// The one blank test of the system: empty after trimming characters with codes 0 to 32.
#pragma once

#include <string_view>

namespace vantreel {

inline bool IsBlank(std::string_view text) {
  for (unsigned char c : text) {
    if (c > 32) return false;
  }
  return true;
}

}  // namespace vantreel
