#include "base/AsciiText.h"
#include "browser/webkitgtk/InternalScheme.h"

#include <cstddef>

namespace vantreel::webkitgtk {
namespace {

std::optional<std::string> SwapScheme(std::string_view uri, std::string_view from, std::string_view to) {
  const std::string prefix = std::string(from) + "://";
  if (!StartsWithIgnoringAsciiCase(uri, prefix)) return std::nullopt;
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
