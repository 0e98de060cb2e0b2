#include "platform/LocalTime.h"

namespace vantreel {

std::tm LocalTimeOf(std::time_t moment) {
  std::tm local{};
  localtime_r(&moment, &local);
  return local;
}

}  // namespace vantreel
