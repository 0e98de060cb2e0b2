// The "yyyymmdd_hhnnss" stamp that both media services put into generated file names.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace vantreel {

// `secondsSinceEpoch` in the computer's local time. Throws std::runtime_error when the
// moment cannot be represented as a calendar date.
std::string FormatLocalStamp(std::int64_t secondsSinceEpoch);

// The current moment.
std::int64_t CurrentSecondsSinceEpoch();

// Tests hold the clock still at a moment of their choosing; nullopt lets it run again.
void SetCurrentSecondsForTesting(std::optional<std::int64_t> secondsSinceEpoch);

}  // namespace vantreel
