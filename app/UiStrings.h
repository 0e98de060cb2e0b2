// The client's own texts in its eleven interface languages, and the choice of language
// from a Windows language identifier.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace vantreel {

// "en", "zh-CN", "zh-TW", "ja", "ru", "fr", "de", "es", "pt", "ko" or "ar".
std::string LanguageCodeFromLangId(std::uint16_t langId);

// The text of `key` in `language` (compared ignoring ASCII case); English for any other
// language; `key` itself for a key outside the table (keys are case-sensitive).
std::string GetUiText(std::string_view language, std::string_view key);

bool SameLanguageCode(std::string_view a, std::string_view b);

}  // namespace vantreel
