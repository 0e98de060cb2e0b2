#include "auth/UAuthResponseProvider.h"

#include <chrono>
#include <stdexcept>

#include "auth/CharacterText.h"
#include "auth/EnvironmentCheck.h"
#include "auth/ProvisionedSecrets.h"
#include "base/AsciiText.h"
#include "crypto/Base64.h"
#include "crypto/Sha256.h"
#include "crypto/Wipe.h"
#include "platform/DebugOutput.h"

namespace vantreel {
namespace {

constexpr char kHexDigits[] = "0123456789abcdef";

void AppendHexByte(std::string& out, std::int64_t value) {
  const auto byte = static_cast<std::uint8_t>(value & 0xFF);
  out.push_back(kHexDigits[byte >> 4]);
  out.push_back(kHexDigits[byte & 0x0F]);
}

std::string KeyPart(const TStoredKeyPart& part) { return UnscrambleKeyPart(part.runA, part.runB, part.key); }

}  // namespace

std::int64_t GetUnixTimeMs() {
  using namespace std::chrono;
  return duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count();
}

std::string BuildResponsePrefix(std::string_view random, std::int64_t timeMs) {
  std::string prefix(FirstCharacters(random, 4));
  AppendHexByte(prefix, timeMs);
  LowerAsciiInPlace(prefix);
  return prefix;
}

std::string BuildResponseSuffix(std::string_view timestamp, std::int64_t timeMs) {
  std::string suffix;
  AppendHexByte(suffix, timeMs >> 8);
  suffix += LastCharacters(timestamp, 4);
  LowerAsciiInPlace(suffix);
  return suffix;
}

std::string MaskDigestHex(std::string_view digestHex, std::string_view suffix) {
  const auto key = static_cast<std::uint8_t>(suffix.size() > 1 ? suffix[1] : 0);
  TBytes masked(digestHex.begin(), digestHex.end());
  for (auto& byte : masked) byte ^= key;
  return Base64Encode(masked);  // one line: the encoder never breaks lines
}

std::string UnscrambleKeyPartWithMask(TByteView runA, TByteView runB, std::uint8_t key, std::uint8_t mask) {
  const std::size_t count = runA.size() + runB.size();
  TBytes buffer;
  std::string part;
  TWipeOnExit wipeBuffer(buffer);
  buffer.reserve(count + count / 3);
  unsigned counter = 0;
  for (TByteView run : {runA, runB}) {
    for (std::uint8_t b : run) {
      buffer.push_back(static_cast<std::uint8_t>(b + mask));
      ++counter;
      if (counter % 3 == 0) buffer.push_back(static_cast<std::uint8_t>(7 * counter + mask - 61));
    }
  }
  part.reserve(count * 2);  // no regrowth: a reallocation would leave a copy unwiped
  int skip = 0;
  for (std::uint8_t b : buffer) {
    if (skip == 3) {
      skip = 0;  // a filler
      continue;
    }
    AppendCharacterCode(part, static_cast<std::uint8_t>(static_cast<std::uint8_t>(b - mask) ^ key));
    ++skip;
  }
  return part;
}

std::string UnscrambleKeyPart(TByteView runA, TByteView runB, std::uint8_t key) {
  return UnscrambleKeyPartWithMask(runA, runB, key, static_cast<std::uint8_t>(GetUnixTimeMs() % 16));
}

// Checked here as well as by ComputeAuthResponse, as for the seed.
std::string GetAuthKeyPart1() { return IsEnvironmentAcceptable() ? KeyPart(ProvisionedSecrets().keyPart1) : std::string(); }
std::string GetAuthKeyPart2() { return IsEnvironmentAcceptable() ? KeyPart(ProvisionedSecrets().keyPart2) : std::string(); }

std::string ComputeAuthResponse(const std::string& timestamp, const std::string& random,
                                const std::string& clientType, const std::string& identifier) {
  if (IsBlank(timestamp) || IsBlank(random) || IsBlank(clientType) || IsBlank(identifier)) {
    throw std::runtime_error("认证参数不完整");
  }
  if (!IsEnvironmentAcceptable()) throw std::runtime_error("认证环境异常");

  std::string k1, k2, joined, digestHex;
  TSha256Digest digest{};
  TWipeOnExit wipe(k1, k2, joined, digestHex, digest);
  k1 = GetAuthKeyPart1();
  k2 = GetAuthKeyPart2();
  if (k1.empty() || k2.empty()) throw std::runtime_error("认证环境异常");  // the check failed meanwhile
  joined.reserve(timestamp.size() + random.size() + k1.size() + k2.size() + clientType.size() +
                 identifier.size() + 5);
  for (std::string_view piece : {std::string_view(timestamp), std::string_view(random), std::string_view(k1),
                                  std::string_view(k2), std::string_view(clientType)}) {
    joined += piece;
    joined += ':';
  }
  joined += identifier;
  digest = ComputeSha256(AsBytes(joined));
  digestHex = BytesToHexLower(digest);

  const std::int64_t now = GetUnixTimeMs();
  const std::string suffix = BuildResponseSuffix(timestamp, now);
  std::string response = BuildResponsePrefix(random, now);
  response += MaskDigestHex(digestHex, suffix);
  response += suffix;
  OutputDebugLine("[AUTH_RESPONSE_PROVIDER] 认证响应生成成功");
  return response;
}

}  // namespace vantreel
