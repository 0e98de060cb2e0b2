// The main window as the product builds it on Windows — the Win32 window, the real WebView2
// backend — with only the runtime faked: the controller sits in the client area, the overlay
// covers it until the page's first message, and the reply reaches the page.
#include <gtest/gtest.h>

// The window's own message constants first: <windows.h> defines the same names as macros.
#include "app/UMainForm.h"
#include "app/win32/Win32MainFormUi.h"

#include "FakeRuntime.h"
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

}  // namespace
}  // namespace vantreel::webview2
