// Fixed vectors, computed once with Python's hashlib and the openssl command (auth_reference.py),
// that every build must meet byte for byte: the Linux build through OpenSSL, the Windows build
// through CNG. Tokens use the development provisioning.
#include <gtest/gtest.h>

#include "auth/UTokenGenerator.h"
#include "crypto/Base64.h"

namespace vantreel {
namespace {

TEST(TokenVectors, TokensOfTheDevelopmentProvisioning) {
  struct Case {
    const char* identifier;
    const char* token;
  };
  const Case cases[] = {
      {"device-42", "cKZglYlugr17z7UMmGUniQ=="},
      {"学生", "hFUOyR94FrtPBi7GG0X4hQ=="},
      {"device-\xF0\x9F\x98\x80", "XHMB78j/iK8QWaj1Z9motg=="},
  };
  for (const Case& c : cases) EXPECT_EQ(GenerateToken(c.identifier), c.token) << c.identifier;
}

TEST(TokenVectors, AesCbcWithPadding) {
  TBytes key(32), iv(16);
  for (std::size_t i = 0; i < key.size(); ++i) key[i] = static_cast<std::uint8_t>(i * 7 + 1);
  for (std::size_t i = 0; i < iv.size(); ++i) iv[i] = static_cast<std::uint8_t>(0xF0 - i);
  struct Case {
    std::string plain;
    const char* cipher;
  };
  const Case cases[] = {
      {"", "/jiWgVVyLpU7R/qbUldqIw=="},
      {"Orvane", "8ELTBkv/PtK7RDo84gxBcw=="},
      {"0123456789abcdef", "D8Aj6T/r805CiHVcuJNoJTX4JYF9HDElZnadpI8IL/E="},
  };
  for (const Case& c : cases) EXPECT_EQ(Base64Encode(AesCbcEncrypt(AsBytes(c.plain), key, iv)), c.cipher) << c.plain;
}

}  // namespace
}  // namespace vantreel
