// The resource filters' wildcard match, shared by both browser backends and the web-process
// extension, so that what counts as "ours" is decided the same way everywhere.
#pragma once

#include <string_view>

namespace vantreel {

// '*' any run of characters, '?' one character. ASCII case is ignored because scheme and host
// are case-insensitive and the browsers lower-case them anyway.
bool UriMatchesPattern(std::string_view uri, std::string_view pattern);

}  // namespace vantreel
