// Tokens: the identifier's UTF-8 bytes under AES-256-CBC (PKCS #7), key and IV derived
// from the auth seed, in Base64. One identifier always gives the same token.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>

#include "base/Bytes.h"
#include "platform/PlatformCrypto.h"

namespace vantreel {

// What GenerateToken raises first for an identifier that is blank (empty after trimming
// codes 0 to 32). Its own type, so that the bridge can answer it in the bridge's words
// without a check of its own.
class TBlankIdentifierError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Raises std::runtime_error with a "[TOKEN_GEN] ..." message on every failure.
std::string GenerateToken(const std::string& identifier);

// AES-256-CBC with PKCS #7 padding through the platform's cryptography; a failed step
// raises its "[TOKEN_GEN] ... failed: 0x%X" message.
TBytes AesCbcEncrypt(TByteView plain, TByteView key, TByteView iv);

// UTF-16LE bytes of UTF-8 text (a character above U+FFFF as a surrogate pair; a malformed
// byte as U+FFFD).
TBytes StringToUtf16Bytes(std::string_view text);

// The message for a failed platform step, status in upper-case hex without leading zeros.
std::string TokenCryptoErrorMessage(TCryptoStep step, std::uint32_t status);

}  // namespace vantreel
