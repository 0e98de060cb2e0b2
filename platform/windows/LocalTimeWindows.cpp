#include "platform/LocalTime.h"

namespace vantreel {

std::tm LocalTimeOf(std::time_t moment) {
  std::tm local{};
  localtime_s(&local, &moment);
  return local;
}

}  // namespace vantreel
