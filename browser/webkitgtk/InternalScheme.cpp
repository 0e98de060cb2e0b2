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

std::optional<std::string> ToInternalUri(std::string_view httpsUri) {
  return SwapScheme(httpsUri, "https", kInternalScheme);
}

std::optional<std::string> FromInternalUri(std::string_view uri) {
  return SwapScheme(uri, kInternalScheme, "https");
}

}  // namespace vantreel::webkitgtk
