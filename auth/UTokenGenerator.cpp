#include "auth/UTokenGenerator.h"

#include <cstdio>
#include <stdexcept>

#include "auth/CharacterText.h"
#include "auth/EnvironmentCheck.h"
#include "auth/UAuthSeedProvider.h"
#include "base/AsciiText.h"
#include "base/StatusText.h"
#include "base/Utf8.h"
#include "crypto/Base64.h"
#include "crypto/Sha256.h"
#include "crypto/Wipe.h"
#include "platform/DebugOutput.h"

namespace vantreel {
namespace {

constexpr std::size_t kSeedLength = 45;

void AppendUnit(TBytes& out, std::uint32_t unit) {
  out.push_back(static_cast<std::uint8_t>(unit & 0xFF));
  out.push_back(static_cast<std::uint8_t>(unit >> 8));
}

[[noreturn]] void Fail(const std::string& message) { throw std::runtime_error(message); }

}  // namespace

TBytes StringToUtf16Bytes(std::string_view text) {
  TBytes out;
  out.reserve(text.size() * 4);  // no regrowth: the material is secret
  for (std::size_t i = 0; i < text.size();) {
    const char32_t cp = DecodeUtf8(text, i);
    if (cp < 0x10000) {
      AppendUnit(out, cp);
    } else {
      AppendUnit(out, 0xD800 + ((cp - 0x10000) >> 10));
      AppendUnit(out, 0xDC00 + ((cp - 0x10000) & 0x3FF));
    }
  }
  return out;
}

std::string TokenCryptoErrorMessage(TCryptoStep step, std::uint32_t status) {
  const char* operation = "BCryptEncrypt";
  switch (step) {
    case TCryptoStep::OpenProvider: operation = "BCryptOpenAlgorithmProvider"; break;
    case TCryptoStep::SetChainingMode: operation = "BCryptSetProperty(CBC)"; break;
    case TCryptoStep::GetObjectLength: operation = "BCryptGetProperty(ObjectLength)"; break;
    case TCryptoStep::GenerateKey: operation = "BCryptGenerateSymmetricKey"; break;
    case TCryptoStep::CryptSize: operation = "BCryptEncrypt(size)"; break;
    case TCryptoStep::Crypt:
    case TCryptoStep::DeriveKey:
    case TCryptoStep::None: break;
  }
  return std::string("[TOKEN_GEN] ") + operation + " failed: " + HexStatus(status);
}

TBytes AesCbcEncrypt(TByteView plain, TByteView key, TByteView iv) {
  TBytes cipher;
  const TCryptoResult result = AesCbcPkcs7Encrypt(plain, key, iv, cipher);
  if (!result.ok()) Fail(TokenCryptoErrorMessage(result.failedStep, result.status));
  return cipher;
}

std::string GenerateToken(const std::string& identifier) {
  if (IsBlank(identifier)) throw TBlankIdentifierError("[TOKEN_GEN] identifier param is empty");
  if (!IsEnvironmentAcceptable()) Fail("[TOKEN_GEN] environment check failed");

  std::string initialKey, salt, material;
  TBytes materialBytes, key, iv, plain;
  TSha256Digest digest{};
  TWipeOnExit wipe(initialKey, salt, material, materialBytes, digest, key, iv, plain);

  initialKey = GetAuthSeed();
  const std::size_t length = CountCharacters(initialKey);
  if (length != kSeedLength) Fail("[TOKEN_GEN] initialKey length error: " + std::to_string(length));
  // Characters 1, 2, 5, 7 and 9, counting from 1. The seed may hold two-byte characters.
  salt.reserve(10);
  for (std::size_t position : {1, 2, 5, 7, 9}) salt += CharacterAt(initialKey, position - 1);
  material.reserve(initialKey.size() + salt.size());
  material += initialKey;
  material += salt;
  materialBytes = StringToUtf16Bytes(material);

  digest = ComputeSha256(materialBytes);
  key.assign(digest.begin(), digest.end());
  iv.assign(digest.begin(), digest.begin() + 16);
  plain.assign(identifier.begin(), identifier.end());

  const TBytes cipher = AesCbcEncrypt(plain, key, iv);
  std::string token = Base64Encode(cipher);  // one line: the encoder never breaks lines
  OutputDebugLine("[TOKEN_GEN] Token generated, len=" + std::to_string(token.size()));
  return token;
}

}  // namespace vantreel
