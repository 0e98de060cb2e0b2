// The main window as the product builds it on Windows — the Win32 window, the real WebView2
// backend — with only the runtime faked: the controller sits in the client area, the overlay
// covers it until the page's first message, and the reply reaches the page; the runtime is
// told of focus, moves, hiding and scale through the window's real messages.
#include <gtest/gtest.h>

#include <cstdlib>

// The window's own message constants first: <windows.h> defines the same names as macros.
#include "app/UMainForm.h"
#include "app/win32/Win32MainFormUi.h"

#include "FakeRuntime.h"
#include "app/win32/Win32Controls.h"
#include "browser/webview2/WebView2BrowserFactory.h"

namespace vantreel::webview2 {
namespace {

using namespace fake;

HWND LoadingPanel(HWND window) { return FindWindowExW(window, nullptr, L"VantreelLoadingPanel", nullptr); }

TEST(WebView2Win32Window, TheOverlayGoesWithThePagesFirstMessageAndTheReplyReachesThePage) {
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  auto runtime = std::make_shared<TFakeRuntimeState>();
  runtime->Prepare = [](TFakeEnvironment& environment) { environment.AutoComplete = true; };
  {
    win32ui::TWin32MainFormUi ui;
    TWebView2BrowserFactory factory(MakeFakeRuntime(runtime));
    TMainForm form(ui, factory);
    ui.Show();
    for (int i = 0; i < 100 && (runtime->Environments.empty() || runtime->Environments[0]->Controllers.empty()); ++i) {
      PumpMessages();
      Sleep(10);
    }
    ASSERT_EQ(runtime->Environments.size(), 1u);
    ASSERT_EQ(runtime->Environments[0]->Controllers.size(), 1u);
    TFakeEnvironment& environment = *runtime->Environments[0].Get();
    TFakeController& controller = *environment.Controllers[0].Get();
    TFakeWebView& webView = *controller.WebView.Get();
    auto* core = static_cast<ICoreWebView2*>(&webView);

    // The controller lives in a host control in the client area and covers all of it.
    EXPECT_EQ(GetParent(environment.ParentWindow), ui.Window());
    RECT client{};
    GetClientRect(ui.Window(), &client);
    EXPECT_EQ(controller.Bounds.right - controller.Bounds.left, client.right - client.left);
    EXPECT_EQ(controller.Bounds.bottom - controller.Bounds.top, client.bottom - client.top);
    EXPECT_EQ(controller.Visible, TRUE);
    EXPECT_EQ(webView.Navigations, std::vector<std::string>{"https://app.vantreel.invalid/"});

    // The window follows a resize, and the controller follows the window.
    SetWindowPos(ui.Window(), nullptr, 0, 0, 1000, 700, SWP_NOMOVE | SWP_NOZORDER);
    PumpMessages();
    GetClientRect(ui.Window(), &client);
    EXPECT_EQ(controller.Bounds.right - controller.Bounds.left, client.right - client.left);
    EXPECT_EQ(controller.Bounds.bottom - controller.Bounds.top, client.bottom - client.top);

    HWND panel = LoadingPanel(ui.Window());
    ASSERT_NE(panel, nullptr);
    EXPECT_TRUE(IsWindowVisible(panel));
    // Above the host control, so the page stays covered until it speaks.
    for (HWND above = GetWindow(environment.ParentWindow, GW_HWNDPREV);; above = GetWindow(above, GW_HWNDPREV)) {
      ASSERT_NE(above, nullptr) << "the loading panel is below the browser";
      if (above == panel) break;
    }

    const std::string posted = R"("{\"type\":\"generate_token\",\"requestId\":\"r1\",\"identifier\":\" \"}")";
    auto message = MakeFake<TFakeMessageArgs>("https://app.vantreel.invalid/", posted);
    webView.WebMessageReceived.Raise(core, message.Get());
    PumpMessages();
    panel = LoadingPanel(ui.Window());
    EXPECT_TRUE(panel == nullptr || !IsWindowVisible(panel)) << "the overlay stayed";
    EXPECT_EQ(webView.PostedStrings,
              std::vector<std::string>{
                  R"({"type":"generate_token_response","requestId":"r1","ok":false,"error":"identifier 参数不能为空"})"});
  }
  CoUninitialize();
}

// Runs the loop until the fake runtime has made its controller and the window has opened its
// page on it.
TFakeController* WaitForController(TFakeRuntimeState& runtime) {
  for (int i = 0; i < 500; ++i) {
    if (!runtime.Environments.empty() && !runtime.Environments[0]->Controllers.empty()) {
      TFakeController* controller = runtime.Environments[0]->Controllers[0].Get();
      if (!controller->WebView->Navigations.empty()) return controller;
    }
    PumpMessages();
    Sleep(10);
  }
  return nullptr;
}

TEST(WebView2Win32Window, TheRuntimeIsToldOfFocusMovesHidingAndScale) {
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  auto runtime = std::make_shared<TFakeRuntimeState>();
  runtime->Prepare = [](TFakeEnvironment& environment) { environment.AutoComplete = true; };
  {
    win32ui::TWin32MainFormUi ui;
    TWebView2BrowserFactory factory(MakeFakeRuntime(runtime));
    TMainForm form(ui, factory);
    ui.Show();
    TFakeController* found = WaitForController(*runtime);
    ASSERT_NE(found, nullptr);
    TFakeController& controller = *found;
    HWND window = ui.Window();

    // The page's CSS viewport is the bounds over the scale the runtime takes from the
    // window's monitor: the design's 1280 x 820, or less where the screen is smaller.
    const UINT dpi = GetDpiForWindow(window);
    if (const char* expected = std::getenv("VANTREEL_EXPECT_DPI"); expected != nullptr && *expected != '\0') {
      EXPECT_EQ(dpi, static_cast<UINT>(std::atoi(expected)));
    }
    RECT client{};
    GetClientRect(window, &client);
    EXPECT_EQ(controller.Bounds.right, client.right);
    EXPECT_EQ(controller.Bounds.bottom, client.bottom);
    EXPECT_LE(MulDiv(controller.Bounds.right, 96, static_cast<int>(dpi)), 1280);
    EXPECT_LE(MulDiv(controller.Bounds.bottom, 96, static_cast<int>(dpi)), 820);
    RECT outer{};
    GetWindowRect(window, &outer);
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    GetMonitorInfoW(MonitorFromWindow(window, MONITOR_DEFAULTTOPRIMARY), &monitor);
    if (outer.right - outer.left < monitor.rcWork.right - monitor.rcWork.left) {
      EXPECT_EQ(MulDiv(controller.Bounds.right, 96, static_cast<int>(dpi)), 1280) << "DPI " << dpi;
    }
    if (outer.bottom - outer.top < monitor.rcWork.bottom - monitor.rcWork.top) {
      EXPECT_EQ(MulDiv(controller.Bounds.bottom, 96, static_cast<int>(dpi)), 820) << "DPI " << dpi;
    }

    // The window took the focus at its showing, before the page existed.
    EXPECT_GE(controller.FocusMoves, 1);
    int focus = controller.FocusMoves;
    SendMessageW(window, WM_ACTIVATE, WA_CLICKACTIVE, 0);  // a click on the taskbar button
    EXPECT_GT(controller.FocusMoves, focus);
    focus = controller.FocusMoves;
    SendMessageW(window, WM_SETFOCUS, 0, 0);
    EXPECT_EQ(controller.FocusMoves, focus + 1);

    const int notices = controller.PositionNotices;
    SetWindowPos(window, nullptr, outer.left + 7, outer.top + 5, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    EXPECT_GT(controller.PositionNotices, notices);

    // Hidden into the tray, the page stops rendering; back from it, it renders and has the focus.
    SendMessageW(window, WM_SYSCOMMAND, SC_MINIMIZE, 0);
    ASSERT_FALSE(IsWindowVisible(window)) << "no notification area to hide into";
    EXPECT_EQ(controller.Visible, FALSE);
    focus = controller.FocusMoves;
    SendMessageW(window, win32ui::kTrayCallbackMessage, 1, WM_LBUTTONDBLCLK);
    PumpMessages();
    EXPECT_TRUE(IsWindowVisible(window));
    EXPECT_EQ(controller.Visible, TRUE);
    EXPECT_GT(controller.FocusMoves, focus);

    // Moved to a monitor of another scale: the system's suggested rectangle is taken, and the
    // controller follows the new client area.
    RECT suggested{40, 30, 40 + 900, 30 + 600};
    SendMessageW(window, WM_DPICHANGED, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(&suggested));
    GetWindowRect(window, &outer);
    EXPECT_EQ(outer.left, suggested.left);
    EXPECT_EQ(outer.top, suggested.top);
    EXPECT_EQ(outer.right, suggested.right);
    EXPECT_EQ(outer.bottom, suggested.bottom);
    GetClientRect(window, &client);
    EXPECT_EQ(controller.Bounds.right, client.right);
    EXPECT_EQ(controller.Bounds.bottom, client.bottom);
  }
  CoUninitialize();
}

}  // namespace
}  // namespace vantreel::webview2
