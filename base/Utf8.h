// The one UTF-8 codec. Well-formed means RFC 3629: no overlong forms, no surrogates
// (U+D800..U+DFFF), nothing above U+10FFFF. Every caller that takes text from outside (zip
// names, the page's JSON, the seed) applies exactly this rule, so no two places can disagree
// about what a character is.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace vantreel {

inline constexpr char32_t kReplacementCharacter = 0xFFFD;

// Length of the well-formed sequence starting at text[at], or 0 when it is malformed or cut
// short by the end of `text`. `at` must be inside `text`.
constexpr std::size_t Utf8SequenceLength(std::string_view text, std::size_t at) {
  const auto lead = static_cast<unsigned char>(text[at]);
  if (lead < 0x80) return 1;
  std::size_t length;
  unsigned char low = 0x80, high = 0xBF;  // bounds of the second byte
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    if (lead == 0xE0) low = 0xA0;   // below: overlong
    if (lead == 0xED) high = 0x9F;  // above: surrogates
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    if (lead == 0xF0) low = 0x90;   // below: overlong
    if (lead == 0xF4) high = 0x8F;  // above: past U+10FFFF
  } else {
    return 0;  // a continuation byte, C0/C1 (always overlong) or F5..FF
  }
  if (text.size() - at < length) return 0;
  const auto second = static_cast<unsigned char>(text[at + 1]);
  if (second < low || second > high) return 0;
  for (std::size_t k = 2; k < length; ++k) {
    if ((static_cast<unsigned char>(text[at + k]) & 0xC0) != 0x80) return 0;
  }
  return length;
}

// The character at text[at], moving `at` past it; a malformed sequence gives U+FFFD and
// moves one byte, so that decoding always ends.
constexpr char32_t DecodeUtf8(std::string_view text, std::size_t& at) {
  const std::size_t length = Utf8SequenceLength(text, at);
  if (length == 0) {
    ++at;
    return kReplacementCharacter;
  }
  const unsigned char leadBits = length == 1 ? 0x7F : 0x7F >> length;
  char32_t cp = static_cast<unsigned char>(text[at]) & leadBits;
  for (std::size_t k = 1; k < length; ++k) cp = (cp << 6) | (static_cast<unsigned char>(text[at + k]) & 0x3F);
  at += length;
  return cp;
}

// Appends the encoding of `cp` (a scalar value: the caller has replaced surrogates).
inline void AppendUtf8(std::string& out, char32_t cp) {
  if (cp < 0x80) {
    out.push_back(static_cast<char>(cp));
  } else if (cp < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else if (cp < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  }
}

}  // namespace vantreel
