#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <string_view>

#include "base/AsciiText.h"
#include "base/StatusText.h"

namespace vantreel {
namespace {

// Only A-Z change: a locale-aware lower-casing would touch the UTF-8 bytes and the Turkish I.
TEST(AsciiText, ChangesTheCaseOfAsciiLettersOnly) {
  EXPECT_EQ(AsciiLowered("HTTPS://App.Local/INDEX.Html"), "https://app.local/index.html");
  EXPECT_EQ(AsciiLowered("\xC3\x84Z@[`{"), "\xC3\x84z@[`{");
  EXPECT_EQ(AsciiLowered(""), "");
  EXPECT_EQ(AsciiUpper('a'), 'A');
  EXPECT_EQ(AsciiUpper('z'), 'Z');
  EXPECT_EQ(AsciiUpper('{'), '{');
  EXPECT_EQ(AsciiUpper('\xE4'), '\xE4');
  std::string secret = "ABCdef0";
  const char* const storage = secret.data();
  LowerAsciiInPlace(secret);
  EXPECT_EQ(secret, "abcdef0");
  EXPECT_EQ(secret.data(), storage);
}

TEST(AsciiText, ComparesIgnoringAsciiCase) {
  struct Case {
    std::string_view a, b;
    bool equal, aStartsWithB;
  } const cases[] = {
      {"About:Blank", "about:blank", true, true},
      {"https://APP.local/x", "https://app.local/", false, true},
      {"https://app", "https://app.local/", false, false},
      {"\xC3\x84", "\xC3\xA4", false, false},
      {"", "", true, true},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(EqualsIgnoringAsciiCase(c.a, c.b), c.equal) << c.a << " / " << c.b;
    EXPECT_EQ(StartsWithIgnoringAsciiCase(c.a, c.b), c.aStartsWithB) << c.a << " / " << c.b;
  }
}

TEST(AsciiText, BlankIsEveryCodeFrom0To32) {
  EXPECT_EQ(TrimBlanks(std::string_view("\0\t\r\n \x1f" "abc d\x01 ", 13)), "abc d");
  EXPECT_EQ(TrimBlanks("\x7f" "a\xa0"), "\x7f" "a\xa0");  // DEL and bytes above 127 stay
  EXPECT_EQ(TrimBlanks(" \t "), "");
  EXPECT_TRUE(IsBlank(std::string_view("\0 \x20\x1f", 4)));
  EXPECT_TRUE(IsBlank(""));
  EXPECT_FALSE(IsBlank(" !"));
}

TEST(StatusText, HexDigitsOfThe32BitValue) {
  EXPECT_EQ(HexStatus(0xC000000D), "0xC000000D");
  EXPECT_EQ(HexStatus(1), "0x1");
  EXPECT_EQ(HexStatus(static_cast<std::uint32_t>(-2147024894)), "0x80070002");
  EXPECT_EQ(HexStatus(126, 8), "0x0000007E");
  EXPECT_EQ(HexStatus(0xFFFFFFFF, 8), "0xFFFFFFFF");
}

}  // namespace
}  // namespace vantreel
