#include "media/AlarmPhotoNames.h"

#include <gtest/gtest.h>

#include "MediaTestSupport.h"
#include "media/SafeName.h"

namespace vantreel {
namespace {

using test::TScopedEnv;

// UTC+8 all year; the POSIX form needs no time-zone database.
const char* ChinaTimeZone() {
  return std::filesystem::exists("/usr/share/zoneinfo/Asia/Shanghai") ? "Asia/Shanghai" : "CST-8";
}

TEST(BuildAlarmPhotoFileName, StampsTheLocalTimeOfTheTimestampTruncatedToSeconds) {
  TScopedEnv tz("TZ", ChinaTimeZone());
  struct Case {
    std::int64_t timestamp;
    const char* device;
    const char* name;
  } cases[] = {
      {0, "", "A1_unknown_19700101_080000.jpg"},
      {1700000000123, "D9", "A1_D9_20231115_061320.jpg"},
      {999, "D9", "A1_D9_19700101_080000.jpg"},
      // Towards zero, not down: -999 ms is still second 0.
      {-999, "D9", "A1_D9_19700101_080000.jpg"},
      {-1000, "D9", "A1_D9_19700101_075959.jpg"},
  };
  for (const Case& c : cases) {
    std::optional<TSafeName> device;
    if (*c.device != '\0') device = TSafeName::Check(c.device, "no");
    EXPECT_EQ(BuildAlarmPhotoFileName(TSafeName::Check("A1", "no"), device, c.timestamp, "image/jpeg"), c.name)
        << c.timestamp;
  }
}

TEST(BuildAlarmPhotoFileName, TakesTheExtensionFromTheMimeTypeAlone) {
  TScopedEnv tz("TZ", "UTC");
  struct Case {
    const char* mime;
    const char* extension;
  } cases[] = {
      {"image/png", ".png"},  {"IMAGE/PNG", ".png"},        {"image/gif", ".gif"},    {"image/webp", ".webp"},
      {"image/jpeg", ".jpg"}, {"image/svg+xml", ".jpg"},    {"", ".jpg"},             {"text/plain", ".jpg"},
      {"gif-png", ".png"},    {"image/webp;gif", ".gif"},   {"ImAgE/WeBp", ".webp"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(BuildAlarmPhotoFileName(TSafeName::Check("A", "no"), std::nullopt, 0, c.mime),
              std::string("A_unknown_19700101_000000") + c.extension)
        << c.mime;
  }
}

TEST(IsImageFile, LooksAtTheLastExtensionOfTheLastComponentInAnyCase) {
  struct Case {
    const char* name;
    bool image;
  } cases[] = {
      {"a.jpg", true},       {"x.JPG", true},   {"a.jpeg", true},      {"a.Png", true},      {"a.gif", true},
      {"a.webp", true},      {".png", true},    {"a.jpg.txt", false},  {"a.txt.jpg", true},  {"a", false},
      {"jpg", false},        {"a.", false},     {"a.jpe", false},      {"dir.png/file", false},
      {"dir/file.png", true}, {".vantreel-0123.tmp", false},
  };
  for (const Case& c : cases) EXPECT_EQ(IsImageFile(c.name), c.image) << c.name;
}

TEST(ReadNameIds, GivesFieldsOneAndTwoWhenThereAreTwo) {
  EXPECT_FALSE(ReadNameIds("abc.png"));
  struct Case {
    const char* name;
    const char* alarm;
    const char* device;
  } cases[] = {
      {"A1_D9_20231115_061320.png", "A1", "D9"},
      {"A1_D9.png", "A1", "D9.png"},
      {"_x.png", "", "x.png"},
      {"a__b.png", "a", ""},
  };
  for (const Case& c : cases) {
    auto ids = ReadNameIds(c.name);
    ASSERT_TRUE(ids) << c.name;
    EXPECT_EQ(ids->alarmId, c.alarm) << c.name;
    EXPECT_EQ(ids->deviceId, c.device) << c.name;
  }
}

TEST(MatchesAlarmAndDevice, CompareWholeIdsCaseSensitively) {
  struct Case {
    const char* name;
    const char* alarm;
    const char* device;
    bool byAlarm;
    bool byDevice;
  } cases[] = {
      {"A1_D9_20231115_061320.png", "A1", "D9", true, true},
      {"A1_D90_20231115_061320.png", "A1", "D9", false, false},
      {"A1_D9_20231115_061320.png", "A1", "", true, true},
      {"A10_D9_20231115_061320.png", "A1", "", false, true},
      {"a1_D9_20231115_061320.png", "A1", "D9", false, true},
      {"A1_d9_20231115_061320.png", "A1", "D9", false, false},
      {"A1_D9_20231115_061320.txt", "A1", "D9", false, false},
      {"A1.png", "A1", "", false, true},
      {"abc.png", "abc", "", false, true},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(MatchesAlarm(c.name, c.alarm, c.device), c.byAlarm) << c.name << " " << c.alarm << " " << c.device;
    EXPECT_EQ(MatchesDevice(c.name, c.device), c.byDevice) << c.name << " " << c.device;
  }
}

}  // namespace
}  // namespace vantreel
