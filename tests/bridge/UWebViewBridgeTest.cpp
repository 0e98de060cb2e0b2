#include "bridge/UWebViewBridge.h"

#include <gtest/gtest.h>

#include <optional>

#include "auth/UAuthResponseProvider.h"
#include "auth/UTokenGenerator.h"
#include "tests/auth/AuthTestSupport.h"

namespace vantreel {
namespace {

using test::TCapturedLines;
using test::TForcedEnvironment;
using Lines = std::vector<std::string>;

const std::string kReceived = "[WEBVIEW_BRIDGE] 收到消息类型: ";
const std::string kUnknown = "[WEBVIEW_BRIDGE] 未知消息类型: ";
const std::string kFailed = "[WEBVIEW_BRIDGE] 消息处理异常: ";

struct TOutcome {
  std::optional<std::string> reply;  // none when nothing is posted
  Lines lines;
};

TOutcome Process(const std::string& message) {
  TCapturedLines lines;
  std::string reply = "stale";
  const bool post = ProcessWebMessage(message, reply);
  if (!post) {
    EXPECT_EQ(reply, "") << message;
  }
  return {post ? std::optional<std::string>(reply) : std::nullopt, lines.Lines()};
}

std::string EscapedSeed() { return test::EscapeSolidus(test::BuildProvisioning().seed); }

// A line that starts with `prefix` and says something after it.
void ExpectFailureLine(const std::string& line, const std::string& prefix) {
  EXPECT_EQ(line.rfind(prefix, 0), 0u) << line;
  EXPECT_GT(line.size(), prefix.size()) << line;
}

TEST(Bridge, MessagesThatGetNoReplyAndTheirLines) {
  struct Case {
    const char* message;
    Lines lines;
  } cases[] = {
      {"not json", {}},
      {"", {}},
      {R"({"type":"auth_seed_request"} {})", {}},
      {R"({"type":"auth_seed_request")", {}},
      {"{}", {kReceived, kUnknown}},
      {R"({"type":""})", {kReceived, kUnknown}},
      {R"({"type":"Auth_Seed_Request"})", {kReceived + "Auth_Seed_Request", kUnknown + "Auth_Seed_Request"}},
      {R"({"type":7})", {kReceived + "7", kUnknown + "7"}},
      {R"({"type":null,"requestId":"r"})", {kReceived, kUnknown}},
      {R"({"type":"auth_challenge"})", {kReceived + "auth_challenge", kFailed + "auth_challenge 缺少 Webdata"}},
      {R"({"type":"auth_challenge","Webdata":{"clientType":"pc"}})",
       {kReceived + "auth_challenge", kFailed + "auth_challenge 缺少 challenge"}},
  };
  for (const auto& c : cases) {
    const TOutcome outcome = Process(c.message);
    EXPECT_FALSE(outcome.reply) << c.message;
    EXPECT_EQ(outcome.lines, c.lines) << c.message;
  }
}

// Type and conversion errors: the wording is ours, the line and the missing reply are not.
TEST(Bridge, HandlingErrorsGetNoReply) {
  struct Case {
    const char* message;
    bool received;  // the received line comes first
  } cases[] = {
      {"[1,2]", false},
      {"42", false},
      {R"("auth_seed_request")", false},
      {"null", false},
      {R"({"type":{"x":1}})", false},
      {R"({"type":["auth_seed_request"]})", false},
      {R"({"type":"auth_seed_request","requestId":{}})", true},
      {R"({"type":"generate_token","requestId":"r","identifier":["a"]})", true},
      {R"({"type":"auth_challenge","Webdata":null})", true},
      {R"({"type":"auth_challenge","Webdata":"x"})", true},
      {R"({"type":"auth_challenge","Webdata":{"challenge":null}})", true},
      {R"({"type":"auth_challenge","Webdata":{"challenge":[1]}})", true},
      {R"({"type":"auth_challenge","Webdata":{"identifier":{},"challenge":{"timestamp":"1","random":"r"}}})", true},
      {R"({"type":"auth_challenge","Webdata":{"challenge":{"timestamp":[],"random":"r"}}})", true},
      {R"({"type":"alarm_photo_save","requestId":"r","timestamp":1.5})", true},
      {R"({"type":"alarm_photo_save","requestId":"r","timestamp":"abc"})", true},
      {R"({"type":"alarm_photo_save","requestId":"r","timestamp":1e3})", true},
      {R"({"type":"image_save","requestId":{"a":1}})", true},
  };
  for (const auto& c : cases) {
    const TOutcome outcome = Process(c.message);
    EXPECT_FALSE(outcome.reply) << c.message;
    ASSERT_EQ(outcome.lines.size(), c.received ? 2u : 1u) << c.message;
    if (c.received) ExpectFailureLine(outcome.lines[0], kReceived);
    ExpectFailureLine(outcome.lines.back(), kFailed);
  }
}

TEST(Bridge, AuthSeedRequestIdRules) {
  const std::string seed = EscapedSeed();
  struct Case {
    const char* message;
    const char* requestId;  // as written in the reply
  } cases[] = {
      {R"({"type":"auth_seed_request"})", "missing_request_id"},
      {R"({"type":"auth_seed_request","requestId":"   "})", "missing_request_id"},
      {R"({"type":"auth_seed_request","requestId":"\t\n"})", "missing_request_id"},
      {R"({"type":"auth_seed_request","requestId":null})", "missing_request_id"},
      {R"({"type":"auth_seed_request","requestId":" a1 "})", " a1 "},
      {R"({"type":"auth_seed_request","requestId":7})", "7"},
      {R"({"type":"auth_seed_request","requestId":1.50})", "1.50"},
      {R"({"type":"auth_seed_request","requestId":true})", "true"},
      {R"({"type":"auth_seed_request","requestId":"a/b\"c\u0001é\u4e2d"})", R"(a\/b\"c\u0001é中)"},
      {R"({"requestId":"first","type":"auth_seed_request","requestId":"second","type":"x"})", "first"},
  };
  for (const auto& c : cases) {
    const TOutcome outcome = Process(c.message);
    ASSERT_TRUE(outcome.reply) << c.message;
    EXPECT_EQ(*outcome.reply, std::string(R"({"type":"auth_seed_response","requestId":")") + c.requestId +
                                  R"(","ok":true,"seed":")" + seed + R"("})");
    EXPECT_EQ(outcome.lines, (Lines{kReceived + "auth_seed_request", "[AUTH_SEED_PROVIDER] 种子生成成功",
                                    "[WEBVIEW_BRIDGE] 已处理 auth_seed_request"}));
  }
}

TEST(Bridge, AuthSeedWithFailedEnvironment) {
  TForcedEnvironment environment(false);
  const TOutcome outcome = Process(R"({"type":"auth_seed_request","requestId":"r9"})");
  ASSERT_TRUE(outcome.reply);
  EXPECT_EQ(*outcome.reply, R"({"type":"auth_seed_response","requestId":"r9","ok":false,"error":"seed_invalid"})");
  EXPECT_EQ(outcome.lines, (Lines{kReceived + "auth_seed_request", "[AUTH_SEED_PROVIDER] 安全环境检测未通过",
                                  "[WEBVIEW_BRIDGE] 已处理 auth_seed_request"}));
}

TEST(Bridge, GenerateToken) {
  struct Case {
    const char* message;
    const char* requestId;
    std::string identifier;
  } cases[] = {
      {R"({"type":"generate_token","requestId":"t1","identifier":"device-42"})", "t1", "device-42"},
      {R"({"type":"generate_token","identifier":"device-42"})", "", "device-42"},
      {R"({"type":"generate_token","requestId":"t3","identifier":true})", "t3", "true"},
      {R"({"type":"generate_token","requestId":"t4","identifier":" 中 "})", "t4", " 中 "},
      {R"({"type":"generate_token","requestId":"t5","identifier":0.10})", "t5", "0.10"},
  };
  for (const auto& c : cases) {
    const TOutcome outcome = Process(c.message);
    ASSERT_TRUE(outcome.reply) << c.message;
    const std::string token = test::EscapeSolidus(GenerateToken(c.identifier));
    EXPECT_EQ(*outcome.reply, std::string(R"({"type":"generate_token_response","requestId":")") + c.requestId +
                                  R"(","ok":true,"token":")" + token + R"("})");
    EXPECT_EQ(outcome.lines, (Lines{kReceived + "generate_token", "[TOKEN_GEN] Token generated, len=" +
                                                                     std::to_string(GenerateToken(c.identifier).size()),
                                    "[WEBVIEW_BRIDGE] Token 生成成功"}));
  }
}

TEST(Bridge, GenerateTokenFailuresAreReplies) {
  struct Case {
    const char* message;
    bool environment;
    const char* reply;
    const char* error;
  } cases[] = {
      {R"({"type":"generate_token","requestId":"t1","identifier":"  "})", true,
       R"({"type":"generate_token_response","requestId":"t1","ok":false,"error":"identifier 参数不能为空"})",
       "identifier 参数不能为空"},
      // Half an emoji, as JSON.stringify writes it, is still a request that gets its reply.
      {R"({"type":"generate_token","requestId":"t\ud83d","identifier":"  "})", true,
       "{\"type\":\"generate_token_response\",\"requestId\":\"t\xEF\xBF\xBD\",\"ok\":false,\"error\":\"identifier 参数不能为空\"}",
       "identifier 参数不能为空"},
      {R"({"type":"generate_token","requestId":"t2"})", true,
       R"({"type":"generate_token_response","requestId":"t2","ok":false,"error":"identifier 参数不能为空"})",
       "identifier 参数不能为空"},
      {R"({"type":"generate_token","requestId":"t3","identifier":"x"})", false,
       R"({"type":"generate_token_response","requestId":"t3","ok":false,"error":"[TOKEN_GEN] environment check failed"})",
       "[TOKEN_GEN] environment check failed"},
  };
  for (const auto& c : cases) {
    TForcedEnvironment environment(c.environment);
    const TOutcome outcome = Process(c.message);
    ASSERT_TRUE(outcome.reply) << c.message;
    EXPECT_EQ(*outcome.reply, c.reply);
    EXPECT_EQ(outcome.lines, (Lines{kReceived + "generate_token", std::string("[WEBVIEW_BRIDGE] generate_token 失败: ") + c.error}));
  }
}

TEST(Bridge, AuthChallenge) {
  const TOutcome outcome = Process(
      R"({"type":"auth_challenge","requestId":"ignored","Webdata":{"clientType":"pc","identifier":"device-42",)"
      R"("challenge":{"timestamp":1700000000123,"random":"ABCDEF12"}}})");
  ASSERT_TRUE(outcome.reply);
  const std::string head = R"({"type":"auth_response","ok":true,"response":")";
  ASSERT_EQ(outcome.reply->rfind(head, 0), 0u) << *outcome.reply;
  std::string response = outcome.reply->substr(head.size(), outcome.reply->size() - head.size() - 2);
  for (std::size_t at = 0; (at = response.find("\\/", at)) != std::string::npos; ++at) response.erase(at, 1);
  EXPECT_EQ(response.size(), 100u) << response;
  EXPECT_EQ(response.substr(0, 4), "abcd");
  EXPECT_EQ(response.substr(96), "0123");
  EXPECT_EQ(outcome.lines, (Lines{kReceived + "auth_challenge", "[AUTH_RESPONSE_PROVIDER] 认证响应生成成功",
                                  "[WEBVIEW_BRIDGE] 已处理 auth_challenge"}));
}

TEST(Bridge, AuthChallengeFailuresAreRepliesWithoutRequestId) {
  struct Case {
    const char* message;
    bool environment;
    const char* error;
  } cases[] = {
      {R"({"type":"auth_challenge","requestId":"r","Webdata":{"clientType":"pc","identifier":"d",)"
       R"("challenge":{"timestamp":"17","random":""}}})",
       true, "认证参数不完整"},
      {R"({"type":"auth_challenge","Webdata":{"clientType":" ","identifier":"d","challenge":{"timestamp":"17","random":"r"}}})",
       true, "认证参数不完整"},
      {R"({"type":"auth_challenge","Webdata":{"identifier":"d","challenge":{"timestamp":"17","random":"r"}}})", true,
       "认证参数不完整"},
      {R"({"type":"auth_challenge","Webdata":{"clientType":"pc","identifier":"d","challenge":{"timestamp":"17","random":"r"}}})",
       false, "认证环境异常"},
  };
  for (const auto& c : cases) {
    TForcedEnvironment environment(c.environment);
    const TOutcome outcome = Process(c.message);
    ASSERT_TRUE(outcome.reply) << c.message;
    EXPECT_EQ(*outcome.reply, std::string(R"({"type":"auth_response","ok":false,"error":")") + c.error + "\"}");
    EXPECT_EQ(outcome.lines, (Lines{kReceived + "auth_challenge", std::string("[WEBVIEW_BRIDGE] auth_challenge 失败: ") + c.error,
                                    "[WEBVIEW_BRIDGE] 已处理 auth_challenge"}));
  }
}

TEST(Bridge, AFailedMessageLeavesNothingBehind) {
  EXPECT_FALSE(Process(R"({"type":"auth_challenge"})").reply);
  EXPECT_FALSE(Process("garbage").reply);
  EXPECT_TRUE(Process(R"({"type":"auth_seed_request","requestId":"again"})").reply);
}

}  // namespace
}  // namespace vantreel
