#include "json/JsonWriter.h"

#include <gtest/gtest.h>

#include "json/JsonReader.h"

namespace vantreel {
namespace {

TEST(JsonWriter, EscapesTheEightCharactersAndTheOtherControls) {
  struct Case {
    std::string value;
    std::string written;
  } cases[] = {
      {"\"\\/\b\t\n\f\r", R"("\"\\\/\b\t\n\f\r")"},
      {"https://a.b/c", R"("https:\/\/a.b\/c")"},
      // Other controls as \u00XX, so that the page's JSON.parse takes the reply; DEL is no control.
      {std::string("\x01\x0b\x1f\x7f", 4), "\"\\u0001\\u000b\\u001f\x7f\""},
      {std::string("a\0b", 3), R"("a\u0000b")"},
      {"é中\xF0\x9F\x98\x80 \xE2\x80\xA8", "\"é中\xF0\x9F\x98\x80 \xE2\x80\xA8\""},  // non-ASCII unchanged
      {"", "\"\""},
  };
  for (const auto& c : cases) {
    std::string out;
    AppendJsonString(out, c.value);
    EXPECT_EQ(out, c.written);
  }
}

TEST(JsonWriter, MembersInInsertionOrderWithoutWhitespace) {
  TJsonWriter writer;
  writer.AddString("type", "t").AddString("requestId", "7").AddBool("ok", true).AddBool("no", false).AddInt64("n", -42);
  TJsonArrayWriter array;
  array.AddRaw("1").AddRaw(R"("x")");
  writer.AddRaw("list", array.Finish());
  writer.BeginString("data").append("QUJD");
  writer.EndString();
  EXPECT_EQ(writer.Finish(), R"({"type":"t","requestId":"7","ok":true,"no":false,"n":-42,"list":[1,"x"],"data":"QUJD"})");
  EXPECT_EQ(TJsonWriter().Finish(), "{}");
  EXPECT_EQ(TJsonArrayWriter().Finish(), "[]");
}

// Every ASCII character, NUL and the controls included, and multi-byte characters come back
// from the reader as written.
TEST(JsonWriter, ReaderRoundTrip) {
  std::string value = "é中\xF0\x9F\x98\x80";
  for (int c = 0; c < 0x80; ++c) value.push_back(static_cast<char>(c));
  TJsonWriter writer;
  writer.AddString("v", value);
  const std::string text = writer.Finish();
  TJsonDocument doc;
  ASSERT_TRUE(doc.Parse(text)) << text;
  EXPECT_EQ(doc.Root().Member("v").Text(), value);
}

}  // namespace
}  // namespace vantreel
