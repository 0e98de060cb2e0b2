// The auth seed: 45 printable ASCII characters shared with the service, kept only in
// scrambled parts and assembled afresh for each use.
#pragma once

#include <cstdint>
#include <string>

#include "base/Bytes.h"

namespace vantreel {

// The complete "auth_seed_response" reply. Raises nothing of its own: a failed environment
// check or an invalid seed give "ok" false with "error" "seed_invalid".
std::string BuildAuthSeedResponse(const std::string& requestId);

// Assembles the seed from its three stored parts. The caller wipes it with WipeString.
// Empty when the environment check fails, which no valid seed is.
std::string GetAuthSeed();

// Exactly 45 characters, each with a code from 32 to 126.
bool IsValidAuthSeed(const std::string& seed);

// Character i = ((stored byte i XOR key) - (i mod 8)) mod 256, as UTF-8.
std::string UnscrambleSeedPart(TByteView part, std::uint8_t key);

}  // namespace vantreel
