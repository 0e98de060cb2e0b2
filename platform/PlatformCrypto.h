// PBKDF2-HMAC-SHA-256 and AES-256-CBC with PKCS#7 padding from the operating system's
// cryptography library. Each operation reports the step that failed and the library's
// status code so that callers can word the failure as they must. Key objects and IV
// working copies are wiped inside on every path.
#pragma once

#include <cstdint>

#include "base/Bytes.h"

namespace vantreel {

enum class TCryptoStep {
  None,
  OpenProvider,     // algorithm provider / context
  SetChainingMode,  // CBC
  GetObjectLength,
  GenerateKey,
  CryptSize,        // first call, output size
  Crypt,            // second call, the data (bad padding shows here)
  DeriveKey,        // PBKDF2
};

struct TCryptoResult {
  TCryptoStep failedStep = TCryptoStep::None;
  std::uint32_t status = 0;  // library's code; 0 on success
  bool ok() const { return failedStep == TCryptoStep::None; }
};

// `out` receives 32 bytes. Iterations must be at least 1 (the caller checks).
TCryptoResult Pbkdf2HmacSha256(TByteView password, TByteView salt, std::uint32_t iterations,
                              std::uint8_t out[32]);

// Key: 32 bytes; IV: 16 bytes. On failure `out` is left empty.
TCryptoResult AesCbcPkcs7Encrypt(TByteView plain, TByteView key, TByteView iv, TBytes& out);
TCryptoResult AesCbcPkcs7Decrypt(TByteView cipher, TByteView key, TByteView iv, TBytes& out);

}  // namespace vantreel
