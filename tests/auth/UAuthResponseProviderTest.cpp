#include "auth/UAuthResponseProvider.h"

#include <gtest/gtest.h>

#include <stdexcept>

#include "crypto/Base64.h"
#include "tests/auth/AuthTestSupport.h"

namespace vantreel {

extern const TProvisionedSecrets kTestSeedNonAscii;

namespace {

using test::TCapturedLines;
using test::TForcedEnvironment;
using test::TSubstitutedSecrets;

std::string Latin1ToUtf8(const std::vector<std::uint8_t>& codes) {
  std::string out;
  for (std::uint8_t c : codes) {
    if (c < 0x80) {
      out.push_back(static_cast<char>(c));
    } else {
      out.push_back(static_cast<char>(0xC0 | (c >> 6)));
      out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
  }
  return out;
}

TEST(AuthResponseFrame, PrefixAndSuffixTable) {
  struct Case {
    const char* text;
    std::int64_t t;
    const char* prefix;
    const char* suffix;
  } cases[] = {
      {"ab", 0x1234, "ab34", "12ab"},
      {"ABCDEF", 0x00FF, "abcdff", "00cdef"},
      {"1700000000123", 0x1A2B3C, "17003c", "2b0123"},
      {" 1700000000123 ", 0x0100, " 17000", "01123 "},      // blanks are kept, not trimmed
      {"中文字符串", 0xAB0C, "中文字符0c", "ab文字符串"},  // characters, not bytes
      {"Q", 0, "q00", "00q"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(BuildResponsePrefix(c.text, c.t), c.prefix) << c.text;
    EXPECT_EQ(BuildResponseSuffix(c.text, c.t), c.suffix) << c.text;
  }
}

TEST(AuthResponseFrame, MaskIsUndoneByTheSuffixKeyByte) {
  const std::string digestHex = "00112233445566778899aabbccddeeff00112233445566778899aabbccddeeff";
  const std::string middle = MaskDigestHex(digestHex, "3f1234");
  EXPECT_EQ(middle.size(), 88u);
  EXPECT_EQ(middle.find_first_of("\r\n"), std::string::npos);
  TBytes bytes = Base64DecodeLenient(middle);
  for (auto& b : bytes) b ^= 'f';
  EXPECT_EQ(std::string(bytes.begin(), bytes.end()), digestHex);
}

// Splits a response into its pieces, the prefix being known from Random's length.
struct TPieces {
  std::string prefix, middle, suffix;
};
TPieces Split(const std::string& response, std::size_t prefixSize, std::size_t suffixSize) {
  return {response.substr(0, prefixSize), response.substr(prefixSize, response.size() - prefixSize - suffixSize),
          response.substr(response.size() - suffixSize)};
}

std::string Unmask(const TPieces& pieces) {
  TBytes bytes = Base64DecodeLenient(pieces.middle);
  for (auto& b : bytes) b ^= static_cast<std::uint8_t>(pieces.suffix[1]);
  return std::string(bytes.begin(), bytes.end());
}

#if VANTREEL_TEST_HAS_REFERENCE  // the reference runs Python and OpenSSL of the build machine
TEST(AuthResponse, MatchesAnIndependentDigestAndTheClock) {
  struct Case {
    std::string timestamp, random, clientType, identifier;
    std::size_t prefixSize, suffixSize;
  } cases[] = {
      {"1700000000123", "R4nd0mXYZ", "pc", "device-42", 6, 6},
      {"123", "ab", "pc", "dev", 4, 5},
      {" 1700000000123 ", "ABCDEF", "Windows", "学生电脑", 6, 6},
      {"17", "r", "a:b", "id with / and \"quotes\"", 3, 4},
  };
  const std::string provisioning = VANTREEL_TEST_PROVISIONING;
  for (const auto& c : cases) {
    const std::int64_t before = GetUnixTimeMs();
    TCapturedLines lines;
    const std::string response = ComputeAuthResponse(c.timestamp, c.random, c.clientType, c.identifier);
    const std::int64_t after = GetUnixTimeMs();
    EXPECT_EQ(lines.Lines(), std::vector<std::string>{"[AUTH_RESPONSE_PROVIDER] 认证响应生成成功"});
    ASSERT_EQ(response.size(), c.prefixSize + 88 + c.suffixSize) << response;

    const TPieces pieces = Split(response, c.prefixSize, c.suffixSize);
    const auto expected = test::RunReference({"digest", provisioning, test::ReferenceArg(c.timestamp),
                                              test::ReferenceArg(c.random), test::ReferenceArg(c.clientType),
                                              test::ReferenceArg(c.identifier)});
    ASSERT_EQ(expected.size(), 1u);
    EXPECT_EQ(Unmask(pieces), expected[0]) << c.identifier;

    bool clockMatches = false;
    for (std::int64_t t = before; t <= after && !clockMatches; ++t) {
      clockMatches = pieces.prefix == BuildResponsePrefix(c.random, t) && pieces.suffix == BuildResponseSuffix(c.timestamp, t);
    }
    EXPECT_TRUE(clockMatches) << response;
  }
}
#endif

// A known answer that holds in every build, the Windows one under Wine included: the key
// parts are the test provisioning's ("test~K1:abc", "test~K2:0123456789abcd"), and the digest
// was computed once, outside this code, with
//   printf '%s' '1700000000123:abcd:test~K1:abc:test~K2:0123456789abcd:pc:x' | openssl dgst -sha256
// (Python's hashlib.sha256 gives the same).
TEST(AuthResponse, DigestOfAKnownChallengeIsTheIndependentlyComputedOne) {
  TSubstitutedSecrets substituted(kTestSeedNonAscii);
  const std::string response = ComputeAuthResponse("1700000000123", "abcd", "pc", "x");
  EXPECT_EQ(Unmask(Split(response, 6, 6)), "9d7e2b5236de5115f561fb48dc5a4e0d67b49b83c78e36bcbde4393eeb55222e");
}

TEST(AuthResponse, RefusesBlankInputsBeforeTheEnvironment) {
  TForcedEnvironment environment(false);  // a blank input is reported first
  const std::string blanks[] = {"", " ", std::string("\0\t\n \x1f", 5)};
  for (const std::string& blank : blanks) {
    for (int position = 0; position < 4; ++position) {
      std::string inputs[4] = {"1700000000123", "abcd", "pc", "id"};
      inputs[position] = blank;
      try {
        ComputeAuthResponse(inputs[0], inputs[1], inputs[2], inputs[3]);
        ADD_FAILURE() << "no error for blank input " << position;
      } catch (const std::runtime_error& error) {
        EXPECT_STREQ(error.what(), "认证参数不完整");
      }
    }
  }
}

TEST(AuthResponse, FailedEnvironmentIsReported) {
  TForcedEnvironment environment(false);
  TCapturedLines lines;
  try {
    ComputeAuthResponse("1700000000123", "abcd", "pc", "id");
    ADD_FAILURE() << "no error";
  } catch (const std::runtime_error& error) {
    EXPECT_STREQ(error.what(), "认证环境异常");
  }
  EXPECT_TRUE(lines.Lines().empty());
}

TEST(AuthKeyParts, AreTheProvisionedValues) {
  const auto plain = test::BuildProvisioning();
  EXPECT_EQ(GetAuthKeyPart1(), plain.keyPart1);
  EXPECT_EQ(GetAuthKeyPart2(), plain.keyPart2);
  EXPECT_EQ(GetAuthKeyPart1().size(), 11u);
  EXPECT_EQ(GetAuthKeyPart2().size(), 22u);
}

TEST(AuthKeyParts, AFailedEnvironmentCheckAssemblesNothing) {
  TForcedEnvironment environment(false);
  EXPECT_EQ(GetAuthKeyPart1(), "");
  EXPECT_EQ(GetAuthKeyPart2(), "");
}

// The mask and the fillers must never reach the result, whatever the run lengths (the
// fillers fall every third byte, also at the very end) and whatever byte values wrap.
TEST(AuthKeyParts, UnscrambleRoundTripsForEveryMask) {
  std::vector<std::uint8_t> codes;
  for (int i = 0; i < 24; ++i) codes.push_back(static_cast<std::uint8_t>(i * 11 + 250));
  for (std::uint8_t key : {0x00, 0x5D, 0xFF}) {
    std::vector<std::uint8_t> stored;
    for (auto c : codes) stored.push_back(c ^ key);
    for (std::size_t total : {0, 1, 2, 3, 11, 12, 22, 24}) {
      for (std::size_t split = 0; split <= total; split += (total > 4 ? total / 2 - 1 : 1)) {
        const TByteView a(stored.data(), split), b(stored.data() + split, total - split);
        const std::string expected = Latin1ToUtf8({codes.begin(), codes.begin() + static_cast<long>(total)});
        for (std::uint8_t mask = 0; mask < 16; ++mask) {
          ASSERT_EQ(UnscrambleKeyPartWithMask(a, b, key, mask), expected)
              << "key " << int(key) << " total " << total << " split " << split << " mask " << int(mask);
        }
        EXPECT_EQ(UnscrambleKeyPart(a, b, key), expected);
      }
    }
  }
}

}  // namespace
}  // namespace vantreel
