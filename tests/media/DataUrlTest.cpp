#include "media/DataUrl.h"

#include <gtest/gtest.h>

#include <string>

namespace vantreel {
namespace {

std::string Decode(std::string_view data) {
  const TBytes bytes = DecodeDataUrl(data);
  return std::string(bytes.begin(), bytes.end());
}

TEST(DecodeDataUrl, DecodesAfterTheFirstCommaOrTheWholeTextAndNeverFails) {
  struct Case {
    const char* data;
    const char* bytes;
  } cases[] = {
      {"data:image/png;base64,aGVsbG8=", "hello"},
      {"aGVsbG8=", "hello"},                          // no comma: the whole text
      {"data:image/png;base64,", ""},                 // a header alone
      {"", ""},
      {"whatever header,aGVs,bG8=", "hello"},         // later commas are skipped like any stray character
      {"aGVs\r\nbG8", "hello"},                       // line breaks and missing padding
      {"a G V s b G 8 = = =", "hello"},               // blanks and extra padding skipped
      {"aGVsbG8*!#-_", "hello"},                      // URL-safe "-_" are outside the alphabet
      {"aGVsbG8h/+8=", "hello!\xff\xef"},
      {"QQ", "A"},                                    // leftover bits dropped
      {"Q", ""},
  };
  for (const Case& c : cases) EXPECT_EQ(Decode(c.data), c.bytes) << c.data;
}

}  // namespace
}  // namespace vantreel
