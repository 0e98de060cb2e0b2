// The internal form of the origin is admitted exactly where a document's CSP admits 'self'.
#include <gtest/gtest.h>

#include "browser/webkitgtk/DocumentPolicy.h"

namespace vantreel::webkitgtk {
namespace {

TEST(AdmitInternalOrigin, OnlyInsideContentSecurityPolicyMeta) {
  const std::string o = "vantreel-app://h";
  struct TCase {
    std::string html;
    std::string expected;
  };
  const TCase cases[] = {
      {R"(<meta http-equiv="Content-Security-Policy" content="default-src 'self'; img-src 'self' data:">)",
       R"(<meta http-equiv="Content-Security-Policy" content="default-src 'self' vantreel-app://h; img-src 'self' vantreel-app://h data:">)"},
      {R"(<META CONTENT="script-src 'SELF'" HTTP-EQUIV=content-security-policy>)",
       R"(<META CONTENT="script-src 'SELF' vantreel-app://h" HTTP-EQUIV=content-security-policy>)"},
      {R"(<meta name="x" content="'self'"><p>'self'</p>)", R"(<meta name="x" content="'self'"><p>'self'</p>)"},
      {R"(<meta http-equiv="refresh" content="'self'">)", R"(<meta http-equiv="refresh" content="'self'">)"},
      {R"(<meta http-equiv='Content-Security-Policy' content='default-src *'>x 'self')",
       R"(<meta http-equiv='Content-Security-Policy' content='default-src *'>x 'self')"},
      {"<meta http-equiv=\"Content-Security-Policy\" content=\"'self'", "<meta http-equiv=\"Content-Security-Policy\" content=\"'self'"},
      {"", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(AdmitInternalOrigin(c.html, o), c.expected) << c.html;
}

// A header's policy cannot end the attribute it is put in or open markup.
TEST(AddPolicy, ThePolicyStaysInsideItsAttribute) {
  EXPECT_EQ(AddPolicy("<head></head>", "default-src 'self'"),
            R"(<head><meta http-equiv="Content-Security-Policy" content="default-src 'self'"></head>)");
  EXPECT_EQ(AddPolicy("<head></head>", R"(a"><script>x</script>&)"),
            R"(<head><meta http-equiv="Content-Security-Policy" content="a&quot;&gt;&lt;script&gt;x&lt;/script&gt;&amp;"></head>)");
}

TEST(ForbidFrames, PolicyOpensTheHeadAndNeverPrecedesTheDoctype) {
  const std::string m = R"(<meta http-equiv="Content-Security-Policy" content="frame-src 'none'; child-src 'none'; object-src 'none'">)";
  struct TCase {
    std::string html;
    std::string expected;
  };
  const TCase cases[] = {
      {"<!doctype html><html><head><title>t</title></head>", "<!doctype html><html><head>" + m + "<title>t</title></head>"},
      {"<!DOCTYPE html>\n<HEAD lang=en><header>x</header>", "<!DOCTYPE html>\n<HEAD lang=en>" + m + "<header>x</header>"},
      {"<!doctype html><header>h</header><p>x", "<!doctype html>" + m + "<header>h</header><p>x"},
      {"  <!doctype html><p>x", "  <!doctype html>" + m + "<p>x"},
      {"\xef\xbb\xbf<!doctype html><p>x", "\xef\xbb\xbf<!doctype html>" + m + "<p>x"},
      {"<p>no doctype", m + "<p>no doctype"},
      {"", m},
  };
  for (const auto& c : cases) EXPECT_EQ(ForbidFrames(c.html), c.expected) << c.html;
}

}  // namespace
}  // namespace vantreel::webkitgtk
