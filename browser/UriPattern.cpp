#include "base/AsciiText.h"
#include "browser/UriPattern.h"

#include <cstddef>

namespace vantreel {
namespace {


}  // namespace

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
