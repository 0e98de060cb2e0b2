#include "auth/ProvisionedSecrets.h"

#include <atomic>

namespace vantreel {
namespace {
std::atomic<const TProvisionedSecrets*> gOverride{nullptr};
}  // namespace

const TProvisionedSecrets& ProvisionedSecrets() {
  const TProvisionedSecrets* secrets = gOverride.load();
  return secrets ? *secrets : kBuildProvisionedSecrets;
}

void SetProvisionedSecretsForTesting(const TProvisionedSecrets* secrets) { gOverride.store(secrets); }

}  // namespace vantreel
