#include "auth/CharacterText.h"

namespace vantreel {
namespace {

bool IsContinuation(char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; }

}  // namespace

void AppendCharacterCode(std::string& out, std::uint8_t code) {
  if (code < 0x80) {
    out.push_back(static_cast<char>(code));
  } else {
    out.push_back(static_cast<char>(0xC0 | (code >> 6)));
    out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
  }
}

std::size_t CountCharacters(std::string_view utf8) {
  std::size_t count = 0;
  for (char c : utf8) count += !IsContinuation(c);
  return count;
}

std::string_view FirstCharacters(std::string_view utf8, std::size_t count) {
  std::size_t i = 0;
  for (std::size_t seen = 0; i < utf8.size(); ++i) {
    if (!IsContinuation(utf8[i]) && seen++ == count) break;
  }
  return utf8.substr(0, i);
}

std::string_view LastCharacters(std::string_view utf8, std::size_t count) {
  std::size_t i = utf8.size();
  for (std::size_t seen = 0; i > 0 && seen < count;) {
    --i;
    if (!IsContinuation(utf8[i])) ++seen;
  }
  return utf8.substr(i);
}

std::string_view CharacterAt(std::string_view utf8, std::size_t index) {
  return FirstCharacters(utf8.substr(FirstCharacters(utf8, index).size()), 1);
}

}  // namespace vantreel
