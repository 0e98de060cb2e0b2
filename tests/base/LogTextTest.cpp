#include "base/LogText.h"

#include <gtest/gtest.h>

#include <string>

namespace vantreel {
namespace {

TEST(EscapedForLog, EscapesWhatCouldForgeOrTurnALine) {
  struct Case {
    std::string text;
    std::string logged;
  } cases[] = {
      {"A1_D9_20231115_061320.png", "A1_D9_20231115_061320.png"},
      {"C:\\Users\\kid\\Pictures\\x.png", "C:\\Users\\kid\\Pictures\\x.png"},
      {"图片 写真 фото", "图片 写真 фото"},
      {"a\nb\rc\td", "a\\x0Ab\\x0Dc\\x09d"},
      {std::string("nul\0del\x7F", 8), "nul\\x00del\\x7F"},
      {"\x1B[31mred", "\\x1B[31mred"},
      // C1 controls, the line and paragraph separators, every bidirectional control.
      {"\xC2\x85next\xC2\x9B", "\\u{0085}next\\u{009B}"},
      {"a\xE2\x80\xA8" "b\xE2\x80\xA9", "a\\u{2028}b\\u{2029}"},
      {"gpj.\xE2\x80\xAE" "exe", "gpj.\\u{202E}exe"},
      {"\xE2\x80\x8E\xE2\x80\x8F\xE2\x80\xAA\xE2\x80\xAB\xE2\x80\xAC\xE2\x80\xAD",
       "\\u{200E}\\u{200F}\\u{202A}\\u{202B}\\u{202C}\\u{202D}"},
      {"\xE2\x81\xA6\xE2\x81\xA7\xE2\x81\xA8\xE2\x81\xA9", "\\u{2066}\\u{2067}\\u{2068}\\u{2069}"},
      // Neighbours that stay: the zero-width joiner, U+206A, an emoji.
      {"\xE2\x80\x8D\xE2\x81\xAA\xF0\x9F\x98\x80", "\xE2\x80\x8D\xE2\x81\xAA\xF0\x9F\x98\x80"},
      // Not UTF-8: a lone continuation, an overlong "/", a surrogate, a cut sequence.
      {"\x80x", "\\x80x"},
      {"\xC0\xAF", "\\xC0\\xAF"},
      {"\xED\xA0\x80", "\\xED\\xA0\\x80"},
      {"ok\xE2\x80", "ok\\xE2\\x80"},
      {"", ""},
  };
  for (const Case& c : cases) EXPECT_EQ(EscapedForLog(c.text), c.logged) << c.logged;
}

}  // namespace
}  // namespace vantreel
