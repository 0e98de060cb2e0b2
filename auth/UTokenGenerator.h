// Tokens: the identifier's UTF-8 bytes under AES-256-CBC (PKCS #7), key and IV derived
// from the auth seed, in Base64. One identifier always gives the same token.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "base/Bytes.h"
#include "platform/PlatformCrypto.h"

namespace vantreel {

// Raises std::runtime_error with a "[TOKEN_GEN] ..." message on every failure.
std::string GenerateToken(const std::string& identifier);

// AES-256-CBC with PKCS #7 padding through the platform's cryptography; a failed step
// raises its "[TOKEN_GEN] ... failed: 0x%X" message.
TBytes AesCbcEncrypt(ByteView plain, ByteView key, ByteView iv);

// UTF-16LE bytes of UTF-8 text (a character above U+FFFF as a surrogate pair; a malformed
// byte as U+FFFD).
TBytes StringToUtf16Bytes(std::string_view text);

// The message for a failed platform step, status in upper-case hex without leading zeros.
std::string TokenCryptoErrorMessage(TCryptoStep step, std::uint32_t status);

}  // namespace vantreel
