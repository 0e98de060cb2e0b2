#include "bundle/BundlePath.h"

#include <gtest/gtest.h>

#include "bundle/BundleOrigin.h"

namespace vantreel {
namespace {

TEST(NormalizeBundlePathTest, MakesMapKeysFromEntryNamesAndUrls) {
  const std::string origin(kBundleOriginPrefix);
  const std::pair<std::string, std::string> cases[] = {
      // entry names
      {"Assets\\Logo.PNG", "assets/logo.png"},
      {"/index.html", "index.html"},
      {"assets/", "assets/"},  // a directory keeps its slash, so loading can skip it
      {"", "index.html"},
      {"/", "index.html"},
      {"evil://x/y.js", "index.html"},
      {"\\\\server\\share.js", "/server/share.js"},  // only one leading separator goes
      {"a:\\/b", "index.html"},                      // "\" turned "/" first makes "://"
      // request URLs
      {origin, "index.html"},
      {origin + "index.html", "index.html"},
      {origin + "Assets/App.JS?v=3#top", "assets/app.js"},
      {"HTTPS://APP.VANTREEL.INVALID/Page.html", "page.html"},
      {origin + "?q=1", "index.html"},
      {origin + "#frag?x", "index.html"},
      {origin + "a#b?c", "a"},
      {"https://example.com/app.js", "index.html"},
      {"https://app.vantreel.invalid.example.com/x.js", "index.html"},
      {"//two/slashes.js", "/two/slashes.js"},
      {origin + "/double.js", "double.js"},
      {"my%20file.png", "my%20file.png"},        // escapes stay as they are
      {"../../etc/passwd", "../../etc/passwd"},  // dot segments stay: keys never reach a disk
      {"ÄBC.JS", "Äbc.js"},                      // only A-Z are lower-cased
  };
  for (const auto& [input, key] : cases) EXPECT_EQ(NormalizeBundlePath(input), key) << input;
}

TEST(MimeTypeForPathTest, ChoosesByLastExtension) {
  const std::pair<const char*, const char*> cases[] = {
      {"index.html", "text/html; charset=utf-8"},
      {"PAGE.HTML", "text/html; charset=utf-8"},
      {"old.htm", "text/html; charset=utf-8"},
      {"assets/app.js", "application/javascript; charset=utf-8"},
      {"a.css", "text/css; charset=utf-8"},
      {"data.json", "application/json; charset=utf-8"},
      {"app.js.map", "application/json; charset=utf-8"},
      {"i.svg", "image/svg+xml"},
      {"i.png", "image/png"},
      {"i.jpg", "image/jpeg"},
      {"i.jpeg", "image/jpeg"},
      {"i.gif", "image/gif"},
      {"i.webp", "image/webp"},
      {"favicon.ico", "image/x-icon"},
      {"f.woff2", "font/woff2"},
      {"f.woff", "font/woff"},
      {"f.ttf", "font/ttf"},
      {"archive.tar.gz", "application/octet-stream"},
      {"docs.old/readme", "application/octet-stream"},  // the extension is ".old/readme"
      {"docs.html/readme", "application/octet-stream"},
      {"noextension", "application/octet-stream"},
      {"x.js:stream", "application/octet-stream"},
      {"x.js\\y", "application/octet-stream"},
      {".js", "application/javascript; charset=utf-8"},
      {"", "application/octet-stream"},
  };
  for (const auto& [path, type] : cases) EXPECT_EQ(MimeTypeForPath(path), type) << path;
}

}  // namespace
}  // namespace vantreel
