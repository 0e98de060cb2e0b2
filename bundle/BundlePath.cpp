#include "bundle/BundlePath.h"

#include <algorithm>
#include <array>
#include <utility>

#include "base/AsciiText.h"
#include "bundle/BundleOrigin.h"

namespace vantreel {
namespace {


}  // namespace

std::string NormalizeBundlePath(std::string_view text) {
  // One copy, then only cuts in place: a lookup per request stays a few passes over the URL.
  std::string path(text);
  for (char& c : path) {
    if (c == '\\') c = '/';
  }
  std::size_t begin = 0;
  std::size_t end = path.size();
  if (path.find("://") != std::string::npos) {
    if (StartsWithIgnoringAsciiCase(path, kBundleOriginPrefix)) {
      begin = kBundleOriginPrefix.size();
    } else {
      path = "/";
      end = 1;
    }
  }
  if (begin < end && path[begin] == '/') ++begin;
  const std::string_view rest(path.data() + begin, end - begin);
  end = begin + std::min(rest.find('?'), rest.size());
  end = begin + std::min(std::string_view(path.data() + begin, end - begin).find('#'), end - begin);
  if (begin == end) return "index.html";

  path.erase(end);
  path.erase(0, begin);
  for (char& c : path) c = AsciiLower(c);
  return path;
}

std::string_view MimeTypeForPath(std::string_view path) {
  static constexpr std::array<std::pair<std::string_view, std::string_view>, 16> kTypes{{
      {".html", "text/html; charset=utf-8"},
      {".htm", "text/html; charset=utf-8"},
      {".js", "application/javascript; charset=utf-8"},
      {".css", "text/css; charset=utf-8"},
      {".json", "application/json; charset=utf-8"},
      {".svg", "image/svg+xml"},
      {".png", "image/png"},
      {".jpg", "image/jpeg"},
      {".jpeg", "image/jpeg"},
      {".gif", "image/gif"},
      {".webp", "image/webp"},
      {".ico", "image/x-icon"},
      {".woff2", "font/woff2"},
      {".woff", "font/woff"},
      {".ttf", "font/ttf"},
      {".map", "application/json; charset=utf-8"},
  }};
  constexpr std::string_view kUnknown = "application/octet-stream";

  const std::size_t dot = path.rfind('.');
  if (dot == std::string_view::npos) return kUnknown;
  const std::string_view extension = path.substr(dot);
  if (extension.find_first_of(":\\") != std::string_view::npos) return kUnknown;
  for (const auto& [known, type] : kTypes) {
    if (known.size() == extension.size() && StartsWithIgnoringAsciiCase(extension, known)) return type;
  }
  return kUnknown;
}

}  // namespace vantreel
