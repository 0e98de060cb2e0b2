#include "json/JsonReader.h"

#include <gtest/gtest.h>

#include <stdexcept>

#include "json/JsonFields.h"

namespace vantreel {
namespace {

bool Parses(std::string_view text) {
  TJsonDocument doc;
  return doc.Parse(text);
}

TEST(JsonReader, AcceptsExactlyOneWellFormedValue) {
  const std::string_view accepted[] = {
      "{}", "[]", " \t\r\n{ \"a\" : [ 1 , 2 ] }\n", "\"x\"", "0", "-0", "-12.50e+10", "1E-3", "true", "false", "null",
      R"([1,[2,{"a":[],"b":{}}],"c"])", R"("\"\\\/\b\f\n\r\t\u00e9\uD83D\uDE00")", "\"é中\xF0\x9F\x98\x80\x7F\"",
      R"("\u0000")", R"({"a":1,"a":2})", R"("\ud800")", R"("\udc00")", R"("\ud800\u0041")", R"("\ud800x")",
  };
  for (auto text : accepted) EXPECT_TRUE(Parses(text)) << text;

  const std::string_view refused[] = {
      "", " ", "{} {}", "{}x", "[1] [2]", "1 2", R"({"a":1,})", "[1,]", "[,1]", R"({"a"})", "{a:1}", "{'a':1}",
      R"({"a":1 "b":2})", "[1}", "{]", "\"abc", "01", "1.", ".5", "-", "+1", "1e", "0x10", "NaN", "Infinity", "tru",
      "nulll", "True", R"("\x")", R"("\u12G4")", R"("\u12")", R"("\ud800\u12")", "\"a\x01\"", "\"tab\there\"", "\"\xC0\xAF\"", "\"\xED\xA0\x80\"", "\"\xF4\x90\x80\x80\"",
      "\"\xE4\xB8\"", "\"\x80\"", "\"\xFF\"", "\xEF\xBB\xBF{}", std::string_view("{}\0", 3),
      std::string_view("\"a\0\"", 4), "/* c */ {}",
  };
  for (auto text : refused) EXPECT_FALSE(Parses(text)) << text;
}

// What JSON.stringify makes of half an emoji: each lone surrogate becomes U+FFFD.
TEST(JsonReader, LoneSurrogateEscapesDecodeToReplacementCharacter) {
  struct TCase {
    std::string_view json;
    std::string text;
  };
  const TCase cases[] = {
      {R"("\ud800")", "\xEF\xBF\xBD"},
      {R"("a\udc00b")", "a\xEF\xBF\xBD" "b"},
      {R"("\ud83d\ude00")", "\xF0\x9F\x98\x80"},
      {R"("\ud83d\u0041")", "\xEF\xBF\xBD" "A"},
      {R"("\ude00\ud83d")", "\xEF\xBF\xBD\xEF\xBF\xBD"},
      {R"("\ud83d\ud83d\ude00")", "\xEF\xBF\xBD\xF0\x9F\x98\x80"},
  };
  for (const auto& c : cases) {
    TJsonDocument doc;
    ASSERT_TRUE(doc.Parse(c.json)) << c.json;
    EXPECT_EQ(doc.Root().Text(), c.text) << c.json;
  }
}

TEST(JsonReader, NestingIsBoundedWithoutRecursion) {
  const auto nested = [](std::size_t depth) { return std::string(depth, '[') + std::string(depth, ']'); };
  EXPECT_TRUE(Parses(nested(kMaxJsonDepth)));
  EXPECT_FALSE(Parses(nested(kMaxJsonDepth + 1)));
  EXPECT_FALSE(Parses(std::string(1'000'000, '[')));
  EXPECT_FALSE(Parses(std::string(1'000'000, '{')));
}

TEST(JsonReader, MembersInOrderFirstOccurrenceWins) {
  TJsonDocument doc;
  ASSERT_TRUE(doc.Parse(R"({"type":"a","Type":"b","type":"c","\u0074ag":"d","n":{"type":"inner"}})"));
  const TJsonValue root = doc.Root();
  EXPECT_EQ(root.Member("type").Text(), "a");
  EXPECT_EQ(root.Member("Type").Text(), "b");
  EXPECT_EQ(root.Member("tag").Text(), "d");  // names compare decoded
  EXPECT_TRUE(root.Member("TYPE").IsAbsent());
  EXPECT_TRUE(root.Member("inner").IsAbsent());
  EXPECT_TRUE(root.Member("type").Member("x").IsAbsent());  // not an object
  EXPECT_EQ(root.Member("n").Member("type").Text(), "inner");

  std::vector<std::string> names;
  root.ForEachMember([&](const std::string& name, TJsonValue) { names.push_back(name); });
  EXPECT_EQ(names, (std::vector<std::string>{"type", "Type", "type", "tag", "n"}));
}

TEST(JsonReader, StringsDecodeAndNumbersKeepTheirText) {
  TJsonDocument doc;
  ASSERT_TRUE(doc.Parse(R"(["\"\\\/\b\f\n\r\t", "\u00e9\u4E2D\uD83D\uDE00", "\u0000x", "plain/é", 1.50, -0, 1E+2, 18446744073709551616])"));
  std::vector<std::string> texts;
  doc.Root().ForEachElement([&](TJsonValue v) { texts.push_back(v.Text()); });
  const std::vector<std::string> expected = {
      "\"\\/\b\f\n\r\t", "é中\xF0\x9F\x98\x80", std::string("\0x", 2), "plain/é", "1.50", "-0", "1E+2",
      "18446744073709551616"};
  EXPECT_EQ(texts, expected);
}

TEST(JsonReader, AFailedParseLeavesNoDocument) {
  TJsonDocument doc;
  ASSERT_TRUE(doc.Parse("{\"a\":1}"));
  EXPECT_FALSE(doc.Parse("{\"a\":1"));
  EXPECT_TRUE(doc.Root().IsAbsent());
}

TEST(JsonFields, GetJsonStringTable) {
  TJsonDocument doc;
  ASSERT_TRUE(doc.Parse(R"({"s":" a1 ","n":42,"f":1.50,"e":-1e5,"t":true,"f2":false,"z":null,"o":{},"a":[]})"));
  const TJsonValue root = doc.Root();
  struct Case {
    const char* name;
    const char* expected;
  } cases[] = {{"s", " a1 "}, {"n", "42"}, {"f", "1.50"}, {"e", "-1e5"}, {"t", "true"},
               {"f2", "false"}, {"z", "dflt"}, {"missing", "dflt"}};
  for (const auto& c : cases) EXPECT_EQ(GetJsonString(root, c.name, "dflt"), c.expected) << c.name;
  EXPECT_THROW(GetJsonString(root, "o", ""), std::runtime_error);
  EXPECT_THROW(GetJsonString(root, "a", ""), std::runtime_error);
}

TEST(JsonFields, GetJsonInt64Table) {
  TJsonDocument doc;
  ASSERT_TRUE(doc.Parse(R"({"n":42,"neg":-7,"s":"123","sp":"+5","min":-9223372036854775808,"max":"9223372036854775807",
      "z":null,"over":9223372036854775808,"under":"-9223372036854775809","frac":1.5,"whole":1.0,"exp":1e3,
      "letters":"abc","empty":"","blank":" 1","sign":"-","t":true,"o":{},"a":[7]})"));
  const TJsonValue root = doc.Root();
  struct Good {
    const char* name;
    std::int64_t expected;
  } good[] = {{"n", 42}, {"neg", -7}, {"s", 123}, {"sp", 5}, {"min", INT64_MIN}, {"max", INT64_MAX},
              {"z", 99}, {"missing", 99}};
  for (const auto& c : good) EXPECT_EQ(GetJsonInt64(root, c.name, 99), c.expected) << c.name;
  for (const char* bad : {"over", "under", "frac", "whole", "exp", "letters", "empty", "blank", "sign", "t", "o", "a"}) {
    EXPECT_THROW(GetJsonInt64(root, bad, 0), std::runtime_error) << bad;
  }
}

TEST(JsonFields, GetJsonObjectSeparatesAbsentFromWrongKind) {
  TJsonDocument doc;
  ASSERT_TRUE(doc.Parse(R"({"o":{"k":1},"z":null,"s":"x"})"));
  EXPECT_EQ(GetJsonObject(doc.Root(), "o", "absent").Member("k").Text(), "1");
  try {
    GetJsonObject(doc.Root(), "missing", "absent message");
    ADD_FAILURE();
  } catch (const std::runtime_error& e) {
    EXPECT_STREQ(e.what(), "absent message");
  }
  for (const char* name : {"z", "s"}) {
    try {
      GetJsonObject(doc.Root(), name, "absent message");
      ADD_FAILURE();
    } catch (const std::runtime_error& e) {
      EXPECT_STRNE(e.what(), "absent message");
    }
  }
}

}  // namespace
}  // namespace vantreel
