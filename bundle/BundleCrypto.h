// The bundle's cryptographic steps, worded the way the bundle reports them: digest text,
// hexadecimal constants, PBKDF2-HMAC-SHA-256 and AES-256-CBC decryption through the
// platform library. A failed library call throws with the step's message and the
// library's status as "0x" and upper-case hexadecimal digits.
#pragma once

#include <string>
#include <string_view>

#include "base/Bytes.h"

namespace vantreel {

// SHA-256 of the bytes as 64 lower-case hexadecimal digits.
std::string Sha256Hex(TByteView data);

// Trims characters 0..32 at both ends, then reads pairs of hexadecimal digits (either case).
TBytes HexToBytes(std::string_view text);

// 32 bytes of PBKDF2-HMAC-SHA-256 over the UTF-8 bytes of `password`. The caller wipes the
// result; the password copy is wiped here on every path.
TBytes DeriveKeyPbkdf2Sha256(std::string_view password, TByteView salt, int iterations);

// AES-256-CBC with PKCS#7 padding removed. An empty ciphertext gives an empty result.
TBytes AesCbcDecrypt(TByteView cipherText, TByteView key, TByteView iv);

}  // namespace vantreel
