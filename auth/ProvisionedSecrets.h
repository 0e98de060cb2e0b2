// The scrambled stored forms of the auth seed and the two key parts. The build generates
// their values from a provisioning file (tools/provisioning/), so no plain secret is in
// any compiled source.
#pragma once

#include <cstdint>

#include "base/Bytes.h"

namespace vantreel {

struct TStoredSeedPart {
  TByteView bytes;  // 15 bytes in a product build
  std::uint8_t key;
};

struct TStoredKeyPart {
  TByteView runA;
  TByteView runB;
  std::uint8_t key;
};

struct TProvisionedSecrets {
  TStoredSeedPart seedParts[3];
  TStoredKeyPart keyPart1;  // K1: runs of 5 and 6 bytes
  TStoredKeyPart keyPart2;  // K2: runs of 11 and 11 bytes
};

// The generated source of the build's provisioning file defines this.
extern const TProvisionedSecrets kBuildProvisionedSecrets;

const TProvisionedSecrets& ProvisionedSecrets();

// Tests substitute other stored forms (nullptr restores the build's). The product never
// calls it.
void SetProvisionedSecretsForTesting(const TProvisionedSecrets* secrets);

}  // namespace vantreel
