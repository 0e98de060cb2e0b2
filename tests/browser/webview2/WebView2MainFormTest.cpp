// The main window on the real WebView2 backend with a fake runtime: start-up through the
// backend's creation, the bundle served through the resource event and the environment's
// stream, the listener held for the entry document, and a page message that removes the
// overlay and gets its reply — while a message from a foreign document gets nothing.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <memory>
#include <string>

// The window's own message constants first: <windows.h> defines the same names as macros.
#include "app/UMainForm.h"
#include "tests/app/FakeMainFormUi.h"

#include "FakeRuntime.h"
#include "browser/webview2/WebView2BrowserFactory.h"

namespace vantreel::webview2 {
namespace {

using namespace fake;

constexpr const char* kEntry = "https://app.vantreel.invalid/";

// The fake windowing system with a real client-area window and a real message pump, which
// the backend needs for its host control and its completions.
class TWindowedFakeUi final : public test::FakeMainFormUi {
 public:
  TWindowedFakeUi() {
    FClient = CreateWindowExW(0, L"STATIC", L"client", WS_OVERLAPPEDWINDOW, 0, 0, 1280, 820, nullptr, nullptr,
                              GetModuleHandleW(nullptr), nullptr);
  }
  ~TWindowedFakeUi() override { DestroyWindow(FClient); }
  NativeHandle ClientHandle() override { return FClient; }
  void ProcessMessages() override {
    test::FakeMainFormUi::ProcessMessages();
    PumpMessages();
  }

 private:
  HWND FClient = nullptr;
};

std::string ReadText(const char* path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

TEST(WebView2MainForm, TheWindowServesItsPageAndTalksToItThroughTheBackend) {
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  auto runtime = std::make_shared<TFakeRuntimeState>();
  runtime->Prepare = [](TFakeEnvironment& environment) { environment.AutoComplete = true; };
  {
    TWindowedFakeUi ui;
    TWebView2BrowserFactory factory(MakeFakeRuntime(runtime));
    TMainForm form(ui, factory);
    ui.Show();
    ASSERT_EQ(runtime->Environments.size(), 1u);
    EXPECT_EQ(runtime->Language, "en") << "the window's language reaches the browser";
    TFakeEnvironment& environment = *runtime->Environments[0].Get();
    PumpMessages();  // the controller's completion
    ASSERT_EQ(environment.Controllers.size(), 1u) << (ui.messageBoxes.empty() ? "" : ui.messageBoxes[0]);
    TFakeController& controller = *environment.Controllers[0].Get();
    TFakeWebView& webView = *controller.WebView.Get();
    auto* core = static_cast<ICoreWebView2*>(&webView);

    EXPECT_TRUE(ui.messageBoxes.empty()) << ui.messageBoxes[0];
    EXPECT_EQ(webView.Settings->Get("AreDevToolsEnabled"), FALSE);
    EXPECT_EQ(webView.Settings->Get("AreDefaultContextMenusEnabled"), FALSE);
    EXPECT_EQ(webView.Settings->Get("AreBrowserAcceleratorKeysEnabled"), FALSE);
    EXPECT_EQ(webView.Filters, std::vector<std::string>{"https://app.vantreel.invalid/*"});
    EXPECT_EQ(webView.Navigations, std::vector<std::string>{kEntry});
    EXPECT_TRUE(webView.Scripts.empty()) << "the listener waits for the entry document";

    auto request = MakeFake<TFakeResourceArgs>(kEntry);
    webView.WebResourceRequested.Raise(core, request.Get());
    ASSERT_TRUE(request->Response);
    auto* response = static_cast<TFakeResponse*>(request->Response.Get());
    EXPECT_EQ(response->StatusCode, 200);
    EXPECT_NE(response->Headers.find("Content-Type: text/html"), std::string::npos) << response->Headers;
    EXPECT_EQ(response->ReadContent(), ReadText(VANTREEL_TEST_ENTRY_PAGE));

    auto completed = MakeFake<TFakeNavigationCompletedArgs>();
    webView.NavigationCompleted.Raise(core, completed.Get());
    ASSERT_EQ(webView.Scripts.size(), 1u);
    EXPECT_NE(webView.Scripts[0].find("__pcSystemResumeListenerInstalled"), std::string::npos);

    // The page posts its request as a string: it arrives as a JSON string literal.
    const std::string posted = R"("{\"type\":\"generate_token\",\"requestId\":\"r1\",\"identifier\":\" \"}")";
    auto foreign = MakeFake<TFakeMessageArgs>("https://evil.example/", posted);
    webView.WebMessageReceived.Raise(core, foreign.Get());
    EXPECT_TRUE(webView.PostedStrings.empty());
    EXPECT_TRUE(ui.overlay->panelAlive) << "a foreign document's message removed the overlay";

    auto own = MakeFake<TFakeMessageArgs>(kEntry, posted);
    webView.WebMessageReceived.Raise(core, own.Get());
    EXPECT_FALSE(ui.overlay->panelAlive);
    EXPECT_EQ(webView.PostedStrings,
              std::vector<std::string>{
                  R"({"type":"generate_token_response","requestId":"r1","ok":false,"error":"identifier 参数不能为空"})"});
  }
  CoUninitialize();
}

}  // namespace
}  // namespace vantreel::webview2
