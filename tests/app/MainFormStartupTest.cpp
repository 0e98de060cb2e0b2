#include <fstream>

#include "app/UiStrings.h"
#include "tests/app/MainFormTestSupport.h"
#include "tests/support/TestEnv.h"

namespace vantreel::test {
namespace {

using StartupTest = MainFormTest;

TEST_F(StartupTest, ReadyLoaderLeadsToCreateBrowserWithTheReleaseSettings) {
  browsers.browserScript.initialArguments = "  --lang=en ";
  TMainFormPeer f = MakeAndShow();
  log.Clear();

  ScriptedBrowser& b = *browsers.browser;
  ScriptedWindowParent& parent = *browsers.windowParent;
  EXPECT_EQ(parent.parent, ui.ClientHandle());
  EXPECT_TRUE(parent.visible);
  EXPECT_EQ(parent.browser, &b);
  EXPECT_GE(parent.updateSizeCalls, 1);
  EXPECT_EQ(b.createBrowserCalls, 1);
  EXPECT_EQ(b.createHandle, parent.Handle());
  EXPECT_EQ(b.createEnvironment, browsers.environment);
  EXPECT_EQ(b.AdditionalBrowserArguments(), "--lang=en  --disable-dev-tools");
  EXPECT_TRUE(b.OnAfterCreated && b.OnInitializationError && b.OnWebResourceRequested && b.OnWebMessageReceived);
  EXPECT_TRUE(f.WebViewCreated());
  EXPECT_FALSE(f.InitCompleted());
  EXPECT_EQ(ui.processMessagesCalls, 0);
  EXPECT_TRUE(ui.messageBoxes.empty());

  form.reset();
  form = std::make_unique<TMainForm>(ui, browsers);
  log.Clear();
  Peer().DoShow();
  EXPECT_EQ(log.messages, (std::vector<std::string>{
                              "DoShow 触发：准备一次性初始化 WebView。",
                              "WebView 初始化：开始。",
                              "WebView 初始化：WindowParent 创建完成。",
                              "加载遮罩已显示，原因=EnsureWebViewCreated: 初始化 WebView2",
                              "WebView 初始化：复用构造函数中已启动的 Loader。",
                              "WebView 初始化：Loader 就绪，实际等待 0 ms。（若构造函数提前启动，本值应接近 0）",
                              "Release 模式：已禁用右键菜单、开发者工具和调试快捷键。",
                              "WebView 初始化：Browser 创建完成，事件已绑定。",
                              "WebView 初始化：WindowParent.UpdateSize 已调用。",
                              "WebView 初始化：CreateBrowser 已调用（使用 FWVLoader.Environment），等待 OnAfterCreated 回调。",
                          }));
}

TEST_F(StartupTest, WaitPumpsMessagesEveryFiftyMillisecondsUntilTheLoaderIsReady) {
  browsers.loaderScript.onStart = LoaderScript::Outcome::Pending;
  Make();
  int passes = 0;
  ui.onProcessMessages = [&] {
    if (++passes == 3) browsers.loader->Complete();
    Peer().DoShow();  // a nested showing during the wait must return at once
    ui.FireTimers();
  };
  ui.Show();
  EXPECT_EQ(ui.processMessagesCalls, 3);
  EXPECT_EQ(ui.sleptMs, 150u);
  EXPECT_EQ(browsers.windowParentsMade, 1);
  EXPECT_EQ(ui.overlay->text, "Loading ......\r\nPlease wait...");  // the overlay animates during the wait
  EXPECT_TRUE(log.Has("WebView 初始化：Loader 就绪，实际等待 150 ms。（若构造函数提前启动，本值应接近 0）"));
  EXPECT_EQ(log.Count("WebView 初始化：开始。"), 1);
  EXPECT_EQ(browsers.browser->createBrowserCalls, 1);
}

// The failures before the browser exists: each shows its box once, keeps the overlay and lets
// the next showing run the whole sequence again with the same loader. A loader that failed
// keeps its failure in the product, so the overlay then advises a restart, not a retry.
TEST_F(StartupTest, FailuresBeforeTheBrowserExistsAreRetriedAtTheNextShowing) {
  struct Case {
    const char* name;
    LoaderScript::Outcome loader;
    bool createBrowser;
    const char* box;
    const char* logged;
    int passes;
    const char* hint;
  } cases[] = {
      {"loader error", LoaderScript::Outcome::Error, true, "WebView2 Loader initialization failed: runtime not found",
       "WebView 初始化：Loader 初始化失败：runtime not found", 0, "Please restart the program."},
      {"loader timeout", LoaderScript::Outcome::Pending, true, "WebView2 Loader initialization timeout (5 seconds).",
       "WebView 初始化：Loader 初始化超时（5秒）。", 100,
       "Minimize the window and restore it to try again, or restart the program."},
      {"CreateBrowser false", LoaderScript::Outcome::Ready, false,
       "WebView creation failed: CreateBrowser returned False. Please check WebView2 Runtime/permissions/environment.",
       "WebView 初始化：CreateBrowser 返回 False（可能原因：Environment 无效/句柄异常）。", 0,
       "Minimize the window and restore it to try again, or restart the program."},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    LogCapture caseLog;
    FakeMainFormUi localUi;
    ScriptedBrowserFactory localBrowsers;
    localBrowsers.loaderScript.onStart = c.loader;
    localBrowsers.browserScript.createBrowserResult = c.createBrowser;
    TMainForm localForm(localUi, localBrowsers);
    TMainFormPeer f(localForm);
    localUi.Show();

    EXPECT_EQ(localUi.messageBoxes, std::vector<std::string>{c.box});
    EXPECT_TRUE(caseLog.Has(c.logged));
    EXPECT_EQ(localUi.processMessagesCalls, c.passes);
    EXPECT_EQ(localUi.sleptMs, 50u * c.passes);
    EXPECT_FALSE(f.WebViewCreated());
    EXPECT_FALSE(f.InitCompleted());
    // The overlay stays, stops counting and says what to do instead.
    EXPECT_TRUE(f.LoadingOverlayShown());
    EXPECT_FALSE(f.LoadingTimerRunning());
    EXPECT_EQ(localUi.overlay->text, std::string("Loading failed.\r\n") + c.hint);

    // Next showing (e.g. a restore from the tray): runs again, reusing the loader.
    IWebViewLoader* loader = f.WVLoader();
    localBrowsers.loader->Complete();
    localBrowsers.browserScript.createBrowserResult = true;
    localUi.Hide();
    localUi.tray->onDblClick();
    EXPECT_EQ(f.WVLoader(), loader);
    EXPECT_EQ(localBrowsers.loadersMade, 1);
    EXPECT_EQ(localBrowsers.windowParentsMade, 2);
    EXPECT_EQ(localUi.overlay->panelsMade, 1);  // the overlay of the failed run is still up
    EXPECT_TRUE(f.LoadingTimerRunning());
    EXPECT_EQ(localUi.overlay->text, "Loading ...\r\nPlease wait...");
    EXPECT_EQ(localUi.messageBoxes.size(), 1u);
    EXPECT_TRUE(caseLog.Has("WebView 初始化：CreateBrowser 已调用（使用 FWVLoader.Environment），等待 OnAfterCreated 回调。"));
    EXPECT_TRUE(f.WebViewCreated());
    localBrowsers.browser->RaiseAfterCreated();
    EXPECT_TRUE(f.InitCompleted());
  }
}

// The failures a person can mend are worded as what to do, in the interface language, with
// the code kept at the end; the overlay behind the box says it too. Other details stay.
TEST_F(StartupTest, FailuresAPersonCanMendSayWhatToDo) {
  struct Case {
    std::uint32_t code;
    const char* detailKey;  // null: the backend's own message stays
    const char* hintKey;
  } cases[] = {
      {0x80070002u, "err.runtime_missing", "loading.install_hint"},
      {0x8007007Eu, "err.loader_missing", "loading.unpack_hint"},
      {0x800700C1u, "err.loader_missing", "loading.unpack_hint"},
      {0x80070005u, "err.access_denied", "loading.restart_hint"},
      {0x80004005u, nullptr, "loading.restart_hint"},
  };
  const std::string language = "en";  // the test process's; every language's texts: UiStringsTest
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << std::hex << c.code);
    char code[16];
    std::snprintf(code, sizeof code, "0x%X", static_cast<unsigned>(c.code));
    const std::string message = std::string("backend text (") + code + ")";
    const std::string detail = c.detailKey ? GetUiText(language, c.detailKey) + " (" + code + ")" : message;
    const std::string hint = GetUiText(language, "loading.failed") + "\r\n" + GetUiText(language, c.hintKey);
    {
      FakeMainFormUi loaderUi;
      ScriptedBrowserFactory loaderBrowsers;
      loaderBrowsers.loaderScript.onStart = LoaderScript::Outcome::Error;
      loaderBrowsers.loaderScript.errorMessage = message;
      loaderBrowsers.loaderScript.errorCode = static_cast<HResult>(c.code);
      // The overlay's text is already there when the box opens, behind it.
      std::string overlayAtBox;
      loaderUi.onMessageBox = [&] { overlayAtBox = loaderUi.overlay->text; };
      TMainForm loaderForm(loaderUi, loaderBrowsers);
      loaderUi.Show();
      EXPECT_EQ(loaderUi.messageBoxes, std::vector<std::string>{GetUiText(language, "err.loader_init") + detail});
      EXPECT_EQ(overlayAtBox, hint);
    }
    // The same code from the browser's own creation.
    FakeMainFormUi readyUi;
    ScriptedBrowserFactory readyBrowsers;
    TMainForm readyForm(readyUi, readyBrowsers);
    readyUi.Show();
    readyBrowsers.browser->RaiseInitializationError(static_cast<HResult>(c.code), "backend text");
    EXPECT_EQ(readyUi.messageBoxes, std::vector<std::string>{GetUiText(language, "err.webview_init") + detail});
    EXPECT_EQ(readyUi.overlay->text, hint);
  }
}

TEST_F(StartupTest, LoaderErrorWinsOverInitializedAndIsNotWaitedFor) {
  browsers.loaderScript.onStart = LoaderScript::Outcome::Error;
  browsers.loaderScript.errorMessage = "找不到 runtime";
  Make();
  ui.Show();
  EXPECT_EQ(ui.processMessagesCalls, 0);
  EXPECT_EQ(browsers.browsersMade, 0);
  EXPECT_EQ(ui.messageBoxes, std::vector<std::string>{"WebView2 Loader initialization failed: 找不到 runtime"});
}

TEST_F(StartupTest, CacheFolderFailureLeavesAnUnstartedLoaderThatTimesOutNextTime) {
  const auto blocker = dataDir / "not-a-folder";
  std::ofstream(blocker) << "x";
  test::SetEnvVar("XDG_DATA_HOME", blocker.string().c_str());
  browsers.failNextCreateLoader = 1;  // the constructor's early start fails
  TMainFormPeer f = Make();
  ui.Show();

  ASSERT_EQ(ui.messageBoxes.size(), 1u);
  const std::string prefix = "Failed to create WebView2 cache folder: ";
  EXPECT_EQ(ui.messageBoxes[0].rfind(prefix, 0), 0u) << ui.messageBoxes[0];
  EXPECT_GT(ui.messageBoxes[0].size(), prefix.size());
  EXPECT_TRUE(log.Has("WebView 初始化：创建缓存目录失败：" + ui.messageBoxes[0].substr(prefix.size())));
  ASSERT_NE(f.WVLoader(), nullptr);
  EXPECT_EQ(browsers.loader->StartCalls(), 0);
  EXPECT_EQ(GlobalWebView2Loader(), f.WVLoader());
  EXPECT_FALSE(f.WebViewCreated());

  ui.messageBoxes.clear();
  f.DoShow();
  EXPECT_EQ(browsers.loadersMade, 1);
  EXPECT_EQ(ui.processMessagesCalls, 100);
  EXPECT_EQ(ui.messageBoxes, std::vector<std::string>{"WebView2 Loader initialization timeout (5 seconds)."});
}

TEST_F(StartupTest, InitializationErrorIsShownWithCodeAndNotRetried) {
  test::SetEnvVar("LC_ALL", "zh_CN.UTF-8");
  TMainFormPeer f = MakeAndShow();
  browsers.browser->RaiseInitializationError(static_cast<HResult>(0x8007000Eu), "内存不足");
  EXPECT_EQ(ui.messageBoxes, std::vector<std::string>{"WebView2 初始化失败：内存不足 (0x8007000E)"});
  EXPECT_TRUE(log.Has("OnBrowserInitializationError：内存不足 (0x8007000E)"));
  EXPECT_TRUE(f.WebViewCreated());
  EXPECT_FALSE(f.InitCompleted());
  EXPECT_EQ(ui.overlay->text, "加载失败。\r\n请重新启动程序。");
  EXPECT_FALSE(f.LoadingTimerRunning());

  f.DoShow();
  EXPECT_EQ(browsers.browsersMade, 1);
  EXPECT_EQ(browsers.windowParentsMade, 1);

  browsers.browser->RaiseInitializationError(0x1F, "small");
  EXPECT_EQ(ui.messageBoxes.back(), "WebView2 初始化失败：small (0x1F)");
}

TEST_F(StartupTest, AfterCreatedConfirmsOnlySettingsThatReadEnabled) {
  for (bool enabledOnceCreated : {true, false}) {
    SCOPED_TRACE(enabledOnceCreated);
    LogCapture caseLog;
    FakeMainFormUi localUi;
    ScriptedBrowserFactory localBrowsers;
    localBrowsers.browserScript.settingsEnabledOnceCreated = enabledOnceCreated;
    TMainForm localForm(localUi, localBrowsers);
    TMainFormPeer f(localForm);
    localUi.Show();
    localBrowsers.browser->RaiseAfterCreated();

    const std::vector<std::string> confirmations = {
        "Release 模式：已确认禁用右键菜单。",
        "Release 模式：已确认禁用开发者工具。",
        "Release 模式：已确认禁用浏览器快捷键。",
    };
    EXPECT_EQ(caseLog.Starting("Release 模式：已确认"),
              enabledOnceCreated ? confirmations : std::vector<std::string>{});
    ScriptedBrowser& b = *localBrowsers.browser;
    EXPECT_FALSE(b.DefaultContextMenusEnabled());
    EXPECT_FALSE(b.DevToolsEnabled());
    EXPECT_FALSE(b.AreBrowserAcceleratorKeysEnabled());
    EXPECT_TRUE(f.InitCompleted());
    EXPECT_TRUE(localBrowsers.windowParent->visible);
    EXPECT_GE(localBrowsers.windowParent->repaintCalls, 1);
  }
}

TEST_F(StartupTest, BundleFailureStopsBeforeTheFilterAndTheNavigation) {
  TMainFormPeer f = MakeAndShow();
  browsers.browser->RaiseAfterCreated();
  if (f.WebBundle()->Loaded()) GTEST_SKIP() << "a bundle resource is linked into this executable";

  ASSERT_EQ(ui.messageBoxes.size(), 1u);
  const std::string box = ui.messageBoxes[0];
  const std::string prefix = "Failed to navigate to entry page: ";
  ASSERT_EQ(box.rfind(prefix, 0), 0u) << box;
  const std::string detail = box.substr(prefix.size());
  EXPECT_FALSE(detail.empty());
  EXPECT_TRUE(log.Has("加载入口 URL 异常：" + detail));
  EXPECT_TRUE(log.Has("开始加载 Web 内存资源包（资源读取/校验/解压）。"));
  EXPECT_FALSE(log.Has("Web 内存资源包加载完成。"));
  EXPECT_TRUE(browsers.browser->filters.empty());
  EXPECT_TRUE(browsers.browser->navigations.empty());
  EXPECT_TRUE(browsers.browser->scripts.empty());
  EXPECT_FALSE(f.WebResourceFilterInstalled());
  EXPECT_TRUE(f.InitCompleted());
  EXPECT_TRUE(f.LoadingOverlayShown());
}

TEST_F(StartupTest, HostControlColourFailureIsIgnored) {
  browsers.windowParentBackgroundThrows = true;
  MakeAndShow();
  EXPECT_EQ(browsers.browser->createBrowserCalls, 1);
  EXPECT_TRUE(ui.messageBoxes.empty());
}

TEST(MainFormCacheDir, LocalDataFolderOrProfileFallback) {
  struct Case {
    const char* xdg;
    const char* home;
    const char* expected;
  } cases[] = {
      {"/data/x", "/home/u", "/data/x/Vantreel/WebView2Cache"},
      {"/data/x/", "/home/u", "/data/x/Vantreel/WebView2Cache"},
      {nullptr, "/home/u", "/home/u/.local/share/Vantreel/WebView2Cache"},
      {nullptr, nullptr, "AppData/Local/Vantreel/WebView2Cache"},
  };
  const std::string savedHome = std::getenv("HOME") ? std::getenv("HOME") : "";
  const std::string savedXdg = std::getenv("XDG_DATA_HOME") ? std::getenv("XDG_DATA_HOME") : "";
  for (const Case& c : cases) {
    SCOPED_TRACE(c.expected);
    c.xdg ? test::SetEnvVar("XDG_DATA_HOME", c.xdg) : test::UnsetEnvVar("XDG_DATA_HOME");
    c.home ? test::SetEnvVar("HOME", c.home) : test::UnsetEnvVar("HOME");
    EXPECT_EQ(TMainFormPeer::GetWebViewCacheDir(), c.expected);
  }
  test::SetEnvVar("HOME", savedHome.c_str());
  test::SetEnvVar("XDG_DATA_HOME", savedXdg.c_str());
}

}  // namespace
}  // namespace vantreel::test
