#include "platform/linux/LocaleLangId.h"

#include <gtest/gtest.h>

#include "app/UiStrings.h"

namespace vantreel {
namespace {

TEST(LangIdFromLocaleName, GivesTheWindowsIdentifierOfTheSameLocale) {
  struct Case {
    const char* locale;
    std::uint16_t langId;
    const char* code;
  } cases[] = {
      {"zh_TW.UTF-8", 0x0404, "zh-TW"}, {"zh_HK.UTF-8", 0x0C04, "zh-TW"}, {"zh_CN.UTF-8", 0x0804, "zh-CN"},
      {"zh_SG", 0x1004, "zh-CN"},       {"zh_MO.UTF-8", 0x1404, "en"},    {"zh", 0x0004, "en"},
      {"ar_EG.UTF-8", 0x0C01, "ar"},    {"ar_SA", 0x0401, "ar"},          {"ar_XX", 0x0401, "ar"},
      {"de_DE.UTF-8", 0x0407, "de"},    {"de_AT@euro", 0x0C07, "de"},     {"en_US.UTF-8", 0x0409, "en"},
      {"en_GB", 0x0809, "en"},          {"es_ES.UTF-8", 0x0C0A, "es"},    {"es_MX", 0x080A, "es"},
      {"fr_FR.UTF-8", 0x040C, "fr"},    {"ja_JP.UTF-8", 0x0411, "ja"},    {"ko_KR.UTF-8", 0x0412, "ko"},
      {"pt_BR.UTF-8", 0x0416, "pt"},    {"pt_PT", 0x0816, "pt"},          {"ru_RU.UTF-8", 0x0419, "ru"},
      {"it_IT.UTF-8", 0x0410, "en"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(LangIdFromLocaleName(c.locale), c.langId) << c.locale;
    EXPECT_EQ(LanguageCodeFromLangId(LangIdFromLocaleName(c.locale)), c.code) << c.locale;
  }
}

TEST(LangIdFromLocaleName, NoLanguageGivesZero) {
  for (const char* locale : {"", "C", "POSIX", "C.UTF-8", "C.utf8"}) {
    EXPECT_EQ(LangIdFromLocaleName(locale), 0) << locale;
  }
  // An unknown language is still a language: it must not fall through to the system's.
  EXPECT_NE(LangIdFromLocaleName("tlh_XX"), 0);
}

}  // namespace
}  // namespace vantreel
