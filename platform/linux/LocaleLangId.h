// Linux has no language identifiers: a POSIX locale name ("zh_TW.UTF-8", "de_DE@euro",
// "ar_EG") becomes the identifier that the same locale has on Windows; 0 for none ("", "C",
// "POSIX").
#pragma once

#include <cstdint>
#include <string_view>

namespace vantreel {

std::uint16_t LangIdFromLocaleName(std::string_view locale);

}  // namespace vantreel
