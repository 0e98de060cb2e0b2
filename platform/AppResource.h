// The program's own embedded resources, looked up by name (e.g. "APP_WEB_ZIP").
#pragma once

#include <optional>
#include <string_view>

#include "base/Bytes.h"

namespace vantreel {

// The bytes stay valid for the life of the process; nothing is copied.
std::optional<TByteView> FindAppResource(std::string_view name);

}  // namespace vantreel
