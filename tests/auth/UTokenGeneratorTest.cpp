#include "auth/UTokenGenerator.h"

#include <gtest/gtest.h>

#include <stdexcept>

#include "crypto/Base64.h"
#include "tests/auth/AuthTestSupport.h"

namespace vantreel {

extern const TProvisionedSecrets kTestSeed44Chars;
extern const TProvisionedSecrets kTestSeed46Chars;
extern const TProvisionedSecrets kTestSeedNonAscii;

namespace {

using test::ReferenceArg;
using test::TCapturedLines;
using test::TForcedEnvironment;
using test::TSubstitutedSecrets;

std::string ErrorOf(const std::string& identifier) {
  try {
    GenerateToken(identifier);
  } catch (const std::runtime_error& error) {
    return error.what();
  }
  return "(no error)";
}

// Identifiers of 1 to 48 UTF-8 bytes: ASCII around the block edges, Chinese characters (3
// bytes each), a character outside the BMP, and blanks that must not be trimmed.
[[maybe_unused]] std::vector<std::string> Identifiers() {
  std::vector<std::string> ids;
  for (std::size_t n : {1, 15, 16, 17, 31, 32, 33, 47, 48}) ids.push_back(std::string(n, 'a' + static_cast<char>(n % 26)));
  ids.push_back("学生");                          // 6 bytes
  ids.push_back("中文标识符一二三四五六七八九十");  // 45 bytes
  ids.push_back("device-\xF0\x9F\x98\x80");       // 11 bytes
  ids.push_back(" device-42 ");
  ids.push_back("device-42");
  ids.push_back("a/b\"c\\d");
  return ids;
}

#if VANTREEL_TEST_HAS_REFERENCE  // the reference runs Python and OpenSSL of the build machine
TEST(Token, MatchesOpensslForIdentifiersUpTo48Bytes) {
  const auto ids = Identifiers();
  std::vector<std::string> args = {"token", VANTREEL_TEST_PROVISIONING};
  for (const auto& id : ids) args.push_back(ReferenceArg(id));
  const auto expected = test::RunReference(args);
  ASSERT_EQ(expected.size(), ids.size());
  for (std::size_t i = 0; i < ids.size(); ++i) {
    TCapturedLines lines;
    const std::string token = GenerateToken(ids[i]);
    EXPECT_EQ(token, expected[i]) << ids[i];
    const std::size_t cipherSize = 16 * (ids[i].size() / 16 + 1);
    EXPECT_EQ(token.size(), 4 * ((cipherSize + 2) / 3));
    EXPECT_EQ(token.find_first_of("\r\n"), std::string::npos);
    EXPECT_EQ(lines.Lines(), std::vector<std::string>{"[TOKEN_GEN] Token generated, len=" + std::to_string(token.size())});
  }
  EXPECT_NE(GenerateToken(" device-42 "), GenerateToken("device-42"));
  EXPECT_EQ(GenerateToken("device-42"), GenerateToken("device-42"));
}
#endif

TEST(Token, BlockSizesGiveTheDocumentedLengths) {
  EXPECT_EQ(GenerateToken(std::string(15, 'x')).size(), 24u);
  EXPECT_EQ(GenerateToken(std::string(16, 'x')).size(), 44u);
  EXPECT_EQ(GenerateToken("中").size(), 24u);
  EXPECT_EQ(GenerateToken(std::string(48, 'x')).size(), 88u);
}

#if VANTREEL_TEST_HAS_REFERENCE  // the reference runs Python and OpenSSL of the build machine
TEST(Token, SeedCharactersAreEncodedAsUtf16) {
  TSubstitutedSecrets substituted(kTestSeedNonAscii);
  const auto expected = test::RunReference(
      {"token", std::string(VANTREEL_TEST_SOURCE_DIR) + "/provisioning/seed_non_ascii.json", ReferenceArg("device-42")});
  ASSERT_EQ(expected.size(), 1u);
  EXPECT_EQ(GenerateToken("device-42"), expected[0]);
}
#endif

TEST(Token, Errors) {
  for (const std::string blank : {"", "   ", "\t\r\n", " \x01 "}) {
    EXPECT_EQ(ErrorOf(blank), "[TOKEN_GEN] identifier param is empty");
  }
  {
    TForcedEnvironment environment(false);
    EXPECT_EQ(ErrorOf("device-42"), "[TOKEN_GEN] environment check failed");
    EXPECT_EQ(ErrorOf(" "), "[TOKEN_GEN] identifier param is empty");
  }
  {
    TSubstitutedSecrets substituted(kTestSeed44Chars);
    EXPECT_EQ(ErrorOf("device-42"), "[TOKEN_GEN] initialKey length error: 44");
  }
  {
    TSubstitutedSecrets substituted(kTestSeed46Chars);
    EXPECT_EQ(ErrorOf("device-42"), "[TOKEN_GEN] initialKey length error: 46");
  }
}

#if VANTREEL_TEST_HAS_REFERENCE  // the reference runs Python and OpenSSL of the build machine
TEST(TokenCipher, MatchesOpensslFrom0To48Bytes) {
  TBytes key(32), iv(16);
  for (std::size_t i = 0; i < key.size(); ++i) key[i] = static_cast<std::uint8_t>(i * 7 + 1);
  for (std::size_t i = 0; i < iv.size(); ++i) iv[i] = static_cast<std::uint8_t>(0xF0 - i);
  std::vector<std::string> plains;
  for (std::size_t n = 0; n <= 48; ++n) plains.push_back(std::string(n, static_cast<char>('0' + n % 10)));
  std::vector<std::string> args = {"aes", ReferenceArg(std::string(key.begin(), key.end())),
                                   ReferenceArg(std::string(iv.begin(), iv.end()))};
  for (const auto& p : plains) args.push_back(ReferenceArg(p));
  const auto expected = test::RunReference(args);
  ASSERT_EQ(expected.size(), plains.size());
  for (std::size_t n = 0; n < plains.size(); ++n) {
    const TBytes cipher = AesCbcEncrypt(AsBytes(plains[n]), key, iv);
    EXPECT_EQ(cipher.size(), 16 * (n / 16 + 1));
    EXPECT_EQ(Base64Encode(cipher), expected[n]) << n;
  }
}
#endif

TEST(TokenCipher, PlatformFailuresCarryTheirStepAndStatus) {
  struct Case {
    TCryptoStep step;
    std::uint32_t status;
    const char* message;
  } cases[] = {
      {TCryptoStep::OpenProvider, 0xC0000225, "[TOKEN_GEN] BCryptOpenAlgorithmProvider failed: 0xC0000225"},
      {TCryptoStep::SetChainingMode, 0x1, "[TOKEN_GEN] BCryptSetProperty(CBC) failed: 0x1"},
      {TCryptoStep::GetObjectLength, 0xABC, "[TOKEN_GEN] BCryptGetProperty(ObjectLength) failed: 0xABC"},
      {TCryptoStep::GenerateKey, 0xC000000D, "[TOKEN_GEN] BCryptGenerateSymmetricKey failed: 0xC000000D"},
      {TCryptoStep::CryptSize, 0x80000005, "[TOKEN_GEN] BCryptEncrypt(size) failed: 0x80000005"},
      {TCryptoStep::Crypt, 0xFFFFFFFF, "[TOKEN_GEN] BCryptEncrypt failed: 0xFFFFFFFF"},
  };
  for (const auto& c : cases) EXPECT_EQ(TokenCryptoErrorMessage(c.step, c.status), c.message);

  // A key the platform refuses fails at the key step and raises the mapped message.
  const TBytes shortKey(16, 1), iv(16, 2);
  try {
    AesCbcEncrypt(AsBytes("abc"), shortKey, iv);
    ADD_FAILURE() << "no error";
  } catch (const std::runtime_error& error) {
    EXPECT_EQ(std::string(error.what()).rfind("[TOKEN_GEN] BCryptGenerateSymmetricKey failed: 0x", 0), 0u)
        << error.what();
  }
}

TEST(TokenMaterial, Utf16LittleEndianTable) {
  struct Case {
    std::string text;
    TBytes bytes;
  } cases[] = {
      {"", {}},
      {"Az", {0x41, 0x00, 0x7A, 0x00}},
      {"\xC3\xA9", {0xE9, 0x00}},
      {"中", {0x2D, 0x4E}},
      {"\xF0\x9F\x98\x80", {0x3D, 0xD8, 0x00, 0xDE}},
      {"\xFF" "a", {0xFD, 0xFF, 0x61, 0x00}},        // a malformed byte
      {"\xE4\xB8", {0xFD, 0xFF, 0xFD, 0xFF}},        // a cut sequence
      {"\xED\xA0\x80", {0xFD, 0xFF, 0xFD, 0xFF, 0xFD, 0xFF}},  // an encoded surrogate
  };
  for (const auto& c : cases) EXPECT_EQ(StringToUtf16Bytes(c.text), c.bytes) << c.text;
}

}  // namespace
}  // namespace vantreel
