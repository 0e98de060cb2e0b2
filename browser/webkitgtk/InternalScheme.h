// What the host and the web-process extension agree on: the internal scheme to which the
// extension moves requests for a filtered https origin, and the message that carries the
// filter patterns. Plain C++ so that both sides compile it without each other's headers.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "browser/UriPattern.h"

namespace vantreel::webkitgtk {

// Registered secure and CORS-enabled on the host; never seen by the page as its origin.
inline constexpr std::string_view kInternalScheme = "vantreel-app";
// User message to every web process: parameters "as", the filter patterns registered so far.
inline constexpr std::string_view kFiltersMessage = "vantreel.filters";

using ::vantreel::UriMatchesPattern;

// "https://host/p?q" -> "vantreel-app://host/p?q"; nothing for any other scheme.
std::optional<std::string> ToInternalUri(std::string_view httpsUri);
// The inverse; nothing when `uri` is not of the internal scheme.
std::optional<std::string> FromInternalUri(std::string_view uri);

}  // namespace vantreel::webkitgtk
