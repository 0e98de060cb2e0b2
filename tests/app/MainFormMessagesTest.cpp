#include <chrono>

#include "app/ResumeScripts.h"
#include "app/UiStrings.h"
#include "tests/app/MainFormTestSupport.h"

namespace vantreel::test {
namespace {

using namespace std::chrono_literals;
using MessagesTest = MainFormTest;

TEST_F(MessagesTest, FirstMessageRemovesTheOverlayLaterOnesFindNone) {
  TMainFormPeer f = MakeAndShow();
  browsers.browser->RaiseAfterCreated();
  ASSERT_TRUE(f.LoadingOverlayShown());

  browsers.browser->RaiseWebMessage(R"("not json")", kHResultFail);  // unreadable: dropped silently
  EXPECT_TRUE(f.LoadingOverlayShown());

  browsers.browser->RaiseWebMessage(R"({"type":"nothing"})");
  EXPECT_FALSE(f.LoadingOverlayShown());
  EXPECT_EQ(ui.LiveTimers(), 0);
  EXPECT_EQ(log.Starting("加载遮罩已隐藏").size(), 1u);
  EXPECT_NE(log.Starting("加载遮罩已隐藏")[0].find("原因=OnBrowserWebMessageReceived: 收到前端消息"), std::string::npos);

  browsers.browser->RaiseWebMessage(R"({"type":"nothing"})");
  EXPECT_EQ(log.Starting("加载遮罩已隐藏").size(), 1u);
  EXPECT_EQ(ui.overlay->panelsMade, 1);
}

TEST_F(MessagesTest, PostedObjectsAndStringsReachTheBridgeAndItsReplyThePage) {
  TMainFormPeer f = MakeAndShow();
  browsers.browser->RaiseAfterCreated();
  (void)f;
  const std::string reply =
      R"({"type":"generate_token_response","requestId":"r1","ok":false,"error":"identifier 参数不能为空"})";
  for (const char* json : {R"({"type":"generate_token","requestId":"r1","identifier":" "})",
                           R"("{\"type\":\"generate_token\",\"requestId\":\"r1\",\"identifier\":\" \"}")"}) {
    SCOPED_TRACE(json);
    browsers.browser->postedMessages.clear();
    browsers.browser->RaiseWebMessage(json);
    EXPECT_EQ(browsers.browser->postedMessages, std::vector<std::string>{reply});
  }
  browsers.browser->postedMessages.clear();
  browsers.browser->RaiseWebMessage(R"("not a request")");
  EXPECT_TRUE(browsers.browser->postedMessages.empty());
}

TEST_F(MessagesTest, AMessageOverTheCapIsDroppedUnreadWithOneLine) {
  MakeAndShow();
  browsers.browser->RaiseAfterCreated();
  const std::string padding(TMainForm::kMaxWebMessageBytes, ' ');
  browsers.browser->RaiseWebMessage(R"({"type":"generate_token","requestId":"big","identifier":" "})" + padding);
  EXPECT_TRUE(browsers.browser->postedMessages.empty());
  ASSERT_EQ(log.Starting("页面消息过大").size(), 1u);
  EXPECT_NE(log.Starting("页面消息过大")[0].find("67108924 字节"), std::string::npos) << log.Starting("页面消息过大")[0];
  // At the cap it is handled as any other.
  browsers.browser->RaiseWebMessage(R"({"type":"generate_token","requestId":"cap","identifier":" "})" +
                                    padding.substr(0, TMainForm::kMaxWebMessageBytes - 61));
  EXPECT_EQ(browsers.browser->postedMessages.size(), 1u);
}

TEST_F(MessagesTest, RepliesAreSentOnlyOnceTheBrowserExists) {
  TMainFormPeer f = MakeAndShow();
  f.SendReplyToPage("early");
  EXPECT_TRUE(browsers.browser->postedMessages.empty());
  browsers.browser->RaiseAfterCreated();
  f.SendReplyToPage(R"({"type":"t","ok":true})");
  EXPECT_EQ(browsers.browser->postedMessages, std::vector<std::string>{R"({"type":"t","ok":true})"});
}

// Both scripts are submitted under the same rules: skipped while the browser is not ready,
// and a refusal or an exception is only logged.
TEST_F(MessagesTest, ScriptSubmissionLines) {
  struct Case {
    const char* name;
    bool result;
    bool throws;
    const char* listenerLine;
    const char* dispatchLine;
  } cases[] = {
      {"submitted", true, false, "注入系统恢复监听器：JavaScript 代码已提交执行", "系统恢复：已执行 JavaScript 触发 pcSystemResume 事件"},
      {"refused", false, false, "注入系统恢复监听器：JavaScript 代码执行失败（WebView 可能未就绪）",
       "系统恢复：JavaScript 代码执行失败（WebView 可能未就绪）"},
      {"raises", true, true, "注入系统恢复监听器异常：script host gone", "系统恢复：调用 handleSystemResume 异常 = script host gone"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    LogCapture caseLog;
    FakeMainFormUi localUi;
    ScriptedBrowserFactory localBrowsers;
    localBrowsers.browserScript.executeScriptResult = c.result;
    localBrowsers.browserScript.executeScriptThrows = c.throws;
    TMainForm localForm(localUi, localBrowsers);
    TMainFormPeer f(localForm);
    localUi.Show();

    f.InjectSystemResumeListener();  // the browser object does not exist yet
    EXPECT_EQ(caseLog.messages.back(), "注入系统恢复监听器：WebView2 尚未就绪，跳过注入。");
    f.NotifySystemResume();
    EXPECT_EQ(caseLog.messages.back(), "系统恢复：WebView 尚未初始化完成，跳过 handleSystemResume 调用。");
    f.OnBrowserAfterCreated();  // created as far as the window knows, but no browser object yet
    f.NotifySystemResume();
    EXPECT_EQ(caseLog.messages.back(), "系统恢复：WebView2 尚未就绪，跳过 handleSystemResume 调用。");
    EXPECT_TRUE(localBrowsers.browser->scripts.empty());

    localBrowsers.browser->RaiseAfterCreated();
    localBrowsers.browser->scripts.clear();
    f.InjectSystemResumeListener();
    EXPECT_EQ(caseLog.messages.back(), c.listenerLine);
    f.NotifySystemResume();
    EXPECT_EQ(caseLog.messages.back(), c.dispatchLine);
    EXPECT_EQ(localBrowsers.browser->scripts,
              (std::vector<std::string>{std::string(kSystemResumeListenerScript),
                                        std::string(kSystemResumeDispatchScript)}));
  }
}

TEST_F(MessagesTest, ResumeMessagesReachTheWindowOneSecondLaterOnItsThread) {
  TMainFormPeer f = Make();
  for (std::uintptr_t wParam : {PBT_APMRESUMEAUTOMATIC, PBT_APMRESUMESUSPEND}) {
    TMessage m{WM_POWERBROADCAST, wParam, 0, 0};
    EXPECT_TRUE(f.WndProc(m));
    EXPECT_EQ(m.Result, 1);
  }
  EXPECT_EQ(log.Count("检测到系统休眠恢复事件，准备调用前端 handleSystemResume。"), 2);
  const auto sent = std::chrono::steady_clock::now();

  ASSERT_TRUE(ui.RunNextHandOver(5s));
  EXPECT_GE(std::chrono::steady_clock::now() - sent, 900ms);
  ASSERT_TRUE(ui.RunNextHandOver(5s));
  // No browser yet: each notice is logged and dropped.
  EXPECT_EQ(log.Count("系统恢复：WebView 尚未初始化完成，跳过 handleSystemResume 调用。"), 2);

  TMessage other{WM_POWERBROADCAST, 4 /* going to sleep */, 0, 0};
  EXPECT_TRUE(f.WndProc(other));
  EXPECT_EQ(other.Result, 1);
  EXPECT_EQ(log.Count("检测到系统休眠恢复事件，准备调用前端 handleSystemResume。"), 2);
  EXPECT_FALSE(ui.RunNextHandOver(1500ms));
}

TEST_F(MessagesTest, ResumeNoticePendingWhenTheWindowIsDestroyedIsDropped) {
  TMainFormPeer f = MakeAndShow();
  browsers.browser->RaiseAfterCreated();
  TMessage m{WM_POWERBROADCAST, PBT_APMRESUMEAUTOMATIC, 0, 0};
  f.WndProc(m);
  form.reset();
  log.Clear();
  ASSERT_TRUE(ui.RunNextHandOver(5s));
  EXPECT_TRUE(log.messages.empty());
}

TEST_F(MessagesTest, MinimiseHidesTheWindowAndNothingElseIsHandled) {
  TMainFormPeer f = MakeAndShow();
  struct Case {
    std::uint32_t msg;
    std::uintptr_t wParam;
    bool handled;
  } cases[] = {
      {WM_SYSCOMMAND, SC_MINIMIZE, true},
      {WM_SYSCOMMAND, 0x1F020, true},  // only the low 16 bits carry the command
      {WM_SYSCOMMAND, 0xF021, false},  // compared without masking the low four bits
      {WM_SYSCOMMAND, 0xF030, false},  // maximise
      {WM_SYSCOMMAND, 0xF060, false},  // close
      {0x0005, SC_MINIMIZE, false},    // not a system command
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << std::hex << c.msg << " " << c.wParam);
    ui.visible = true;
    ui.actions.clear();
    log.Clear();
    TMessage m{c.msg, c.wParam, 0, 0};
    EXPECT_EQ(f.WndProc(m), c.handled);
    EXPECT_EQ(ui.visible, !c.handled);
    EXPECT_EQ(log.Has("用户点击最小化：主窗口已隐藏（未销毁），可通过托盘恢复。"), c.handled);
  }
}

// Hidden without a tray icon that shows, the window could never come back; it minimises the
// ordinary way instead.
TEST_F(MessagesTest, MinimiseWithoutAUsableTrayIconIsLeftToTheSystem) {
  for (bool trayFails : {true, false}) {
    SCOPED_TRACE(trayFails ? "tray icon failed" : "no notification area");
    LogCapture caseLog;
    FakeMainFormUi localUi;
    ScriptedBrowserFactory localBrowsers;
    localUi.trayThrows = trayFails;
    TMainForm localForm(localUi, localBrowsers);
    TMainFormPeer f(localForm);
    if (!trayFails) localUi.tray->embedded = false;
    localUi.Show();
    TMessage m{WM_SYSCOMMAND, SC_MINIMIZE, 0, 0};
    EXPECT_FALSE(f.WndProc(m));
    EXPECT_TRUE(localUi.visible);
    EXPECT_FALSE(caseLog.Has("用户点击最小化：主窗口已隐藏（未销毁），可通过托盘恢复。"));
  }
}

TEST_F(MessagesTest, TrayDoubleClickRestoresAHiddenWindowAndAlwaysBringsItForward) {
  MakeAndShow();
  browsers.browser->RaiseAfterCreated();
  const std::vector<std::string> forward = {"BringToFront", "BringApplicationToFront", "SetForegroundWindow",
                                            "SetFocus"};

  ui.actions.clear();
  log.Clear();
  ui.tray->onDblClick();  // visible, perhaps behind other windows
  EXPECT_EQ(ui.actions, forward);
  EXPECT_TRUE(log.messages.empty());

  TMessage minimise{WM_SYSCOMMAND, SC_MINIMIZE, 0, 0};
  ASSERT_TRUE(Peer().WndProc(minimise));
  ui.actions.clear();
  log.Clear();
  ui.tray->onDblClick();
  std::vector<std::string> restore = {"SetNormalState", "Show"};
  restore.insert(restore.end(), forward.begin(), forward.end());
  EXPECT_EQ(ui.actions, restore);
  EXPECT_TRUE(ui.visible);
  EXPECT_EQ(log.messages, (std::vector<std::string>{"DoShow 触发：准备一次性初始化 WebView。", "从托盘恢复：主窗口已显示。"}));
}

TEST_F(MessagesTest, TrayRestoreFailureIsLoggedAndStopsThere) {
  MakeAndShow();
  ui.foregroundThrows = true;
  ui.actions.clear();
  ui.tray->onDblClick();
  EXPECT_EQ(ui.actions, (std::vector<std::string>{"BringToFront", "BringApplicationToFront", "SetForegroundWindow"}));
  EXPECT_EQ(log.messages.back(), "从托盘恢复窗口异常：foreground refused");
}

TEST_F(MessagesTest, ResizeFitsTheBrowserOnceItsHostExists) {
  TMainFormPeer f = Make();
  f.Resize();  // nothing to fit yet
  ui.Show();
  ScriptedWindowParent& parent = *browsers.windowParent;
  const int sizes = parent.updateSizeCalls;
  f.Resize();
  EXPECT_EQ(parent.updateSizeCalls, sizes + 1);
  EXPECT_EQ(parent.invalidateCalls, 1);
  EXPECT_EQ(parent.repaintCalls, 1);
}

// A browser in windows or processes of its own does not follow its host's focus: the window
// hands it on each time it takes the focus itself, and passes each message on.
TEST_F(MessagesTest, ThePageGetsTheFocusWheneverTheWindowTakesIt) {
  TMainFormPeer f = MakeAndShow();
  ScriptedBrowser& browser = *browsers.browser;
  TMessage early{WM_SETFOCUS, 0, 0, 0};
  EXPECT_FALSE(f.WndProc(early));
  EXPECT_EQ(browser.focusMoves, 0) << "no page yet";
  browser.RaiseAfterCreated();
  EXPECT_EQ(browser.focusMoves, 1) << "the window was shown with the focus before the page existed";

  struct Case {
    std::uint32_t msg;
    std::uintptr_t wParam;
    bool focuses;
  } cases[] = {
      {WM_ACTIVATE, 1, true},            // WA_ACTIVE: Alt+Tab
      {WM_ACTIVATE, 2, true},            // WA_CLICKACTIVE: a click, the taskbar button
      {WM_ACTIVATE, 0x00010001, true},   // activated while minimised (high word)
      {WM_ACTIVATE, WA_INACTIVE, false},
      {WM_SETFOCUS, 0, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << std::hex << c.msg << " " << c.wParam);
    const int before = browser.focusMoves;
    TMessage m{c.msg, c.wParam, 0, 0};
    EXPECT_FALSE(f.WndProc(m)) << "the default handling must still run";
    EXPECT_EQ(browser.focusMoves, before + (c.focuses ? 1 : 0));
  }
  const int beforeRestore = browser.focusMoves;
  ui.tray->onDblClick();
  EXPECT_EQ(browser.focusMoves, beforeRestore + 1);
}

TEST_F(MessagesTest, TheHiddenWindowHidesThePageAndMovesReachTheHost) {
  TMainFormPeer f = MakeAndShow();
  browsers.browser->RaiseAfterCreated();
  TMessage minimise{WM_SYSCOMMAND, SC_MINIMIZE, 0, 0};
  ASSERT_TRUE(f.WndProc(minimise));
  EXPECT_EQ(browsers.browser->pageVisibility, std::vector<bool>{false});
  ui.tray->onDblClick();
  EXPECT_EQ(browsers.browser->pageVisibility, (std::vector<bool>{false, true}));
  ui.tray->onDblClick();  // already visible: nothing to tell
  EXPECT_EQ(browsers.browser->pageVisibility.size(), 2u);

  TMessage moved{WM_MOVE, 0, 0x00400040, 0};
  EXPECT_FALSE(f.WndProc(moved));
  EXPECT_EQ(browsers.windowParent->parentMoves, 1);
}

// A hung page is reported again every few seconds while it hangs. Only a hang still reported
// kUnresponsiveReloadMs after its first report has its process ended and the page reopened,
// and it counts toward the same limit as a crash.
TEST_F(MessagesTest, APageThatStaysUnresponsiveIsReopenedAndCountedWithCrashes) {
  MakeAndShow();
  ScriptedBrowser& browser = *browsers.browser;
  browser.RaiseAfterCreated();
  ASSERT_TRUE(browser.OnProcessUnresponsive);
  const std::string hung = "The page's render process is unresponsive.";
  auto reopened = [&] { return log.Starting("Web 进程已终止：").size(); };
  auto reportAt = [&](std::uint32_t ms) {
    ui.tick = 200000 + ms;
    browser.OnProcessUnresponsive(hung);
  };

  reportAt(0);
  reportAt(5000);
  reportAt(10000);
  EXPECT_EQ(reopened(), 0u) << "a short stall is no failure";
  reportAt(15000);
  ASSERT_EQ(reopened(), 1u);
  EXPECT_EQ(browser.endedPages, std::vector<std::string>{hung + " (15 s)"}) << "its process is ended first";
  EXPECT_EQ(log.Starting("Web 进程已终止：")[0], "Web 进程已终止：" + hung + " (15 s)（1 次/60 秒）");

  // Reports further apart than the gap are separate hangs, each too short.
  reportAt(20000);
  reportAt(31000);
  reportAt(42000);
  EXPECT_EQ(reopened(), 1u);

  // A crash and one more long hang within the minute reach the limit: the failure box.
  ASSERT_TRUE(browser.OnProcessFailed);
  browser.OnProcessFailed("The page's render process exited.");
  EXPECT_EQ(reopened(), 2u);
  const std::size_t boxes = ui.messageBoxes.size();
  reportAt(50000);
  reportAt(56000);
  reportAt(65000);
  EXPECT_EQ(reopened(), 3u);
  ASSERT_EQ(ui.messageBoxes.size(), boxes + 1);
  EXPECT_EQ(ui.messageBoxes.back().rfind(GetUiText("en", "err.webview_init") + hung, 0), 0u) << ui.messageBoxes.back();
}

}  // namespace
}  // namespace vantreel::test
