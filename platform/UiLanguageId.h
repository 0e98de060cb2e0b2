// The user's and the system's display language as 16-bit Windows language identifiers
// (primary language in the low 10 bits, sublanguage above), 0 when there is none.
#pragma once

#include <cstdint>
#include <string_view>

namespace vantreel {

std::uint16_t GetUserDefaultUILanguage();
std::uint16_t GetSystemDefaultUILanguage();

// A POSIX locale name ("zh_TW.UTF-8", "de_DE@euro", "ar_EG") to the identifier that the same
// locale has on Windows; 0 for none ("", "C", "POSIX").
std::uint16_t LangIdFromLocaleName(std::string_view locale);

}  // namespace vantreel
