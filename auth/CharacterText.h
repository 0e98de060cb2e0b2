// Character-level views of UTF-8 text where the protocol counts characters, not bytes, and
// the single-byte character codes that the stored secrets unscramble to.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace vantreel {

// Appends the character with this code (0..255) as UTF-8.
void AppendCharacterCode(std::string& out, std::uint8_t code);

std::size_t CountCharacters(std::string_view utf8);
// The first / last `count` characters (all of the text when it is shorter).
std::string_view FirstCharacters(std::string_view utf8, std::size_t count);
std::string_view LastCharacters(std::string_view utf8, std::size_t count);
// The character at `index` (from 0); empty past the end.
std::string_view CharacterAt(std::string_view utf8, std::size_t index);

}  // namespace vantreel
