#include "auth/EnvironmentCheck.h"

#include <atomic>

namespace vantreel {
namespace {
// -1: no override; 0 / 1: forced result.
std::atomic<int> gForced{-1};
}  // namespace

bool IsEnvironmentAcceptable() {
  const int forced = gForced.load();
  if (forced >= 0) return forced == 1;
  return !IsDebuggerAttached() && !IsForeignCodeLoaded();
}

void SetEnvironmentCheckResultForTesting(std::optional<bool> result) {
  gForced.store(result ? (*result ? 1 : 0) : -1);
}

}  // namespace vantreel
