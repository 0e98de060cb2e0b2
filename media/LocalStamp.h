// The "yyyymmdd_hhnnss" stamp that both media services put into generated file names.
#pragma once

#include <cstdint>
#include <string>

namespace vantreel {

// `secondsSinceEpoch` in the computer's local time. Throws std::runtime_error when the
// moment cannot be represented as a calendar date.
std::string FormatLocalStamp(std::int64_t secondsSinceEpoch);

// The current moment.
std::int64_t CurrentSecondsSinceEpoch();

}  // namespace vantreel
