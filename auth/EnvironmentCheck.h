// The environment check that the authentication services run before they assemble any key
// material: false when a debugger is attached to the process or code is loaded into it that
// is neither the system's nor ours.
#pragma once

#include <optional>

namespace vantreel {

bool IsEnvironmentAcceptable();

// Tests force the result (std::nullopt restores the real check). The product never calls it.
void SetEnvironmentCheckResultForTesting(std::optional<bool> result);

// One per platform backend.
bool IsDebuggerAttached();
bool IsForeignCodeLoaded();

}  // namespace vantreel
