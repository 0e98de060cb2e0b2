// Filter-pattern matching and the move between the https origin and the internal scheme,
// shared by the host and the web-process extension.
#include <gtest/gtest.h>

#include "browser/UriPattern.h"
#include "browser/webkitgtk/BrowserKeys.h"
#include "browser/webkitgtk/InternalScheme.h"

namespace vantreel::webkitgtk {
namespace {

TEST(UriMatchesPattern, WildcardsAsWebView2Reads) {
  struct TCase {
    const char* uri;
    const char* pattern;
    bool match;
  };
  const TCase cases[] = {
      {"https://app.vantreel.invalid/", "https://app.vantreel.invalid/*", true},
      {"https://app.vantreel.invalid/a/b.js?x=1#f", "https://app.vantreel.invalid/*", true},
      {"HTTPS://APP.Vantreel.invalid/x", "https://app.vantreel.invalid/*", true},
      {"https://app.vantreel.invalid", "https://app.vantreel.invalid/*", false},
      {"https://app.vantreel.invalid.evil.test/", "https://app.vantreel.invalid/*", false},
      {"http://app.vantreel.invalid/", "https://app.vantreel.invalid/*", false},
      {"https://other.invalid/https://app.vantreel.invalid/", "https://app.vantreel.invalid/*", false},
      {"https://a.test/x1y", "https://a.test/x?y", true},
      {"https://a.test/xy", "https://a.test/x?y", false},
      {"https://a.test/aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaab", "*a*a*a*a*a*a*a*a*a*c", false},
      {"", "*", true},
  };
  for (const auto& c : cases) EXPECT_EQ(UriMatchesPattern(c.uri, c.pattern), c.match) << c.uri << " ~ " << c.pattern;
}

TEST(IsDocumentUri, OnlyPagesAndExtensionlessPaths) {
  const struct {
    const char* uri;
    bool document;
  } cases[] = {
      {"https://app.vantreel.invalid/", true},
      {"https://app.vantreel.invalid", true},
      {"https://app.vantreel.invalid/index.html", true},
      {"https://app.vantreel.invalid/Page.HTM?x=1.js#y.css", true},
      {"https://app.vantreel.invalid/screens/photos", true},
      {"https://app.vantreel.invalid/js/main.js", false},
      {"https://app.vantreel.invalid/js/main.js?v=1", false},
      {"https://app.vantreel.invalid/css/app.css#top", false},
      {"https://app.vantreel.invalid/img/logo.svg", false},
      {"https://app.vantreel.invalid/img/logo.SVG", false},
      {"https://app.vantreel.invalid/data.json", false},
      {"https://app.vantreel.invalid/index.html.js", false},
      {"https://app.vantreel.invalid/a.html/b.js", false},
      {"https://app.vantreel.invalid/js\\main.js", false},
      {"https://app.vantreel.invalid/x.", false},
      {"https://app.vantreel.invalid/dir.d/page", true},
      {"https://app.vantreel.invalid/page.xhtml", false},
      {"https://app.vantreel.invalid/js/main%2Ejs", false},
      {"https://app.vantreel.invalid/index%2ehtml", false},
  };
  for (const auto& c : cases) EXPECT_EQ(IsDocumentUri(c.uri), c.document) << c.uri;
}

TEST(InternalUri, MovesOnlyHttpsAndBack) {
  EXPECT_EQ(ToInternalUri("https://app.vantreel.invalid/a?b#c"), "vantreel-app://app.vantreel.invalid/a?b#c");
  EXPECT_EQ(FromInternalUri("vantreel-app://app.vantreel.invalid/a?b#c"), "https://app.vantreel.invalid/a?b#c");
  EXPECT_EQ(ToInternalUri("http://app.vantreel.invalid/"), std::nullopt);
  EXPECT_EQ(ToInternalUri("httpsx://app/"), std::nullopt);
  EXPECT_EQ(FromInternalUri("https://app.vantreel.invalid/"), std::nullopt);
}

TEST(BrowserAcceleratorKeys, BrowserActionsButNotEditing) {
  const auto ctrl = GDK_CONTROL_MASK;
  const auto ctrlShift = static_cast<GdkModifierType>(GDK_CONTROL_MASK | GDK_SHIFT_MASK);
  const auto none = static_cast<GdkModifierType>(0);
  EXPECT_TRUE(IsBrowserAcceleratorKey(GDK_KEY_F5, none));
  EXPECT_TRUE(IsBrowserAcceleratorKey(GDK_KEY_F12, none));
  EXPECT_TRUE(IsBrowserAcceleratorKey(GDK_KEY_r, ctrl));
  EXPECT_TRUE(IsBrowserAcceleratorKey(GDK_KEY_I, ctrlShift));
  EXPECT_TRUE(IsBrowserAcceleratorKey(GDK_KEY_p, ctrl));
  EXPECT_TRUE(IsBrowserAcceleratorKey(GDK_KEY_f, ctrl));
  EXPECT_TRUE(IsBrowserAcceleratorKey(GDK_KEY_u, ctrl));
  EXPECT_TRUE(IsBrowserAcceleratorKey(GDK_KEY_Left, GDK_MOD1_MASK));
  EXPECT_FALSE(IsBrowserAcceleratorKey(GDK_KEY_c, ctrl));
  EXPECT_FALSE(IsBrowserAcceleratorKey(GDK_KEY_v, ctrl));
  EXPECT_FALSE(IsBrowserAcceleratorKey(GDK_KEY_a, ctrl));
  EXPECT_FALSE(IsBrowserAcceleratorKey(GDK_KEY_z, ctrl));
  EXPECT_FALSE(IsBrowserAcceleratorKey(GDK_KEY_r, none));
  EXPECT_FALSE(IsBrowserAcceleratorKey(GDK_KEY_Left, none));
}

}  // namespace
}  // namespace vantreel::webkitgtk
