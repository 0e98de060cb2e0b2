// The answer to an auth challenge: SHA-256 over the challenge, the two key parts and the
// client's identity, masked and framed with two bytes of the client's clock.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "base/Bytes.h"
#include "crypto/Hex.h"  // BytesToHexLower

namespace vantreel {

// Prefix + Middle + Suffix, usually 100 characters. Raises "认证参数不完整" when an input is
// blank and "认证环境异常" when the environment check fails.
std::string ComputeAuthResponse(const std::string& timestamp, const std::string& random,
                                const std::string& clientType, const std::string& identifier);

// Milliseconds since 1970-01-01 00:00:00 UTC.
std::int64_t GetUnixTimeMs();

// The first 4 characters of `random`, then T mod 256 as two hex digits; lower-cased.
std::string BuildResponsePrefix(std::string_view random, std::int64_t timeMs);
// (T div 256) mod 256 as two hex digits, then the last 4 characters of `timestamp`;
// lower-cased.
std::string BuildResponseSuffix(std::string_view timestamp, std::int64_t timeMs);
// Base64 of the 64 characters of `digestHex`, each XORed with the code of the second
// character of `suffix`.
std::string MaskDigestHex(std::string_view digestHex, std::string_view suffix);

// The key parts K1 (11 characters) and K2 (22), assembled from their stored runs. The
// caller wipes them with WipeString.
std::string GetAuthKeyPart1();
std::string GetAuthKeyPart2();

// Restores a key part: runA then runB, each byte XORed with `key`. The runs pass through a
// working buffer shifted by a clock-derived mask and interleaved with filler bytes; neither
// reaches the result.
std::string UnscrambleKeyPart(TByteView runA, TByteView runB, std::uint8_t key);
// The same with the mask given (0..15) instead of read from the clock.
std::string UnscrambleKeyPartWithMask(TByteView runA, TByteView runB, std::uint8_t key, std::uint8_t mask);

}  // namespace vantreel
