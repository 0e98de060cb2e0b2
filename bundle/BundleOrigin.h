// The one https origin under which the web application is served. The host lies under a
// reserved top-level domain that no resolver answers, so a request that ever escaped the
// in-process answering could reach no server.
#pragma once

#include <string_view>

namespace vantreel {

inline constexpr std::string_view kBundleOrigin = "https://app.vantreel.invalid";
// The origin followed by "/": the prefix of every bundle URL and the entry URL itself.
inline constexpr std::string_view kBundleOriginPrefix = "https://app.vantreel.invalid/";

}  // namespace vantreel
