#include "auth/UAuthSeedProvider.h"

#include <gtest/gtest.h>

#include "tests/auth/AuthTestSupport.h"

namespace vantreel {

extern const TProvisionedSecrets kTestSeed44Chars;
extern const TProvisionedSecrets kTestSeed46Chars;
extern const TProvisionedSecrets kTestSeedCode31;
extern const TProvisionedSecrets kTestSeedCode127;

namespace {

using test::TCapturedLines;
using test::TForcedEnvironment;
using test::TSubstitutedSecrets;

TEST(AuthSeed, AssemblesTheProvisionedSeedEveryTime) {
  const std::string expected = test::BuildProvisioning().seed;
  ASSERT_EQ(expected.size(), 45u);
  EXPECT_EQ(GetAuthSeed(), expected);
  EXPECT_EQ(GetAuthSeed(), expected);
  EXPECT_TRUE(IsValidAuthSeed(GetAuthSeed()));
}

// The function that assembles the seed runs the check itself: called past the handlers (as
// a debugger or a loaded library would call it), it gives nothing.
TEST(AuthSeed, AFailedEnvironmentCheckAssemblesNothing) {
  TForcedEnvironment environment(false);
  EXPECT_EQ(GetAuthSeed(), "");
  EXPECT_FALSE(IsValidAuthSeed(GetAuthSeed()));
}

TEST(AuthSeed, ValidityTable) {
  const std::string ok(45, 'a');
  struct Case {
    std::string seed;
    bool valid;
  } cases[] = {
      {ok, true},
      {std::string(45, ' ') , true},
      {std::string(45, '~'), true},
      {std::string(44, 'a'), false},
      {std::string(46, 'a'), false},
      {"", false},
      {ok.substr(0, 20) + '\x1f' + ok.substr(21), false},
      {ok.substr(0, 44) + '\x7f', false},
      {ok.substr(0, 43) + "\xc3\xa9", false},  // 44 characters, one of them non-ASCII
      {ok.substr(0, 44) + "\xc3\xa9", false},  // 45 characters, one non-ASCII
  };
  for (const auto& c : cases) EXPECT_EQ(IsValidAuthSeed(c.seed), c.valid) << c.seed;
}

TEST(AuthSeed, UnscramblesByTheStoredRule) {
  // Worked by hand for key 0x5A: after the XOR, i = 0..3 give 0x41, 0x42 - 1, 0xFF - 2 and
  // 0x01 - 3, which wraps to 0xFE; codes above 127 come out as UTF-8.
  const std::uint8_t part[] = {0x41 ^ 0x5A, 0x42 ^ 0x5A, 0xFF ^ 0x5A, 0x01 ^ 0x5A};
  EXPECT_EQ(UnscrambleSeedPart(part, 0x5A), "AA\xc3\xbd\xc3\xbe");
  EXPECT_EQ(UnscrambleSeedPart({}, 0x5A), "");
}

TEST(AuthSeedResponse, GivesTheSeedWithTheRequestIdEchoed) {
  const std::string seed = test::BuildProvisioning().seed;
  TCapturedLines lines;
  for (const std::string requestId : {"r-1", "missing_request_id"}) {
    EXPECT_EQ(BuildAuthSeedResponse(requestId),
              R"({"type":"auth_seed_response","requestId":")" + requestId + R"(","ok":true,"seed":")" + test::EscapeSolidus(seed) +
                  R"("})");
  }
  EXPECT_EQ(lines.Lines(), (std::vector<std::string>{"[AUTH_SEED_PROVIDER] 种子生成成功",
                                                     "[AUTH_SEED_PROVIDER] 种子生成成功"}));
}

TEST(AuthSeedResponse, FailedEnvironmentGivesNoSeed) {
  TForcedEnvironment environment(false);
  TCapturedLines lines;
  EXPECT_EQ(BuildAuthSeedResponse("r2"), R"({"type":"auth_seed_response","requestId":"r2","ok":false,"error":"seed_invalid"})");
  EXPECT_EQ(lines.Lines(), std::vector<std::string>{"[AUTH_SEED_PROVIDER] 安全环境检测未通过"});
}

TEST(AuthSeedResponse, InvalidProvisionedSeedsAreNotGivenOut) {
  for (const TProvisionedSecrets* secrets : {&kTestSeed44Chars, &kTestSeed46Chars, &kTestSeedCode31, &kTestSeedCode127}) {
    TSubstitutedSecrets substituted(*secrets);
    TCapturedLines lines;
    EXPECT_EQ(BuildAuthSeedResponse("r3"),
              R"({"type":"auth_seed_response","requestId":"r3","ok":false,"error":"seed_invalid"})");
    EXPECT_EQ(lines.Lines(), std::vector<std::string>{"[AUTH_SEED_PROVIDER] 种子校验失败"});
  }
}

}  // namespace
}  // namespace vantreel
