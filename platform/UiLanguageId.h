// The user's and the system's display language as 16-bit Windows language identifiers
// (primary language in the low 10 bits, sublanguage above), 0 when there is none.
#pragma once

#include <cstdint>

namespace vantreel {

std::uint16_t GetUserDefaultUILanguage();
std::uint16_t GetSystemDefaultUILanguage();

}  // namespace vantreel
