// The debugger-output channel: one diagnostic line per call. The line carries no time
// stamp and no line end; the backend adds what its channel needs (stderr: a newline).
#pragma once

#include <functional>
#include <string_view>

namespace vantreel {

void OutputDebugLine(std::string_view line);

// Tests capture the lines instead of the channel. Pass an empty function to restore it.
void SetDebugOutputSinkForTesting(std::function<void(std::string_view)> sink);

}  // namespace vantreel
