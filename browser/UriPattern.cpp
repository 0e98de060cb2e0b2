#include "base/AsciiText.h"
#include "browser/UriPattern.h"

#include <cstddef>

namespace vantreel {
namespace {


}  // namespace

bool IsDocumentUri(std::string_view uri) {
  std::string_view path = uri.substr(0, uri.find_first_of("?#"));
  if (const std::size_t scheme = path.find("://"); scheme != std::string_view::npos) {
    path.remove_prefix(scheme + 3);
    const std::size_t slash = path.find('/');
    path = slash == std::string_view::npos ? std::string_view() : path.substr(slash);
  }
  // Either separator: WebView2 hands over what the page wrote.
  const std::size_t lastSeparator = path.find_last_of("/\\");
  const std::string_view name = lastSeparator == std::string_view::npos ? path : path.substr(lastSeparator + 1);
  // An escaped dot or separator would hide the real extension from this test but not from the
  // server; the origin's documents never carry escapes.
  if (name.find('%') != std::string_view::npos) return false;
  const std::size_t dot = name.rfind('.');
  if (dot == std::string_view::npos) return true;
  const std::string_view extension = name.substr(dot + 1);
  return EqualsIgnoringAsciiCase(extension, "html") || EqualsIgnoringAsciiCase(extension, "htm");
}

bool UriMatchesPattern(std::string_view uri, std::string_view pattern) {
  // Iterative glob with one backtrack point: linear in practice, never exponential.
  std::size_t u = 0, p = 0;
  std::size_t starP = std::string_view::npos, starU = 0;
  while (u < uri.size()) {
    if (p < pattern.size() && (pattern[p] == '?' || AsciiLower(pattern[p]) == AsciiLower(uri[u]))) {
      ++u;
      ++p;
    } else if (p < pattern.size() && pattern[p] == '*') {
      starP = p++;
      starU = u;
    } else if (starP != std::string_view::npos) {
      p = starP + 1;
      u = ++starU;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == '*') ++p;
  return p == pattern.size();
}

}  // namespace vantreel
