#include <regex>

#include "tests/app/MainFormTestSupport.h"
#include "tests/support/TestEnv.h"

namespace vantreel::test {
namespace {

using ConstructionTest = MainFormTest;

TEST_F(ConstructionTest, BuildsTheWindowInOrderAndStartsTheLoaderEarly) {
  browsers.loaderScript.onStart = LoaderScript::Outcome::Pending;
  TMainFormPeer f = Make();

  EXPECT_EQ(ui.caption, "Orvane Anti-Addiction System");
  EXPECT_FALSE(ui.rightToLeft);
  EXPECT_EQ(ui.width, 1280);
  EXPECT_EQ(ui.height, 820);
  EXPECT_TRUE(ui.centred);
  EXPECT_TRUE(ui.white);
  EXPECT_EQ(ui.sink, &f.Form());

  EXPECT_FALSE(f.WebViewCreated());
  EXPECT_FALSE(f.InitCompleted());
  EXPECT_FALSE(f.LoadingOverlayShown());
  EXPECT_FALSE(f.LoadingTimerRunning());
  EXPECT_EQ(f.LoadingStartTick(), 0u);
  EXPECT_EQ(f.LoadingDotIndex(), 0);
  EXPECT_EQ(f.WVBrowser(), nullptr);
  EXPECT_EQ(f.WVWindowParent(), nullptr);
  EXPECT_FALSE(f.WebResourceFilterInstalled());
  ASSERT_NE(f.WebBundle(), nullptr);
  EXPECT_FALSE(f.WebBundle()->Loaded());

  ASSERT_NE(f.WVLoader(), nullptr);
  EXPECT_EQ(browsers.loader->StartCalls(), 1);
  EXPECT_EQ(GlobalWebView2Loader(), f.WVLoader());
  const auto cacheDir = dataDir / "Vantreel" / "WebView2Cache";
  EXPECT_EQ(f.WVLoader()->UserDataFolder(), cacheDir.string());
  EXPECT_TRUE(std::filesystem::is_directory(cacheDir));

  ASSERT_NE(f.TrayIcon(), nullptr);
  EXPECT_TRUE(ui.tray->visible);
  EXPECT_EQ(ui.tray->hint, "Orvane Anti-Addiction System");
  EXPECT_EQ(ui.tray->balloonTitle, "Orvane Anti-Addiction System");
  EXPECT_EQ(ui.tray->balloonText, "Double-click here to restore the main window");
  EXPECT_TRUE(ui.tray->applicationIcon);
  EXPECT_TRUE(ui.tray->onDblClick);

  EXPECT_EQ(log.messages, (std::vector<std::string>{
                              "UI 语言初始化完成：en",
                              "主窗体构造完成，准备提前启动 WebView2 Loader。",
                              "托盘图标已创建并显示在任务栏右下角。",
                              "构造函数：WebView2 Loader 已提前启动（与窗体显示并行）。",
                          }));
  EXPECT_TRUE(ui.messageBoxes.empty());
}

TEST_F(ConstructionTest, LanguageDecidesCaptionReadingOrderAndTrayTexts) {
  struct Case {
    const char* locale;
    const char* code;
    const char* caption;
    bool rightToLeft;
  } cases[] = {
      {"ar_EG.UTF-8", "ar", "نظام Orvane لمكافحة الإدمان", true},
      {"zh_TW.UTF-8", "zh-TW", nullptr, false},
      {"de_DE.UTF-8", "de", nullptr, false},
      {"it_IT.UTF-8", "en", "Orvane Anti-Addiction System", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.locale);
    test::SetEnvVar("LC_ALL", c.locale);
    FakeMainFormUi localUi;
    ScriptedBrowserFactory localBrowsers;
    TMainForm localForm(localUi, localBrowsers);
    TMainFormPeer f(localForm);
    EXPECT_EQ(f.UiLanguage(), c.code);
    EXPECT_EQ(localUi.caption, f.GetText("app.title"));
    if (c.caption) {
      EXPECT_EQ(localUi.caption, c.caption);
    }
    EXPECT_EQ(localUi.rightToLeft, c.rightToLeft);
    EXPECT_EQ(localUi.tray->hint, localUi.caption);
    EXPECT_EQ(localUi.tray->balloonText, f.GetText("tray.restore_hint"));
  }
}

TEST_F(ConstructionTest, TrayFailureIsLoggedAndTheWindowStillComesUp) {
  ui.trayThrows = true;
  TMainFormPeer f = Make();
  EXPECT_EQ(f.TrayIcon(), nullptr);
  EXPECT_TRUE(log.Has("托盘图标创建失败（不影响主功能）：no notification area"));
  EXPECT_FALSE(log.Has("托盘图标已创建并显示在任务栏右下角。"));
  EXPECT_NE(f.WVLoader(), nullptr);

  ui.Show();
  EXPECT_TRUE(f.WebViewCreated());
  EXPECT_EQ(browsers.browser->createBrowserCalls, 1);
}

TEST_F(ConstructionTest, WithoutApplicationIconTheTrayKeepsItsDefaultImage) {
  ui.hasApplicationIcon = false;
  Make();
  ASSERT_TRUE(ui.tray);
  EXPECT_FALSE(ui.tray->applicationIcon);
}

// A loader that cannot be made, and one that is made but refuses to start: either way the
// field is nil afterwards, the process-wide reference does not point at a released loader,
// and the first show makes and starts a loader of its own.
TEST_F(ConstructionTest, EarlyLoaderFailureIsRetriedAtFirstShow) {
  struct Case {
    const char* name;
    int failCreate;
    bool throwOnStart;
    const char* logged;
  } cases[] = {
      {"create raises", 1, false, "构造函数：Loader 提前启动异常（DoShow 时将重试）：loader component unavailable"},
      {"start raises", 0, true, "构造函数：Loader 提前启动异常（DoShow 时将重试）：loader start refused"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    LogCapture caseLog;
    FakeMainFormUi localUi;
    ScriptedBrowserFactory localBrowsers;
    localBrowsers.failNextCreateLoader = c.failCreate;
    if (c.throwOnStart) localBrowsers.nextLoaders.push_back({.throwOnStart = true});
    TMainForm localForm(localUi, localBrowsers);
    TMainFormPeer f(localForm);

    EXPECT_EQ(f.WVLoader(), nullptr);
    EXPECT_EQ(GlobalWebView2Loader(), nullptr);
    EXPECT_TRUE(caseLog.Has(c.logged));
    EXPECT_FALSE(caseLog.Has("构造函数：WebView2 Loader 已提前启动（与窗体显示并行）。"));

    localUi.Show();
    ASSERT_NE(f.WVLoader(), nullptr);
    EXPECT_EQ(localBrowsers.loader->StartCalls(), 1);
    EXPECT_EQ(GlobalWebView2Loader(), f.WVLoader());
    EXPECT_TRUE(caseLog.Has("WebView 初始化：Loader 在 DoShow 时创建并启动（构造函数未提前启动）。"));
    EXPECT_EQ(localBrowsers.browser->createBrowserCalls, 1);
    EXPECT_TRUE(localUi.messageBoxes.empty());
  }
}

TEST_F(ConstructionTest, DestructionReleasesEverythingAndForgetsItsLoader) {
  TMainFormPeer f = MakeAndShow();
  ASSERT_TRUE(ui.overlay->panelAlive);
  ASSERT_EQ(GlobalWebView2Loader(), f.WVLoader());
  form.reset();
  EXPECT_EQ(ui.sink, nullptr);
  EXPECT_FALSE(ui.tray->alive);
  EXPECT_FALSE(ui.overlay->panelAlive);
  EXPECT_FALSE(ui.overlay->labelAlive);
  EXPECT_EQ(ui.LiveTimers(), 0);
  EXPECT_EQ(GlobalWebView2Loader(), nullptr);
}

TEST_F(ConstructionTest, ALoaderOfAnotherWindowKeepsTheProcessWideReference) {
  ScriptedLoader other({}, nullptr);
  SetGlobalWebView2Loader(&other);
  Make();
  EXPECT_EQ(GlobalWebView2Loader(), &other);
  form.reset();
  EXPECT_EQ(GlobalWebView2Loader(), &other);
  SetGlobalWebView2Loader(nullptr);
}

TEST_F(ConstructionTest, DoShowAfterASuccessfulStartReturnsAtOnce) {
  TMainFormPeer f = MakeAndShow();
  browsers.browser->RaiseAfterCreated();
  log.Clear();
  const int parents = browsers.windowParentsMade;

  f.DoShow();
  EXPECT_EQ(log.messages, std::vector<std::string>{"DoShow 触发：准备一次性初始化 WebView。"});
  EXPECT_EQ(browsers.windowParentsMade, parents);
  EXPECT_EQ(browsers.browsersMade, 1);
}

TEST(MainFormLog, LineIsLocalTimeBarMessage) {
  std::tm t{};
  t.tm_year = 2024 - 1900;
  t.tm_mon = 0;
  t.tm_mday = 5;
  t.tm_hour = 7;
  t.tm_min = 3;
  t.tm_sec = 9;
  EXPECT_EQ(TMainFormPeer::ComposeLogLine(t, 42, "消息 text"), "2024-01-05 07:03:09.042 | 消息 text");
  t.tm_year = 1999 - 1900;
  t.tm_mon = 11;
  t.tm_mday = 31;
  t.tm_hour = 23;
  t.tm_min = 59;
  t.tm_sec = 59;
  EXPECT_EQ(TMainFormPeer::ComposeLogLine(t, 999, ""), "1999-12-31 23:59:59.999 | ");
}

TEST_F(ConstructionTest, LoggedLinesCarryTheCurrentLocalTime) {
  const std::time_t before = std::time(nullptr);
  Make();
  const std::time_t after = std::time(nullptr);
  ASSERT_FALSE(log.raw.empty());
  const std::regex shape(R"((\d{4})-(\d{2})-(\d{2}) (\d{2}):(\d{2}):(\d{2})\.\d{3} \| UI 语言初始化完成：en)");
  std::smatch m;
  ASSERT_TRUE(std::regex_match(log.raw.front(), m, shape)) << log.raw.front();
  std::tm parsed{};
  parsed.tm_year = std::stoi(m[1]) - 1900;
  parsed.tm_mon = std::stoi(m[2]) - 1;
  parsed.tm_mday = std::stoi(m[3]);
  parsed.tm_hour = std::stoi(m[4]);
  parsed.tm_min = std::stoi(m[5]);
  parsed.tm_sec = std::stoi(m[6]);
  parsed.tm_isdst = -1;
  const std::time_t stamped = std::mktime(&parsed);
  // The log reads the system's local time, the bounds the C library's clock; the two may
  // round to seconds a tick apart (seen under Wine), so a second either side is no fault.
  EXPECT_GE(stamped, before - 1);
  EXPECT_LE(stamped, after + 1);
}

}  // namespace
}  // namespace vantreel::test
