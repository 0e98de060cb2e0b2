// SHA-256 (FIPS 180-4). The hardware path (x86 SHA-NI) is chosen once at run time;
// both paths give the same digest for every input.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

#include "base/Bytes.h"

namespace vantreel {

using TSha256Digest = std::array<std::uint8_t, 32>;

class TSha256 {
 public:
  TSha256();
  ~TSha256();  // wipes the state: callers hash secrets
  TSha256(const TSha256&) = delete;
  TSha256& operator=(const TSha256&) = delete;

  void Update(TByteView data);
  TSha256Digest Final();

 private:
  std::uint32_t FState[8];
  std::uint8_t FBuffer[64];
  std::size_t FBuffered = 0;
  std::uint64_t FTotal = 0;
};

TSha256Digest ComputeSha256(TByteView data);

// Whether this processor runs the hardware path.
bool Sha256HardwareAvailable();

// Tests only: force the portable path (true) or return to the automatic choice (false).
void SetSha256PortableForTesting(bool portable);

}  // namespace vantreel
