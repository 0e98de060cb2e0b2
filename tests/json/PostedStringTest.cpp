#include "json/PostedString.h"

#include <gtest/gtest.h>

#include <string>

namespace vantreel {
namespace {

TEST(UnwrapPostedString, StringLiteralsLoseQuotesAndQuoteBackslashEscapesOnly) {
  struct Case {
    const char* json;
    const char* text;
  } cases[] = {
      {R"({"type":"x","requestId":"1"})", R"({"type":"x","requestId":"1"})"},  // an object: unchanged
      {R"("{\"type\":\"x\"}")", R"({"type":"x"})"},                            // a posted string
      {R"("")", ""},                                                           // empty string
      {R"("\"")", R"(")"},
      {R"("a\\b")", R"(a\b)"},
      {R"("\\\"")", R"(\")"},                // backslash then quote
      {R"("\\\\\"")", R"(\\")"},
      {R"("line\nbreak\t\/\u00e9")", R"(line\nbreak\t\/\u00e9)"},  // other escapes stay escaped
      {R"("\\n")", R"(\n)"},
      {"42", "42"},
      {"true", "true"},
      {"null", "null"},
      {R"(")", R"(")"},      // one character is no literal
      {R"("abc)", R"("abc)"},
      {R"(["a"])", R"(["a"])"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(UnwrapPostedString(c.json), c.text) << c.json;
  }
}

}  // namespace
}  // namespace vantreel
