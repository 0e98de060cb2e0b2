#include "base/AsciiText.h"
#include "browser/webview2/NavigationPolicy.h"

#include <algorithm>
#include <cstddef>

namespace vantreel::webview2 {
namespace {

}  // namespace

void TNavigationPolicy::AddFilter(std::string pattern) {
  if (std::find(FFilters.begin(), FFilters.end(), pattern) == FFilters.end()) FFilters.push_back(std::move(pattern));
}

bool TNavigationPolicy::AllowsTopNavigation(std::string_view uri) const {
  return IsOurs(uri) && IsDocumentUri(uri);
}

bool TNavigationPolicy::IsOurs(std::string_view uri) const {
  // A user name or password in the URL could make a foreign host read like ours to a
  // careless matcher; ours never carry one.
  const std::size_t authority = uri.find("://");
  if (authority != std::string_view::npos) {
    const std::size_t end = uri.find_first_of("/?#", authority + 3);
    if (uri.substr(authority + 3, end - authority - 3).find('@') != std::string_view::npos) return false;
  }
  return std::any_of(FFilters.begin(), FFilters.end(),
                     [uri](const std::string& pattern) { return UriMatchesPattern(uri, pattern); });
}

bool TNavigationPolicy::AllowsFrameNavigation(std::string_view uri) const {
  return EqualsIgnoringAsciiCase(uri, "about:blank") || EqualsIgnoringAsciiCase(uri, "about:srcdoc") ||
         IsOurs(uri);
}

}  // namespace vantreel::webview2
