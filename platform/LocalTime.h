// Calendar time in the user's time zone; unlike std::localtime, safe on any thread.
#pragma once

#include <ctime>

namespace vantreel {

std::tm LocalTimeOf(std::time_t moment);

}  // namespace vantreel
