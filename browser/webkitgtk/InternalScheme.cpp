#include "browser/webkitgtk/InternalScheme.h"

#include <cstddef>

namespace vantreel::webkitgtk {
namespace {

char LowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
  if (text.size() < prefix.size()) return false;
  for (std::size_t i = 0; i < prefix.size(); ++i)
    if (LowerAscii(text[i]) != LowerAscii(prefix[i])) return false;
  return true;
}

std::optional<std::string> SwapScheme(std::string_view uri, std::string_view from, std::string_view to) {
  const std::string prefix = std::string(from) + "://";
  if (!StartsWithNoCase(uri, prefix)) return std::nullopt;
  std::string result(to);
  result += "://";
  result += uri.substr(prefix.size());
  return result;
}

}  // namespace

bool UriMatchesPattern(std::string_view uri, std::string_view pattern) {
  // Iterative glob with one backtrack point: linear in practice, never exponential.
  std::size_t u = 0, p = 0;
  std::size_t starP = std::string_view::npos, starU = 0;
  while (u < uri.size()) {
    if (p < pattern.size() && (pattern[p] == '?' || LowerAscii(pattern[p]) == LowerAscii(uri[u]))) {
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

std::optional<std::string> ToInternalUri(std::string_view httpsUri) {
  return SwapScheme(httpsUri, "https", kInternalScheme);
}

std::optional<std::string> FromInternalUri(std::string_view uri) {
  return SwapScheme(uri, kInternalScheme, "https");
}

}  // namespace vantreel::webkitgtk
