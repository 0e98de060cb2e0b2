#include "auth/UAuthSeedProvider.h"

#include "auth/CharacterText.h"
#include "auth/EnvironmentCheck.h"
#include "auth/ProvisionedSecrets.h"
#include "crypto/Wipe.h"
#include "json/JsonReply.h"
#include "platform/DebugOutput.h"

namespace vantreel {

std::string UnscrambleSeedPart(TByteView part, std::uint8_t key) {
  std::string text;
  text.reserve(part.size() * 2);  // no regrowth: a reallocation would leave a copy unwiped
  for (std::size_t i = 0; i < part.size(); ++i) {
    AppendCharacterCode(text, static_cast<std::uint8_t>((part[i] ^ key) - (i % 8)));
  }
  return text;
}

std::string GetAuthSeed() {
  // Checked here as well as by the handlers: code that reaches this function without them
  // (a debugger calling it, a library loaded into the process) gets nothing.
  if (!IsEnvironmentAcceptable()) return {};
  const auto& parts = ProvisionedSecrets().seedParts;
  std::string seed;
  seed.reserve((parts[0].bytes.size() + parts[1].bytes.size() + parts[2].bytes.size()) * 2);
  for (const auto& part : parts) {
    std::string text = UnscrambleSeedPart(part.bytes, part.key);
    TWipeOnExit wipe(text);
    seed += text;  // within the reserved capacity: never reallocates
  }
  return seed;
}

bool IsValidAuthSeed(const std::string& seed) {
  if (seed.size() != 45) return false;
  // Any non-ASCII character shows as bytes above 126, so bytes stand for characters here.
  for (unsigned char c : seed) {
    if (c < 32 || c > 126) return false;
  }
  return true;
}

std::string BuildAuthSeedResponse(const std::string& requestId) {
  TJsonReply reply("auth_seed_response", requestId, TReplyOutcome::Ok);
  if (!IsEnvironmentAcceptable()) {
    reply.Failed("seed_invalid");
    OutputDebugLine("[AUTH_SEED_PROVIDER] 安全环境检测未通过");
    return reply.Finish();
  }
  std::string seed = GetAuthSeed();
  TWipeOnExit wipe(seed);
  if (IsValidAuthSeed(seed)) {
    reply.Succeeded().AddString("seed", seed);
    OutputDebugLine("[AUTH_SEED_PROVIDER] 种子生成成功");
  } else {
    reply.Failed("seed_invalid");
    OutputDebugLine("[AUTH_SEED_PROVIDER] 种子校验失败");
  }
  return reply.Finish();
}

}  // namespace vantreel
