// Runs with a small web folder packed into this executable as its bundle resource.
#include <chrono>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>

#include "bundle/BundleConstants.h"
#include "bundle/BundleCrypto.h"
#include "bundle/BundleOrigin.h"
#include "platform/PlatformCrypto.h"
#include "app/UiStrings.h"
#include "tests/app/MainFormTestSupport.h"
#include "tests/bundle/BundleTestSupport.h"
#include "tools/packer/BundlePacker.h"

namespace vantreel::test {
namespace {

using THeaders = std::vector<std::pair<std::string, std::string>>;
const THeaders kCachedNever = {{"Cache-Control", "no-store, no-cache, must-revalidate"}, {"Pragma", "no-cache"}};

// The policy of the page's own meta element, read from web/index.html as the page has it.
std::string EntryPagePolicy() {
  std::ifstream file(VANTREEL_TEST_ENTRY_PAGE, std::ios::binary);
  const std::string html((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  const std::size_t meta = html.find("http-equiv=\"Content-Security-Policy\"");
  const std::size_t begin = html.find("content=\"", meta);
  if (meta == std::string::npos || begin == std::string::npos) return "no policy in " VANTREEL_TEST_ENTRY_PAGE;
  return html.substr(begin + 9, html.find('"', begin + 9) - (begin + 9));
}

// Every answer carries it, whatever it holds.
THeaders WithPolicy(THeaders headers) {
  headers.emplace_back("Content-Security-Policy", EntryPagePolicy());
  return headers;
}

class ServingTest : public MainFormTest {
 protected:
  // Shown, created, bundle loaded, filter installed, entry page opened.
  TMainForm& Started() {
    MakeAndShow();
    browsers.browser->RaiseAfterCreated();
    return *form;
  }
  ResourceOutcome Request(const std::string& uri) { return browsers.browser->RaiseResourceRequest(uri); }
  std::string Origin(const std::string& path) { return std::string(kBundleOriginPrefix) + path; }
};

TEST_F(ServingTest, BrowserCreatedLoadsTheBundleHooksTheOriginAndOpensTheEntryPage) {
  MakeAndShow();
  log.Clear();
  ui.actions.clear();
  browsers.browser->RaiseAfterCreated();
  TMainFormPeer f = *form;

  EXPECT_TRUE(ui.messageBoxes.empty());
  EXPECT_TRUE(f.WebBundle()->Loaded());
  EXPECT_TRUE(f.WebResourceFilterInstalled());
  const std::string entry = f.WebBundle()->BuildEntryUrl();
  EXPECT_EQ(entry, kBundleOriginPrefix);
  EXPECT_EQ(browsers.browser->filters, std::vector<std::string>{"https://app.vantreel.invalid/*|0"});
  EXPECT_EQ(browsers.browser->navigations, std::vector<std::string>{entry});
  // The URL navigated to is one the window answers with the entry page's own bytes.
  std::shared_ptr<const TBytes> index;
  std::string indexType;
  ASSERT_TRUE(f.WebBundle()->TryGetFile("index.html", index, indexType));
  const ResourceOutcome page = Request(entry);
  ASSERT_TRUE(page.response);
  EXPECT_EQ(page.response->statusCode, 200);
  EXPECT_EQ(page.response->content, index);
  ASSERT_EQ(browsers.browser->scripts.size(), 1u);
  EXPECT_EQ(ui.actions, (std::vector<std::string>{"Invalidate", "Update"}));

  // The shell's own lines, in order; the bundle's tagged lines come in between.
  std::vector<std::string> shell;
  for (const auto& m : log.messages)
    if (m.rfind("[WEB_BUNDLE] ", 0) != 0) shell.push_back(m);
  EXPECT_EQ(shell, (std::vector<std::string>{
                       "OnBrowserAfterCreated 触发：WebView 控制器创建完成。",
                       "Release 模式：已确认禁用右键菜单。",
                       "Release 模式：已确认禁用开发者工具。",
                       "Release 模式：已确认禁用浏览器快捷键。",
                       "开始加载 Web 内存资源包（资源读取/校验/解压）。",
                       "Web 内存资源包加载完成。",
                       "WebResourceRequested 过滤器安装成功：https://app.vantreel.invalid/*",
                       "入口 URL 决策：使用内存资源包入口=" + entry,
                       "准备直接加载入口页：" + entry,
                       "注入系统恢复监听器：JavaScript 代码已提交执行",
                   }));
  EXPECT_FALSE(log.Starting("[WEB_BUNDLE] ").empty());  // the bundle logs through the window

  // Loading and hooking happen once.
  f.OnBrowserAfterCreated();
  EXPECT_EQ(browsers.browser->filters.size(), 1u);
  EXPECT_EQ(log.Count("Web 内存资源包加载完成。"), 1);
  EXPECT_EQ(log.Count("WebResourceRequested 过滤器安装成功：https://app.vantreel.invalid/*"), 1);
}

TEST_F(ServingTest, AnswersFromTheBundleWithoutCaching) {
  Started();
  struct Case {
    std::string uri;
    const char* mime;
    const char* bodyStart;
  } cases[] = {
      {Origin(""), "text/html; charset=utf-8", "<!doctype html>"},
      {Origin("js/app.js"), "application/javascript; charset=utf-8", "console.log"},
      {"HTTPS://App.Vantreel.INVALID/JS/App.JS?v=3#top", "application/javascript; charset=utf-8", "console.log"},
      {Origin("empty.css"), "text/css; charset=utf-8", ""},
      {Origin("no/such/route"), "text/html; charset=utf-8", "<!doctype html>"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.uri);
    ResourceOutcome out = Request(c.uri);
    ASSERT_TRUE(out.answered);
    ASSERT_TRUE(out.response);
    EXPECT_EQ(out.response->statusCode, 200);
    EXPECT_EQ(out.response->reasonPhrase, "OK");
    EXPECT_EQ(out.response->contentType, c.mime);
    EXPECT_EQ(out.response->headers, WithPolicy(kCachedNever));
    EXPECT_EQ(out.response->Body().rfind(c.bodyStart, 0), 0u);
    if (*c.bodyStart == '\0') {
      EXPECT_TRUE(out.response->Body().empty());
    }
  }
}

TEST_F(ServingTest, LeavesOtherRequestsAlone) {
  Started();
  struct Case {
    const char* name;
    std::string uri;
    HResult requestResult;
    HResult uriResult;
  } cases[] = {
      {"other origin", "https://example.org/index.html", kHResultOk, kHResultOk},
      {"origin without slash", "https://app.vantreel.invalid", kHResultOk, kHResultOk},
      {"longer host", "https://app.vantreel.invalid.example/x", kHResultOk, kHResultOk},
      {"plain http", "http://app.vantreel.invalid/", kHResultOk, kHResultOk},
      {"no request", Origin(""), kHResultFail, kHResultOk},
      {"no uri", Origin(""), kHResultOk, kHResultFail},
      {"empty uri", "", kHResultOk, kHResultOk},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const int calls = browsers.environment->createCalls;
    EXPECT_FALSE(browsers.browser->RaiseResourceRequest(c.uri, c.requestResult, c.uriResult).answered);
    EXPECT_EQ(browsers.environment->createCalls, calls);
  }
  EXPECT_TRUE(log.Starting("CreateWebResourceResponse").empty());
  EXPECT_TRUE(log.Starting("OnWebResourceRequested 异常").empty());
}

TEST_F(ServingTest, ResponseCreationFailureIsLoggedAndTheRequestLeftAlone) {
  Started();
  browsers.environment->createResult = static_cast<HResult>(0x8007000Eu);
  EXPECT_FALSE(Request(Origin("js/app.js")).answered);
  EXPECT_EQ(log.messages.back(), "CreateWebResourceResponse(200) 失败：0x8007000E, url=" + Origin("js/app.js"));

  browsers.environment->createResult = kHResultOk;
  browsers.environment->giveResponse = false;
  EXPECT_FALSE(Request(Origin("")).answered);
  EXPECT_EQ(log.messages.back(), "CreateWebResourceResponse(200) 失败：0x0, url=" + Origin(""));
}

TEST_F(ServingTest, NothingIsAnsweredBeforeTheBundleIsLoaded) {
  MakeAndShow();
  // Created events not yet delivered: the bundle is still empty.
  EXPECT_FALSE(browsers.browser->RaiseResourceRequest(Origin("")).answered);
  EXPECT_EQ(browsers.environment->createCalls, 0);
}

TEST_F(ServingTest, ExceptionWhileAnsweringIsLogged) {
  Started();
  browsers.environment->throwOnCreate = true;
  EXPECT_FALSE(Request(Origin("")).answered);
  EXPECT_EQ(log.messages.back(), "OnWebResourceRequested 异常：response object unavailable");
}

TEST_F(ServingTest, RefusedFilterRegistrationStopsBeforeTheNavigation) {
  browsers.browserScript.filterResult = false;
  TMainFormPeer f = Started();
  EXPECT_EQ(ui.messageBoxes,
            std::vector<std::string>{"Failed to navigate to entry page: AddWebResourceRequestedFilter 失败：返回 False"});
  EXPECT_TRUE(log.Has("加载入口 URL 异常：AddWebResourceRequestedFilter 失败：返回 False"));
  EXPECT_TRUE(f.WebBundle()->Loaded());
  EXPECT_FALSE(f.WebResourceFilterInstalled());
  EXPECT_TRUE(browsers.browser->navigations.empty());
  EXPECT_TRUE(browsers.browser->scripts.empty());
}

TEST_F(ServingTest, FilterNeedsTheBrowserObject) {
  Make();
  ui.Show();
  try {
    Peer().InstallWebResourceFilter();
    FAIL() << "expected an error";
  } catch (const std::runtime_error& e) {
    EXPECT_STREQ(e.what(), "CoreWebView2 尚未就绪，无法安装资源过滤器。");
  }
  EXPECT_TRUE(browsers.browser->filters.empty());
}

// The packer refuses a folder without an entry page, so this bundle is built by hand: the only
// case in which a request of a loaded bundle is refused.
TEST_F(ServingTest, MissingFileWithoutEntryPageGetsPlainTextNotFound) {
  static const TBytes cipherText = EncryptBundle(WriteZip({{"readme.txt", TBytes{'h', 'i'}}}));
  TMainFormPeer::SetWebBundleSource(TWebBundleSource{[] { return std::optional<TByteView>(cipherText); }, ""});
  Started();
  TMainFormPeer::SetWebBundleSource(std::nullopt);
  ASSERT_TRUE(Peer().WebBundle()->Loaded());

  ResourceOutcome out = Request(Origin("missing.js"));
  ASSERT_TRUE(out.answered);
  EXPECT_EQ(out.response->statusCode, 404);
  EXPECT_EQ(out.response->reasonPhrase, "Not Found");
  EXPECT_EQ(out.response->contentType, "text/plain; charset=utf-8");
  EXPECT_EQ(out.response->headers, WithPolicy({{"Cache-Control", "no-store"}}));
  EXPECT_EQ(out.response->Body(), "Not Found");

  ResourceOutcome file = Request(Origin("readme.txt"));
  ASSERT_TRUE(file.answered);
  EXPECT_EQ(file.response->statusCode, 200);
  EXPECT_EQ(file.response->contentType, "application/octet-stream");
  EXPECT_EQ(file.response->headers, WithPolicy(kCachedNever));
  EXPECT_EQ(file.response->Body(), "hi");

  browsers.environment->createResult = kHResultFail;
  EXPECT_FALSE(Request(Origin("x")).answered);
  EXPECT_EQ(log.messages.back(), "CreateWebResourceResponse(404) 失败：0x80004005, url=" + Origin("x"));
}


// The bundle is prepared while the browser starts, but what it says and how it fails still
// shows where the load stands: between the load's two lines in OnBrowserAfterCreated, with
// the text a load run there would give, in the box and in the log.
TEST_F(ServingTest, BundleOutcomeIsReportedAtTheLoadStepWithTheTextOfAnInPlaceLoad) {
  const TBytes good = EncryptBundle(WriteZip(Entries({{"index.html", "i"}, {"a.js", "a"}})));
  TBytes otherKey;
  ASSERT_TRUE(AesCbcPkcs7Encrypt(WriteZip(Entries({{"index.html", "i"}})), TBytes(32, 7), HexToBytes(BundleIvHex),
                                 otherKey).ok());
  struct Case {
    const char* what;
    std::optional<TBytes> cipher;
    std::string digest;
  } cases[] = {
      {"loads", good, Sha256Hex(good)},
      {"digest mismatch", good, std::string(64, 'f')},
      {"undecryptable", otherKey, ""},
      {"no files", EncryptBundle(WriteZip({})), ""},
      {"missing resource", std::nullopt, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const TWebBundleSource source{[&c]() -> std::optional<TByteView> {
                                    if (!c.cipher) return std::nullopt;
                                    return TByteView(*c.cipher);
                                  },
                                  c.digest};
    // What a load run in place says and raises.
    std::vector<std::string> expected = {"开始加载 Web 内存资源包（资源读取/校验/解压）。"};
    TWebAppBundle inPlace([&](const std::string& line) { expected.push_back(line); }, source);
    const std::string error = ErrorOf([&] { inPlace.LoadFromResource(); });
    expected.push_back(error.empty() ? "Web 内存资源包加载完成。" : "加载入口 URL 异常：" + error);

    LogCapture caseLog;
    FakeMainFormUi localUi;
    ScriptedBrowserFactory localBrowsers;
    TMainFormPeer::SetWebBundleSource(source);
    TMainForm localForm(localUi, localBrowsers);
    TMainFormPeer f(localForm);
    TMainFormPeer::SetWebBundleSource(std::nullopt);
    localUi.Show();
    std::this_thread::sleep_for(std::chrono::milliseconds(300));  // the worker is done by now
    EXPECT_TRUE(caseLog.Starting("[WEB_BUNDLE] ").empty());
    EXPECT_FALSE(f.WebBundle()->Loaded());

    localBrowsers.browser->RaiseAfterCreated();
    const auto& m = caseLog.messages;
    const auto first = std::find(m.begin(), m.end(), expected.front());
    ASSERT_NE(first, m.end());
    ASSERT_GE(m.end() - first, static_cast<std::ptrdiff_t>(expected.size()));
    EXPECT_EQ(std::vector<std::string>(first, first + static_cast<std::ptrdiff_t>(expected.size())), expected);
    EXPECT_EQ(f.WebBundle()->Loaded(), error.empty());
    if (error.empty()) {
      EXPECT_TRUE(localUi.messageBoxes.empty());
      EXPECT_EQ(localBrowsers.browser->navigations.size(), 1u);
    } else {
      EXPECT_EQ(localUi.messageBoxes, std::vector<std::string>{"Failed to navigate to entry page: " + error});
      EXPECT_EQ(m.back(), "加载入口 URL 异常：" + error);
      EXPECT_TRUE(localBrowsers.browser->filters.empty());
      EXPECT_TRUE(localBrowsers.browser->navigations.empty());
    }
  }
}

// Closed before the browser came up: the prepared bundle goes unseen and nothing outlives
// the window (the sanitizer build checks the latter).
TEST_F(ServingTest, AWindowClosedBeforeTheBrowserExistsDropsThePreparedBundle) {
  for (int round = 0; round < 3; ++round) {
    Make();
    if (round == 1) ui.Show();
    if (round == 2) std::this_thread::sleep_for(std::chrono::milliseconds(300));
    form.reset();
  }
  EXPECT_TRUE(log.Starting("[WEB_BUNDLE] ").empty());
  EXPECT_FALSE(log.Has("开始加载 Web 内存资源包（资源读取/校验/解压）。"));
}

// A page that keeps failing is no reason to stay blank for good: the window says so once in
// a box and on its overlay, and tries again after growing pauses until the page runs. (Here,
// where the bundle is there to be opened again.)
TEST_F(MainFormTest, APageThatKeepsFailingIsTriedAgainAfterGrowingPauses) {
  TMainFormPeer f = MakeAndShow();
  ScriptedBrowser& browser = *browsers.browser;
  browser.RaiseAfterCreated();
  browser.RaiseWebMessage(R"({"type":"nothing"})");
  ASSERT_FALSE(f.LoadingOverlayShown());
  const std::size_t opened = browser.navigations.size();
  // The pending pause's timer: the one live, enabled timer of that length.
  auto pauseTimer = [&](unsigned ms) -> FakeMainFormUi::Timer* {
    for (auto& t : ui.timers)
      if (t->alive && t->enabled && t->intervalMs == ms) return t.get();
    return nullptr;
  };
  ui.tick = 100000;
  for (std::size_t i = 0; i < TMainForm::kProcessFailureLimit; ++i) browser.OnProcessFailed("killed");
  EXPECT_EQ(browser.navigations.size(), opened + TMainForm::kProcessFailureLimit - 1) << "reopened until the limit";
  ASSERT_EQ(ui.messageBoxes.size(), 1u);
  ASSERT_TRUE(f.LoadingOverlayShown()) << "the overlay, not a blank window";
  EXPECT_NE(ui.overlay->text.find(GetUiText("en", "loading.page_retry_hint")), std::string::npos) << ui.overlay->text;

  std::size_t navigations = browser.navigations.size();
  for (unsigned pause : TMainForm::kRecoveryPausesMs) {
    SCOPED_TRACE(pause);
    FakeMainFormUi::Timer* timer = pauseTimer(pause);
    ASSERT_NE(timer, nullptr);
    EXPECT_EQ(browser.navigations.size(), navigations) << "nothing before the pause is over";
    ui.tick += pause;
    timer->onTick();
    EXPECT_EQ(browser.navigations.size(), ++navigations);
    EXPECT_EQ(pauseTimer(pause), nullptr) << "each pause is tried once";
    browser.OnProcessFailed("killed again");  // at once: the next, longer pause
  }
  ASSERT_NE(pauseTimer(TMainForm::kRecoveryPausesMs.back()), nullptr) << "the longest pause repeats";
  EXPECT_EQ(ui.messageBoxes.size(), 1u) << "the box is said once";

  // The page comes back and runs a whole failure window: the next failure is reopened at once.
  pauseTimer(TMainForm::kRecoveryPausesMs.back())->onTick();
  browser.RaiseWebMessage(R"({"type":"nothing"})");
  EXPECT_FALSE(f.LoadingOverlayShown());
  ui.tick += TMainForm::kProcessFailureWindowMs;
  navigations = browser.navigations.size();
  browser.OnProcessFailed("killed once more");
  EXPECT_EQ(browser.navigations.size(), navigations + 1);
  EXPECT_EQ(ui.messageBoxes.size(), 1u);
}

}  // namespace
}  // namespace vantreel::test
