#include "browser/webview2/NavigationPolicy.h"

#include <algorithm>
#include <cstddef>

namespace vantreel::webview2 {
namespace {

char LowerAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() &&
         std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return LowerAscii(x) == LowerAscii(y); });
}

}  // namespace

void TNavigationPolicy::AddFilter(std::string pattern) {
  if (std::find(FFilters.begin(), FFilters.end(), pattern) == FFilters.end()) FFilters.push_back(std::move(pattern));
}

bool TNavigationPolicy::AllowsTopNavigation(std::string_view uri) const {
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
  return EqualsIgnoringCase(uri, "about:blank") || EqualsIgnoringCase(uri, "about:srcdoc") ||
         AllowsTopNavigation(uri);
}

}  // namespace vantreel::webview2
