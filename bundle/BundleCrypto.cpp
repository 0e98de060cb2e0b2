#include "bundle/BundleCrypto.h"

#include <cstdio>
#include <stdexcept>

#include "base/AsciiText.h"
#include "base/StatusText.h"
#include "crypto/Hex.h"
#include "crypto/SecureZero.h"
#include "crypto/Sha256.h"
#include "platform/PlatformCrypto.h"

namespace vantreel {
namespace {

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

[[noreturn]] void ThrowStep(const char* call, std::uint32_t status) {
  throw std::runtime_error(std::string(call) + " 失败: " + HexStatus(status));
}

// Names each failing step as Windows CNG calls it, so that the message is
// the same whichever library did the work.
const char* DecryptStepName(TCryptoStep step) {
  switch (step) {
    case TCryptoStep::OpenProvider: return "BCryptOpenAlgorithmProvider";
    case TCryptoStep::SetChainingMode: return "BCryptSetProperty(CBC)";
    case TCryptoStep::GetObjectLength: return "BCryptGetProperty(ObjectLength)";
    case TCryptoStep::GenerateKey: return "BCryptGenerateSymmetricKey";
    case TCryptoStep::CryptSize: return "BCryptDecrypt(size)";
    case TCryptoStep::Crypt:
    case TCryptoStep::DeriveKey:
    case TCryptoStep::None: break;
  }
  return "BCryptDecrypt";
}

}  // namespace

std::string Sha256Hex(TByteView data) {
  const TSha256Digest digest = ComputeSha256(data);
  return BytesToHexLower(digest);
}

TBytes HexToBytes(std::string_view text) {
  text = TrimBlanks(text);
  if (text.size() % 2 != 0) throw std::runtime_error("Hex 字符串长度必须为偶数。");
  TBytes bytes(text.size() / 2);
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    const int high = HexDigit(text[2 * i]);
    const int low = HexDigit(text[2 * i + 1]);
    if (high < 0 || low < 0) {
      throw std::runtime_error("'$" + std::string(text.substr(2 * i, 2)) + "' 不是有效的十六进制数。");
    }
    bytes[i] = static_cast<std::uint8_t>(high * 16 + low);
  }
  return bytes;
}

TBytes DeriveKeyPbkdf2Sha256(std::string_view password, TByteView salt, int iterations) {
  if (iterations < 1) throw std::runtime_error("PBKDF2 迭代次数必须大于 0。");
  TBytes passwordBytes(password.begin(), password.end());
  TBytes key(32);
  const TCryptoResult result =
      Pbkdf2HmacSha256(passwordBytes, salt, static_cast<std::uint32_t>(iterations), key.data());
  SecureZero(passwordBytes.data(), passwordBytes.size());
  if (!result.ok()) {
    SecureZero(key.data(), key.size());
    ThrowStep(result.failedStep == TCryptoStep::OpenProvider ? "BCryptOpenAlgorithmProvider(SHA256-HMAC)"
                                                            : "BCryptDeriveKeyPBKDF2",
              result.status);
  }
  return key;
}

TBytes AesCbcDecrypt(TByteView cipherText, TByteView key, TByteView iv) {
  if (cipherText.empty()) return {};
  TBytes plain;
  const TCryptoResult result = AesCbcPkcs7Decrypt(cipherText, key, iv, plain);
  if (!result.ok()) ThrowStep(DecryptStepName(result.failedStep), result.status);
  return plain;
}

}  // namespace vantreel
