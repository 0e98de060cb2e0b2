// The resource filters' wildcard match, shared by both browser backends and the web-process
// extension, so that what counts as "ours" is decided the same way everywhere.
#pragma once

#include <string_view>

namespace vantreel {

// '*' any run of characters, '?' one character. ASCII case is ignored because scheme and host
// are case-insensitive and the browsers lower-case them anyway.
bool UriMatchesPattern(std::string_view uri, std::string_view pattern);

// Whether a URL may become the top document, told from the URL alone (all that WebView2's
// NavigationStarting sees): its last path segment, without query and fragment, has no
// extension or ends in ".html" or ".htm". A script, style sheet, image (SVG included, which
// can run script), JSON or any other file of the origin is never shown as the window's page.
bool IsDocumentUri(std::string_view uri);

}  // namespace vantreel
