#include "app/UiStrings.h"

#include <gtest/gtest.h>

namespace vantreel {
namespace {

TEST(LanguageCodeFromLangId, MapsWindowsIdentifiers) {
  struct Case {
    std::uint16_t langId;
    const char* code;
  } cases[] = {
      {0x0401, "ar"}, {0x0C01, "ar"}, {0x3801, "ar"}, {0x0001, "ar"},
      {0x0404, "zh-TW"}, {0x0C04, "zh-TW"},            // Taiwan, Hong Kong SAR
      {0x0804, "zh-CN"}, {0x1004, "zh-CN"},            // PRC, Singapore
      {0x1404, "en"}, {0x0004, "en"}, {0x7C04, "en"},  // Macao SAR, neutral, Traditional neutral
      {0x0407, "de"}, {0x0C07, "de"},
      {0x0409, "en"}, {0x0809, "en"}, {0x0009, "en"},
      {0x0C0A, "es"}, {0x080A, "es"}, {0x540A, "es"},
      {0x040C, "fr"}, {0x0C0C, "fr"},
      {0x0411, "ja"}, {0x0412, "ko"},
      {0x0416, "pt"}, {0x0816, "pt"},
      {0x0419, "ru"},
      {0x0410, "en"},  // Italian is not in the table
      {0x0000, "en"}, {0xFFFF, "en"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(LanguageCodeFromLangId(c.langId), c.code) << std::hex << c.langId;
  }
}

TEST(GetUiText, LooksUpByLanguageAndKey) {
  EXPECT_EQ(GetUiText("en", "app.title"), "Orvane Anti-Addiction System");
  EXPECT_EQ(GetUiText("zh-CN", "app.title"), "Orvane防沉迷系统");
  EXPECT_EQ(GetUiText("ZH-cn", "app.title"), "Orvane防沉迷系统");
  EXPECT_EQ(GetUiText("zh-tw", "loading.wait"), "請稍候...");
  EXPECT_EQ(GetUiText("ar", "app.title"), "نظام Orvane لمكافحة الإدمان");
  EXPECT_EQ(GetUiText("ja", "loading.webview"), " を読み込み中...");
  EXPECT_EQ(GetUiText("de", "err.loader_timeout"),
            "Zeitüberschreitung bei der Initialisierung von WebView2 Loader (5 Sekunden).");
  EXPECT_EQ(GetUiText("fr", "err.webview_init"), "Échec de l'initialisation de WebView2 : ");
  // Unknown languages fall back to English, English among them.
  EXPECT_EQ(GetUiText("it", "tray.restore_hint"), "Double-click here to restore the main window");
  EXPECT_EQ(GetUiText("", "loading.wait"), "Please wait...");
}

TEST(GetUiText, KeysOutsideTheTableComeBackUnchanged) {
  for (const char* language : {"en", "zh-CN", "zh-TW", "ja", "ru", "fr", "de", "es", "pt", "ko", "ar", "xx"}) {
    EXPECT_EQ(GetUiText(language, "no.such.key"), "no.such.key") << language;
    EXPECT_EQ(GetUiText(language, "APP.TITLE"), "APP.TITLE") << language;
  }
}

TEST(GetUiText, EveryLanguageHasItsOwnCaption) {
  const char* languages[] = {"en", "zh-CN", "zh-TW", "ja", "ru", "fr", "de", "es", "pt", "ko", "ar"};
  for (const char* a : languages) {
    for (const char* b : languages) {
      if (a != b) {
        EXPECT_NE(GetUiText(a, "app.title"), GetUiText(b, "app.title")) << a << " " << b;
      }
    }
  }
}

TEST(GetUiText, LoadingFailureTextsExistInEveryLanguageBesideTheOriginalTable) {
  const char* languages[] = {"zh-CN", "zh-TW", "ja", "ru", "fr", "de", "es", "pt", "ko", "ar"};
  for (const char* key : {"loading.failed", "loading.retry_hint", "loading.restart_hint", "loading.install_hint",
                          "loading.unpack_hint", "err.runtime_missing", "err.loader_missing", "err.access_denied"}) {
    const std::string english = GetUiText("en", key);
    EXPECT_NE(english, key);
    EXPECT_EQ(GetUiText("it", key), english);
    EXPECT_EQ(GetUiText("ZH-cn", key), GetUiText("zh-CN", key));
    for (const char* language : languages) EXPECT_NE(GetUiText(language, key), english) << language << " " << key;
  }
  EXPECT_EQ(GetUiText("ko", "loading.restart_hint"), "프로그램을 다시 시작하세요.");
  EXPECT_EQ(GetUiText("en", "Loading.failed"), "Loading.failed");
}

// The runtime-missing box is what a new user without the runtime meets first: in every
// language it names the runtime, Microsoft's download page and the start again.
TEST(GetUiText, TheRuntimeMissingTextNamesWhatToGetWhereAndWhatThen) {
  for (const char* language : {"en", "zh-CN", "zh-TW", "ja", "ru", "fr", "de", "es", "pt", "ko", "ar"}) {
    const std::string text = GetUiText(language, "err.runtime_missing");
    EXPECT_NE(text.find("WebView2"), std::string::npos) << language;
    EXPECT_NE(text.find("\nhttps://developer.microsoft.com/microsoft-edge/webview2/\n"), std::string::npos) << language;
    EXPECT_NE(text.find("Vantreel"), std::string::npos) << language;
    EXPECT_NE(GetUiText(language, "err.loader_missing").find("WebView2Loader.dll"), std::string::npos) << language;
  }
}

}  // namespace
}  // namespace vantreel
