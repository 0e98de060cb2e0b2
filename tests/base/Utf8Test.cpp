#include "base/Utf8.h"

#include <gtest/gtest.h>

#include <string>

namespace vantreel {
namespace {

std::u32string DecodeAll(std::string_view text) {
  std::u32string out;
  for (std::size_t i = 0; i < text.size();) out.push_back(DecodeUtf8(text, i));
  return out;
}

// Every boundary of RFC 3629: each malformed byte becomes one U+FFFD and decoding goes on
// at the next byte, which is what the zip names, the JSON reader and the seed rely on.
TEST(Utf8, DecodesWellFormedAndReplacesEachMalformedByte) {
  constexpr char32_t R = kReplacementCharacter;
  struct Case {
    std::string text;
    std::u32string decoded;
  } cases[] = {
      {"a\x7f", U"a\x7f"},
      {"\xC2\x80\xDF\xBF", U"\u0080\u07FF"},
      {"\xE0\xA0\x80\xEF\xBF\xBF", U"\u0800\uFFFF"},
      {"\xED\x9F\xBF\xEE\x80\x80", U"\uD7FF\uE000"},  // either side of the surrogates
      {"\xF0\x90\x80\x80\xF4\x8F\xBF\xBF", U"\U00010000\U0010FFFF"},
      {"\xC0\x80", {R, R}},                // overlong NUL
      {"\xC1\xBF", {R, R}},                // overlong two-byte
      {"\xE0\x9F\xBF", {R, R, R}},         // overlong three-byte
      {"\xF0\x8F\xBF\xBF", {R, R, R, R}},  // overlong four-byte
      {"\xED\xA0\x80", {R, R, R}},         // high surrogate
      {"\xED\xBF\xBF", {R, R, R}},         // low surrogate
      {"\xF4\x90\x80\x80", {R, R, R, R}},  // past U+10FFFF
      {"\xF5\x80\x80\x80", {R, R, R, R}},
      {"\xFF", {R}},
      {"\x80z", {R, U'z'}},          // lone continuation
      {"\xE4\xB8", {R, R}},          // cut short by the end
      {"\xE4\xB8z", {R, R, U'z'}},   // cut short by an ASCII byte
      {"\xF0\x9F\x98", {R, R, R}},
  };
  for (const Case& c : cases) EXPECT_EQ(DecodeAll(c.text), c.decoded) << testing::PrintToString(c.text);
}

TEST(Utf8, AppendsWhatDecodingReadsBackAtEveryLengthBoundary) {
  for (const char32_t cp : {0x00u, 0x7Fu, 0x80u, 0x7FFu, 0x800u, 0xD7FFu, 0xE000u, 0xFFFDu, 0xFFFFu, 0x10000u, 0x10FFFFu}) {
    std::string text;
    AppendUtf8(text, cp);
    std::size_t at = 0;
    EXPECT_EQ(Utf8SequenceLength(text, 0), text.size()) << std::hex << static_cast<std::uint32_t>(cp);
    EXPECT_EQ(DecodeUtf8(text, at), cp) << std::hex << static_cast<std::uint32_t>(cp);
    EXPECT_EQ(at, text.size());
  }
}

}  // namespace
}  // namespace vantreel
