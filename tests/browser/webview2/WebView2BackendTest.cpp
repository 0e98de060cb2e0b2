// The real WebView2 backend driven by a fake runtime built on the SDK's header: the loader,
// the browser's creation, its settings, the four events the window sees, and every door that
// the backend keeps shut that a fake runtime can show.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "FakeRuntime.h"
#include "browser/webview2/WebView2Browser.h"
#include "browser/webview2/WebView2BrowserFactory.h"
#include "browser/webview2/WebView2Loader.h"
#include "platform/DebugOutput.h"

namespace vantreel::webview2 {
namespace {

using namespace fake;

constexpr const char* kOrigin = "https://app.vantreel.invalid";
constexpr const char* kEntry = "https://app.vantreel.invalid/";

bool Contains(const std::vector<std::string>& lines, const std::string& part) {
  return std::any_of(lines.begin(), lines.end(), [&](const std::string& l) { return l.find(part) != std::string::npos; });
}

class TComApartment {
 public:
  TComApartment() { CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED); }
  ~TComApartment() { CoUninitialize(); }
};

// A top-level window to hold the host control, as the main window's client area does.
class TTopWindow {
 public:
  TTopWindow() {
    FWindow = CreateWindowExW(0, L"STATIC", L"host", WS_OVERLAPPEDWINDOW, 0, 0, 640, 480, nullptr, nullptr,
                              GetModuleHandleW(nullptr), nullptr);
  }
  ~TTopWindow() { DestroyWindow(FWindow); }
  HWND Handle() const { return FWindow; }

 private:
  HWND FWindow;
};

class WebView2BackendTest : public ::testing::Test {
 protected:
  void SetUp() override {
    SetDebugOutputSinkForTesting([this](std::string_view line) { Lines.emplace_back(line); });
    Runtime = std::make_shared<TFakeRuntimeState>();
    Runtime->Prepare = [this](TFakeEnvironment& environment) {
      if (PrepareEnvironment) PrepareEnvironment(environment);
    };
  }
  void TearDown() override {
    Browser.reset();
    Parent.reset();
    SetGlobalWebView2Loader(nullptr);
    Loader.reset();
    SetDebugOutputSinkForTesting(nullptr);
  }

  // Loader, host control and browser as the window makes them, with the events recorded.
  void MakeBrowser() {
    TWebView2BrowserFactory factory(MakeFakeRuntime(Runtime));
    Loader = factory.CreateLoader();
    Loader->SetUserDataFolder("C:\\cache\\Vantreel\\WebView2Cache");
    Loader->SetLanguage("de");
    SetGlobalWebView2Loader(Loader.get());
    Loader->StartWebView2();
    Parent = factory.CreateWindowParent(Top.Handle());
    Browser = factory.CreateBrowser();
    Parent->SetBrowser(Browser.get());
    Browser->OnAfterCreated = [this] { ++AfterCreated; };
    Browser->OnInitializationError = [this](HResult code, const std::string& message) {
      ErrorCodes.push_back(code);
      ErrorMessages.push_back(message);
    };
    Browser->OnWebMessageReceived = [this](IWebMessageReceivedEventArgs& args) {
      std::string json;
      if (Succeeded(args.GetWebMessageAsJson(json))) Messages.push_back(json);
    };
  }

  // Creation through to OnAfterCreated, with the bundle's filter in place.
  void CreateAndFilter() {
    MakeBrowser();
    ASSERT_TRUE(Browser->CreateBrowser(Parent->Handle(), Loader->Environment()));
    Controller = Environment()->CompleteController();
    ASSERT_TRUE(Controller);
    ASSERT_EQ(AfterCreated, 1);
    ASSERT_TRUE(Browser->AddWebResourceRequestedFilter(std::string(kOrigin) + "/*", 0));
  }

  TFakeEnvironment* Environment() const { return Runtime->Environments.back().Get(); }
  TFakeWebView& WebView() const { return *Controller->WebView.Get(); }

  TComApartment Apartment;
  TTopWindow Top;
  std::shared_ptr<TFakeRuntimeState> Runtime;
  std::function<void(TFakeEnvironment&)> PrepareEnvironment;
  std::unique_ptr<IWebViewLoader> Loader;
  std::unique_ptr<IWindowParent> Parent;
  std::unique_ptr<IWebBrowser> Browser;
  TComPtr<TFakeController> Controller;
  int AfterCreated = 0;
  std::vector<HResult> ErrorCodes;
  std::vector<std::string> ErrorMessages, Messages, Lines;
};

// ---- Loader

TEST_F(WebView2BackendTest, LoaderMakesTheEnvironmentWithFolderLanguageAndArgumentsAfterClearingTheVariables) {
  for (const wchar_t* name : kRuntimeEnvironmentVariables) SetEnvironmentVariableW(name, L"--remote-debugging-port=9222");
  MakeBrowser();
  EXPECT_TRUE(Loader->Initialized());
  EXPECT_FALSE(Loader->InitializationError());
  EXPECT_NE(Loader->Environment(), nullptr);
  EXPECT_EQ(Runtime->UserDataFolder, "C:\\cache\\Vantreel\\WebView2Cache");
  EXPECT_EQ(Runtime->BrowserFolder, "");
  EXPECT_EQ(Runtime->Language, "de");
  EXPECT_EQ(Runtime->AdditionalBrowserArguments, "--disable-dev-tools");
  EXPECT_EQ(Runtime->SingleSignOn, FALSE);
  EXPECT_TRUE(Runtime->VariablesSeen.empty()) << "the runtime saw a variable of the user's";
  for (const wchar_t* name : kRuntimeEnvironmentVariables) EXPECT_EQ(GetEnvironmentVariableW(name, nullptr, 0), 0u);
}

TEST_F(WebView2BackendTest, LoaderWaitsForTheCompletionAndReportsItsFailure) {
  Runtime->CompleteAtOnce = false;
  MakeBrowser();
  EXPECT_FALSE(Loader->Initialized());
  EXPECT_FALSE(Loader->InitializationError());
  EXPECT_EQ(Loader->Environment(), nullptr);
  Runtime->CompletionResult = static_cast<HRESULT>(0x80070005);
  Runtime->CompletePending();
  EXPECT_FALSE(Loader->Initialized());
  EXPECT_TRUE(Loader->InitializationError());
  EXPECT_NE(Loader->ErrorMessage().find("0x80070005"), std::string::npos) << Loader->ErrorMessage();
}

TEST_F(WebView2BackendTest, FailuresFoundAtOnceShowAtTheFirstLook) {
  struct Case {
    const char* name;
    TWebView2Runtime runtime;
    const char* expected;
  };
  const auto empty = std::filesystem::temp_directory_path() / "vantreel-no-loader";
  std::filesystem::create_directories(empty);
  auto missingRuntime = std::make_shared<TFakeRuntimeState>();
  missingRuntime->CallResult = static_cast<HRESULT>(0x80070002);
  const Case cases[] = {
      {"no runtime", MakeFakeRuntime(missingRuntime), "The WebView2 Runtime is not installed (0x80070002)"},
      {"no loader DLL", LoadRuntimeFrom(empty), "WebView2Loader.dll is missing"},
  };
  for (const Case& c : cases) {
    TWebView2Loader loader(c.runtime);
    loader.StartWebView2();
    EXPECT_TRUE(loader.InitializationError()) << c.name;
    EXPECT_FALSE(loader.Initialized()) << c.name;
    EXPECT_NE(loader.ErrorMessage().find(c.expected), std::string::npos) << c.name << ": " << loader.ErrorMessage();
  }
}

// The SDK's own WebView2Loader.dll, found beside the program as in the product: with no
// runtime installed (as under Wine) it refuses at once, and the reason names the code.
TEST_F(WebView2BackendTest, TheRealLoaderDllWithoutARuntimeFailsAtOnceWithFileNotFound) {
  const auto folder = std::filesystem::temp_directory_path() / "vantreel-real-loader";
  std::filesystem::create_directories(folder);
  std::filesystem::copy_file(VANTREEL_WEBVIEW2_LOADER_DLL, folder / "WebView2Loader.dll",
                             std::filesystem::copy_options::overwrite_existing);
  TWebView2Runtime runtime = LoadRuntimeFrom(folder);
  ASSERT_TRUE(runtime.createEnvironment) << runtime.unavailableReason;
  TWebView2Loader loader(runtime);
  loader.SetLanguage("zh-CN");
  loader.SetUserDataFolder((folder / "cache").string());
  EXPECT_FALSE(loader.StartWebView2());
  EXPECT_TRUE(loader.InitializationError());
  EXPECT_EQ(loader.ErrorMessage(), "The WebView2 Runtime is not installed (0x80070002)");
}

// ---- Creation and settings

TEST_F(WebView2BackendTest, CreationPutsAHardenedControllerInTheHostControl) {
  MakeBrowser();
  EXPECT_FALSE(Browser->CreateBrowser(nullptr, Loader->Environment()));
  ASSERT_TRUE(Browser->CreateBrowser(Parent->Handle(), Loader->Environment()));
  EXPECT_FALSE(Browser->HasCoreWebView2());
  // Before creation a read gives false and a write is ignored.
  Browser->SetDevToolsEnabled(true);
  EXPECT_FALSE(Browser->DevToolsEnabled());
  EXPECT_EQ(Environment()->ParentWindow, static_cast<HWND>(Parent->Handle()));

  Controller = Environment()->CompleteController();
  EXPECT_EQ(AfterCreated, 1);
  EXPECT_TRUE(Browser->HasCoreWebView2());
  EXPECT_FALSE(Browser->CreateBrowser(Parent->Handle(), Loader->Environment())) << "exists already";

  const TFakeSettings& settings = *WebView().Settings.Get();
  for (const char* name : {"AreDefaultScriptDialogsEnabled", "AreHostObjectsAllowed", "IsStatusBarEnabled",
                           "IsZoomControlEnabled", "IsPasswordAutosaveEnabled", "IsGeneralAutofillEnabled",
                           "IsPinchZoomEnabled", "IsSwipeNavigationEnabled", "IsBuiltInErrorPageEnabled"})
    EXPECT_EQ(settings.Get(name), FALSE) << name;
  EXPECT_EQ(settings.Get("IsWebMessageEnabled"), TRUE);
  EXPECT_EQ(Controller->AllowExternalDrop, FALSE);
  EXPECT_EQ(Controller->Visible, TRUE);
  ASSERT_EQ(WebView().DocumentCreatedScripts.size(), 1u);
  EXPECT_NE(WebView().DocumentCreatedScripts[0].find("'print'"), std::string::npos);

  // The three switches the window turns off are the runtime's, on until the window asks.
  EXPECT_TRUE(Browser->DefaultContextMenusEnabled());
  Browser->SetDefaultContextMenusEnabled(false);
  Browser->SetDevToolsEnabled(false);
  Browser->SetAreBrowserAcceleratorKeysEnabled(false);
  EXPECT_FALSE(Browser->DefaultContextMenusEnabled());
  EXPECT_FALSE(Browser->DevToolsEnabled());
  EXPECT_FALSE(Browser->AreBrowserAcceleratorKeysEnabled());
  EXPECT_EQ(settings.Get("AreBrowserAcceleratorKeysEnabled"), FALSE);
}

TEST_F(WebView2BackendTest, AnOlderRuntimeWithoutTheNewerSwitchesIsLoggedAndCreationGoesOn) {
  PrepareEnvironment = [](TFakeEnvironment& environment) { environment.AutoComplete = false; };
  MakeBrowser();
  ASSERT_TRUE(Browser->CreateBrowser(Parent->Handle(), Loader->Environment()));
  // Withdraw the interfaces before the completion reaches the backend.
  auto handler = std::move(Environment()->Pending);
  auto controller = MakeFake<TFakeController>();
  controller->Withdrawn.insert(__uuidof(ICoreWebView2Controller4));
  controller->WebView->Withdrawn.insert(__uuidof(ICoreWebView2_4));
  controller->WebView->Withdrawn.insert(__uuidof(ICoreWebView2_18));
  for (const IID& iid : {__uuidof(ICoreWebView2Settings3), __uuidof(ICoreWebView2Settings4),
                         __uuidof(ICoreWebView2Settings5), __uuidof(ICoreWebView2Settings6)})
    controller->WebView->Settings->Withdrawn.insert(iid);
  handler->Invoke(S_OK, controller.Get());
  Controller = controller;

  EXPECT_EQ(AfterCreated, 1);
  Browser->SetAreBrowserAcceleratorKeysEnabled(false);
  EXPECT_FALSE(Browser->AreBrowserAcceleratorKeysEnabled());
  Browser->SetDevToolsEnabled(false);
  EXPECT_EQ(WebView().Settings->Get("AreDevToolsEnabled"), FALSE);
  for (const char* missing : {"ICoreWebView2Settings3", "ICoreWebView2Settings4", "ICoreWebView2Settings5",
                              "ICoreWebView2Settings6", "ICoreWebView2Controller4", "ICoreWebView2_4",
                              "ICoreWebView2_18"})
    EXPECT_TRUE(Contains(Lines, missing)) << missing;
}

TEST_F(WebView2BackendTest, ControllerFailuresEndInTheInitializationErrorWithCodeAndMessage) {
  struct Case {
    const char* name;
    HRESULT createResult, completionResult;
  };
  for (const Case& c : {Case{"refused at once", static_cast<HRESULT>(0x80070057), S_OK},
                        Case{"failed later", S_OK, static_cast<HRESULT>(0x8007139F)}}) {
    SCOPED_TRACE(c.name);
    ErrorCodes.clear();
    ErrorMessages.clear();
    PrepareEnvironment = [&](TFakeEnvironment& environment) {
      environment.CreateResult = c.createResult;
      environment.CompletionResult = c.completionResult;
    };
    TearDown();
    MakeBrowser();
    EXPECT_TRUE(Browser->CreateBrowser(Parent->Handle(), Loader->Environment()));
    Environment()->CompleteController();
    PumpMessages();
    ASSERT_EQ(ErrorCodes.size(), 1u);
    EXPECT_EQ(static_cast<HRESULT>(ErrorCodes[0]), FAILED(c.createResult) ? c.createResult : c.completionResult);
    EXPECT_NE(ErrorMessages[0].find("CreateCoreWebView2Controller"), std::string::npos) << ErrorMessages[0];
    EXPECT_EQ(AfterCreated, 0);
  }
}

TEST_F(WebView2BackendTest, TheControllerFollowsTheHostControl) {
  CreateAndFilter();
  MoveWindow(Top.Handle(), 0, 0, 900, 700, FALSE);
  Parent->UpdateSize();
  RECT client{};
  GetClientRect(Top.Handle(), &client);
  EXPECT_EQ(Controller->Bounds.right - Controller->Bounds.left, client.right - client.left);
  EXPECT_EQ(Controller->Bounds.bottom - Controller->Bounds.top, client.bottom - client.top);
}

// ---- The four events and the calls the window makes

TEST_F(WebView2BackendTest, AResourceRequestIsAnsweredWithStatusReasonHeadersAndTheExactBody) {
  CreateAndFilter();
  ASSERT_EQ(WebView().Filters, std::vector<std::string>{std::string(kOrigin) + "/*"});
  TBytes body;
  for (int i = 0; i < 300; ++i) body.push_back(static_cast<std::uint8_t>(i * 7));
  auto shared = std::make_shared<const TBytes>(body);
  std::string seenUri;
  Browser->OnWebResourceRequested = [&](IWebResourceRequestedEventArgs& args) {
    std::shared_ptr<IWebResourceRequest> request;
    ASSERT_TRUE(Succeeded(args.GetRequest(request)));
    ASSERT_TRUE(Succeeded(request->GetUri(seenUri)));
    std::shared_ptr<IWebResourceResponse> response;
    ASSERT_TRUE(Succeeded(Loader->Environment()->CreateWebResourceResponse(
        shared, 404, "Not Found", "Content-Type: text/html\r\nCache-Control: no-store", response)));
    ASSERT_TRUE(Succeeded(args.SetResponse(response)));
  };
  auto args = MakeFake<TFakeResourceArgs>("https://app.vantreel.invalid/js/\xE4\xB8\xAD.js?x=1");
  WebView().WebResourceRequested.Raise(static_cast<ICoreWebView2*>(&WebView()), args.Get());
  EXPECT_EQ(seenUri, "https://app.vantreel.invalid/js/\xE4\xB8\xAD.js?x=1");
  ASSERT_TRUE(args->Response);
  TComPtr<TFakeResponse> response(static_cast<TFakeResponse*>(args->Response.Get()));
  EXPECT_EQ(response->StatusCode, 404);
  EXPECT_EQ(response->ReasonPhrase, "Not Found");
  EXPECT_EQ(response->Headers, "Content-Type: text/html\r\nCache-Control: no-store");
  // The stream outlives the request and the window's own reference to the bytes.
  shared.reset();
  args.Reset();
  EXPECT_EQ(response->ReadContent(), std::string(body.begin(), body.end()));
  STATSTG stat{};
  ASSERT_EQ(response->Content->Stat(&stat, STATFLAG_NONAME), S_OK);
  EXPECT_EQ(stat.cbSize.QuadPart, body.size());
}

TEST_F(WebView2BackendTest, MessagesReachTheWindowOnlyFromOurOwnTopDocument) {
  CreateAndFilter();
  struct Case {
    const char* source;
    bool delivered;
  };
  const Case cases[] = {
      {"https://app.vantreel.invalid/", true},
      {"https://app.vantreel.invalid/index.html#x", true},
      {"https://evil.example/", false},
      {"https://app.vantreel.invalid.evil.example/", false},
      {"https://app.vantreel.invalid@evil.example/", false},
      {"http://app.vantreel.invalid/", false},
      {"about:blank", false},
      {"", false},
  };
  for (const Case& c : cases) {
    Messages.clear();
    auto args = MakeFake<TFakeMessageArgs>(c.source, "{\"type\":\"ping\"}");
    WebView().WebMessageReceived.Raise(static_cast<ICoreWebView2*>(&WebView()), args.Get());
    EXPECT_EQ(Messages.size(), c.delivered ? 1u : 0u) << c.source;
    if (c.delivered && !Messages.empty()) {
      EXPECT_EQ(Messages[0], "{\"type\":\"ping\"}");
    }
  }
}

TEST_F(WebView2BackendTest, PostedStringsAndScriptsCrossAsUtf16Intact) {
  CreateAndFilter();
  const std::string reply = "{\"ok\":true,\"text\":\"\xE4\xBD\xA0\xE5\xA5\xBD \xF0\x9F\x98\x80 \\\"q\\\"\"}";
  EXPECT_TRUE(Browser->PostWebMessageAsString(reply));
  EXPECT_EQ(WebView().PostedStrings, std::vector<std::string>{reply});
  EXPECT_TRUE(Browser->ExecuteScript("console.log('\xE6\x81\xA2\xE5\xA4\x8D');", 0));
  EXPECT_EQ(WebView().Scripts, std::vector<std::string>{"console.log('\xE6\x81\xA2\xE5\xA4\x8D');"});
}

TEST_F(WebView2BackendTest, ScriptsSubmittedRightAfterNavigateRunInTheNewDocument) {
  CreateAndFilter();
  EXPECT_TRUE(Browser->Navigate(kEntry));
  EXPECT_EQ(WebView().Navigations, std::vector<std::string>{kEntry});
  EXPECT_TRUE(Browser->ExecuteScript("listener()", 0));
  EXPECT_TRUE(WebView().Scripts.empty()) << "ran in the old document";
  auto completed = MakeFake<TFakeNavigationCompletedArgs>();
  WebView().NavigationCompleted.Raise(static_cast<ICoreWebView2*>(&WebView()), completed.Get());
  EXPECT_EQ(WebView().Scripts, std::vector<std::string>{"listener()"});
}

// ---- Doors

TEST_F(WebView2BackendTest, NavigationsAwayFromOurOriginAreCancelledInTheTopFrameAndInFrames) {
  CreateAndFilter();
  struct Case {
    const char* uri;
    bool topAllowed, frameAllowed;
  };
  const Case cases[] = {
      {"https://app.vantreel.invalid/", true, true},
      {"https://APP.vantreel.invalid/page?q=1", true, true},
      {"https://evil.example/", false, false},
      {"https://app.vantreel.invalid.evil.example/", false, false},
      {"https://user@app.vantreel.invalid/", false, false},
      {"http://app.vantreel.invalid/", false, false},
      {"file:///C:/Windows/win.ini", false, false},
      {"data:text/html,<h1>x</h1>", false, false},
      {"javascript:alert(1)", false, false},
      {"edge://settings", false, false},
      {"about:blank", false, true},
      {"about:srcdoc", false, true},
  };
  for (const Case& c : cases) {
    auto top = MakeFake<TFakeNavigationArgs>(c.uri);
    WebView().NavigationStarting.Raise(static_cast<ICoreWebView2*>(&WebView()), top.Get());
    EXPECT_EQ(top->Cancel, c.topAllowed ? FALSE : TRUE) << "top: " << c.uri;
    auto frame = MakeFake<TFakeNavigationArgs>(c.uri);
    WebView().FrameNavigationStarting.Raise(static_cast<ICoreWebView2*>(&WebView()), frame.Get());
    EXPECT_EQ(frame->Cancel, c.frameAllowed ? FALSE : TRUE) << "frame: " << c.uri;
  }
}

TEST_F(WebView2BackendTest, NewWindowsDownloadsOtherAppsAndPermissionsAreRefused) {
  CreateAndFilter();
  auto* core = static_cast<ICoreWebView2*>(&WebView());
  auto window = MakeFake<TFakeNewWindowArgs>("https://app.vantreel.invalid/popup");
  WebView().NewWindowRequested.Raise(core, window.Get());
  EXPECT_EQ(window->Handled, TRUE);
  auto download = MakeFake<TFakeDownloadArgs>();
  WebView().DownloadStarting.Raise(core, download.Get());
  EXPECT_EQ(download->Cancel, TRUE);
  auto scheme = MakeFake<TFakeExternalSchemeArgs>("ms-settings:network");
  WebView().LaunchingExternalUriScheme.Raise(core, scheme.Get());
  EXPECT_EQ(scheme->Cancel, TRUE);
  auto permission = MakeFake<TFakePermissionArgs>();
  WebView().PermissionRequested.Raise(core, permission.Get());
  EXPECT_EQ(permission->State, COREWEBVIEW2_PERMISSION_STATE_DENY);
}

// ---- Failed processes

TEST_F(WebView2BackendTest, ACrashedPageIsReloadedWithItsScriptsAndACrashedRuntimeReplaced) {
  CreateAndFilter();
  Browser->Navigate(kEntry);
  Browser->ExecuteScript("listener()", 0);
  auto completed = MakeFake<TFakeNavigationCompletedArgs>();
  WebView().NavigationCompleted.Raise(static_cast<ICoreWebView2*>(&WebView()), completed.Get());
  Browser->ExecuteScript("resumeNotice()", 0);  // for that document only: never repeated
  WebView().Scripts.clear();

  auto render = MakeFake<TFakeProcessFailedArgs>(COREWEBVIEW2_PROCESS_FAILED_KIND_RENDER_PROCESS_EXITED);
  WebView().ProcessFailed.Raise(static_cast<ICoreWebView2*>(&WebView()), render.Get());
  PumpMessages();
  EXPECT_EQ(WebView().Navigations, (std::vector<std::string>{kEntry, kEntry}));
  WebView().NavigationCompleted.Raise(static_cast<ICoreWebView2*>(&WebView()), completed.Get());
  EXPECT_EQ(WebView().Scripts, std::vector<std::string>{"listener()"});

  auto browserExit = MakeFake<TFakeProcessFailedArgs>(COREWEBVIEW2_PROCESS_FAILED_KIND_BROWSER_PROCESS_EXITED);
  WebView().ProcessFailed.Raise(static_cast<ICoreWebView2*>(&WebView()), browserExit.Get());
  PumpMessages();
  EXPECT_TRUE(Controller->Closed);
  EXPECT_EQ(Runtime->Calls, 2) << "a new environment";
  auto replacement = Environment()->CompleteController();
  ASSERT_TRUE(replacement);
  EXPECT_EQ(AfterCreated, 1) << "the window sees no second creation";
  TFakeWebView& fresh = *replacement->WebView.Get();
  EXPECT_EQ(fresh.Filters, std::vector<std::string>{std::string(kOrigin) + "/*"});
  EXPECT_EQ(fresh.Navigations, std::vector<std::string>{kEntry});
  EXPECT_EQ(fresh.Settings->Get("AreDefaultScriptDialogsEnabled"), FALSE);
  fresh.NavigationCompleted.Raise(static_cast<ICoreWebView2*>(&fresh), completed.Get());
  EXPECT_EQ(fresh.Scripts, std::vector<std::string>{"listener()"});
  EXPECT_TRUE(ErrorCodes.empty());

  // A third failure within the minute ends in the start-up failure box.
  auto again = MakeFake<TFakeProcessFailedArgs>(COREWEBVIEW2_PROCESS_FAILED_KIND_RENDER_PROCESS_EXITED);
  fresh.ProcessFailed.Raise(static_cast<ICoreWebView2*>(&fresh), again.Get());
  PumpMessages();
  ASSERT_EQ(ErrorCodes.size(), 1u);
  EXPECT_EQ(static_cast<HRESULT>(ErrorCodes[0]), HRESULT_FROM_WIN32(ERROR_PROCESS_ABORTED));
  EXPECT_TRUE(replacement->Closed);
}

// With the window's OnProcessFailed bound, the window reopens its page and counts failures:
// the backend only tells it, after putting a new controller in place of a dead runtime.
TEST_F(WebView2BackendTest, TheWindowIsToldOfFailedProcessesOnceABrowserIsThereAgain) {
  std::vector<std::string> reasons;
  MakeBrowser();
  Browser->OnProcessFailed = [&](const std::string& reason) { reasons.push_back(reason); };
  ASSERT_TRUE(Browser->CreateBrowser(Parent->Handle(), Loader->Environment()));
  Controller = Environment()->CompleteController();
  ASSERT_TRUE(Browser->AddWebResourceRequestedFilter(std::string(kOrigin) + "/*", 0));
  Browser->Navigate(kEntry);

  auto render = MakeFake<TFakeProcessFailedArgs>(COREWEBVIEW2_PROCESS_FAILED_KIND_RENDER_PROCESS_EXITED);
  WebView().ProcessFailed.Raise(static_cast<ICoreWebView2*>(&WebView()), render.Get());
  PumpMessages();
  EXPECT_EQ(reasons, std::vector<std::string>{"The page's render process exited."});
  EXPECT_EQ(WebView().Navigations, std::vector<std::string>{kEntry}) << "the window navigates, not the backend";

  auto browserExit = MakeFake<TFakeProcessFailedArgs>(COREWEBVIEW2_PROCESS_FAILED_KIND_BROWSER_PROCESS_EXITED);
  WebView().ProcessFailed.Raise(static_cast<ICoreWebView2*>(&WebView()), browserExit.Get());
  PumpMessages();
  EXPECT_EQ(reasons.size(), 1u) << "told before a browser is there again";
  auto replacement = Environment()->CompleteController();
  ASSERT_TRUE(replacement);
  ASSERT_EQ(reasons.size(), 2u);
  EXPECT_EQ(reasons[1], "The runtime's browser process exited.");
  EXPECT_TRUE(Browser->HasCoreWebView2());
  EXPECT_EQ(replacement->WebView->Filters, std::vector<std::string>{std::string(kOrigin) + "/*"});
  EXPECT_TRUE(replacement->WebView->Navigations.empty());
  EXPECT_TRUE(ErrorCodes.empty());
}

}  // namespace
}  // namespace vantreel::webview2
