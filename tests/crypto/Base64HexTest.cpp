#include <gtest/gtest.h>

#include <string>

#include "crypto/Base64.h"
#include "crypto/Hex.h"

namespace vantreel {
namespace {

TEST(Base64Test, EncodesRfc4648VectorsAndDecodesThemBack) {
  const std::pair<std::string, std::string> cases[] = {
      {"", ""},         {"f", "Zg=="},         {"fo", "Zm8="},           {"foo", "Zm9v"},
      {"foob", "Zm9vYg=="}, {"fooba", "Zm9vYmE="}, {"foobar", "Zm9vYmFy"}, {"\xff\xfe\x3e", "//4+"},
  };
  for (const auto& [plain, encoded] : cases) {
    EXPECT_EQ(Base64Encode(AsBytes(plain)), encoded);
    const TBytes decoded = Base64DecodeLenient(encoded);
    EXPECT_EQ(std::string(decoded.begin(), decoded.end()), plain);
  }
}

TEST(Base64Test, LenientDecodingSkipsForeignCharactersAndNeverFails) {
  const std::pair<std::string, std::string> cases[] = {
      {"Zm9v\r\nYmFy", "foobar"},  // line breaks
      {"Zm 9v*Yg", "foob"},        // junk inside, padding missing
      {"Zg", "f"},                 // bits that fill no byte dropped
      {"Z", ""},
      {"====", ""},
  };
  for (const auto& [text, plain] : cases) {
    const TBytes decoded = Base64DecodeLenient(text);
    EXPECT_EQ(std::string(decoded.begin(), decoded.end()), plain) << text;
  }
}

TEST(HexTest, LowerCaseDigitsInByteOrder) {
  const TBytes bytes = {0x00, 0x0f, 0xa5, 0xff};
  EXPECT_EQ(BytesToHexLower(bytes), "000fa5ff");
  EXPECT_EQ(BytesToHexLower({}), "");
}

}  // namespace
}  // namespace vantreel
