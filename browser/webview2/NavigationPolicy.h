// Which documents the browser may hold and who may talk to the bridge, decided on the URLs
// the runtime reports. Only the origins of the registered resource filters are ours: the page
// lives there, and anything else would be a door out of the application.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "browser/UriPattern.h"

namespace vantreel::webview2 {

using ::vantreel::UriMatchesPattern;

class TNavigationPolicy {
 public:
  void AddFilter(std::string pattern);
  // The top document may only be one of ours, and a document: a script, style sheet or image
  // of the origin never becomes the page.
  bool AllowsTopNavigation(std::string_view uri) const;
  // A frame may also be empty (about:blank, about:srcdoc), which loads nothing from outside.
  bool AllowsFrameNavigation(std::string_view uri) const;
  // A web message counts only when its source is one of our documents.
  bool TrustsMessageSource(std::string_view source) const { return AllowsTopNavigation(source); }

 private:
  bool IsOurs(std::string_view uri) const;

  std::vector<std::string> FFilters;
};

}  // namespace vantreel::webview2
