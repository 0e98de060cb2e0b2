#include "media/LocalStamp.h"

#include <chrono>
#include <cstdio>
#include <ctime>
#include <limits>
#include <stdexcept>

namespace vantreel {

std::string FormatLocalStamp(std::int64_t secondsSinceEpoch) {
  if (secondsSinceEpoch < std::numeric_limits<std::time_t>::min() ||
      secondsSinceEpoch > std::numeric_limits<std::time_t>::max()) {
    throw std::runtime_error("时间戳超出范围");
  }
  const std::time_t moment = static_cast<std::time_t>(secondsSinceEpoch);
  // std::localtime rereads TZ on every call (localtime_r need not); only the UI thread calls.
  const std::tm* local = std::localtime(&moment);
  if (local == nullptr) throw std::runtime_error("时间戳超出范围");
  char text[64];
  std::snprintf(text, sizeof text, "%04lld%02d%02d_%02d%02d%02d", static_cast<long long>(local->tm_year) + 1900,
                local->tm_mon + 1, local->tm_mday, local->tm_hour, local->tm_min, local->tm_sec);
  return text;
}

namespace {
std::optional<std::int64_t> gHeldClock;
}  // namespace

void SetCurrentSecondsForTesting(std::optional<std::int64_t> secondsSinceEpoch) { gHeldClock = secondsSinceEpoch; }

std::int64_t CurrentSecondsSinceEpoch() {
  if (gHeldClock) return *gHeldClock;
  return std::chrono::duration_cast<std::chrono::seconds>(std::chrono::system_clock::now().time_since_epoch())
      .count();
}

}  // namespace vantreel
