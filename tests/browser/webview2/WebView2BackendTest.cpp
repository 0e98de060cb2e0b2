// The real WebView2 backend driven by a fake runtime built on the SDK's header: the loader,
// the browser's creation, its settings, the four events the window sees, and every door that
// the backend keeps shut that a fake runtime can show.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "FakeRuntime.h"
#include "browser/webview2/WebView2Browser.h"
#include "browser/webview2/WebView2BrowserFactory.h"
#include "browser/webview2/WebView2Environment.h"
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

// Every WEBVIEW2_* name in the shipped loader DLL's strings, ASCII or UTF-16: what this
// loader version may read, whatever our code knows of.
std::set<std::string> VariableNamesInLoaderDll() {
  std::ifstream in(VANTREEL_WEBVIEW2_LOADER_DLL, std::ios::binary);
  const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  auto nameChar = [](char c) { return (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_'; };
  std::set<std::string> names;
  for (const int step : {1, 2}) {
    std::string narrow;  // the DLL's text at this character width
    for (std::size_t i = 0; i + static_cast<std::size_t>(step) <= bytes.size(); i += static_cast<std::size_t>(step))
      narrow.push_back(step == 2 && bytes[i + 1] != 0 ? '\0' : bytes[i]);
    for (std::size_t at = narrow.find("WEBVIEW2_"); at != std::string::npos; at = narrow.find("WEBVIEW2_", at + 1)) {
      std::size_t end = at;
      while (end < narrow.size() && nameChar(narrow[end])) ++end;
      if (end - at > 9) names.insert(narrow.substr(at, end - at));
    }
  }
  return names;
}

// ---- Loader

TEST_F(WebView2BackendTest, LoaderMakesTheEnvironmentWithFolderLanguageAndArgumentsAfterClearingTheVariables) {
  const std::set<std::string> names = VariableNamesInLoaderDll();
  for (const char* known : {"WEBVIEW2_BROWSER_EXECUTABLE_FOLDER", "WEBVIEW2_CHANNEL_SEARCH_KIND",
                            "WEBVIEW2_RELEASE_CHANNELS", "WEBVIEW2_USE_EDGE_VIEW"})
    EXPECT_EQ(names.count(known), 1u) << known << " not found: is the scan still reading the DLL?";
  for (const std::string& name : names) SetEnvironmentVariableW(Widen(name).c_str(), L"--remote-debugging-port=9222");
  // The runtime itself reads this one; and Windows compares names without case.
  SetEnvironmentVariableW(L"WEBVIEW2_ADDITIONAL_BROWSER_ARGUMENTS", L"--remote-debugging-port=9222");
  SetEnvironmentVariableW(L"WebView2_Some_Future_Switch", L"1");
  SetEnvironmentVariableW(L"VANTREEL_UNRELATED", L"kept");
  MakeBrowser();
  EXPECT_TRUE(Loader->Initialized());
  EXPECT_FALSE(Loader->InitializationError());
  EXPECT_NE(Loader->Environment(), nullptr);
  EXPECT_EQ(Runtime->UserDataFolder, "C:\\cache\\Vantreel\\WebView2Cache");
  EXPECT_EQ(Runtime->BrowserFolder, "");
  EXPECT_EQ(Runtime->Language, "de");
  // The Language option applies only to a new user-data folder; the switch to every start.
  EXPECT_EQ(Runtime->AdditionalBrowserArguments, "--disable-dev-tools --accept-lang=de");
  EXPECT_EQ(Runtime->SingleSignOn, FALSE);
  ASSERT_TRUE(Runtime->ChannelOptionsOffered);
  EXPECT_EQ(Runtime->ChannelSearchKind, COREWEBVIEW2_CHANNEL_SEARCH_KIND_MOST_STABLE);
  EXPECT_EQ(Runtime->ReleaseChannels, COREWEBVIEW2_RELEASE_CHANNELS_STABLE);
  for (const auto& [name, entry] : Runtime->VariablesSeen) ADD_FAILURE() << "the runtime saw " << Narrow(entry);
  for (const std::string& name : names) EXPECT_EQ(GetEnvironmentVariableW(Widen(name).c_str(), nullptr, 0), 0u) << name;
  EXPECT_GT(GetEnvironmentVariableW(L"VANTREEL_UNRELATED", nullptr, 0), 0u);
  SetEnvironmentVariableW(L"VANTREEL_UNRELATED", nullptr);
}

TEST_F(WebView2BackendTest, OnlyAPlainLanguageTagBecomesTheAcceptLanguageSwitch) {
  EXPECT_EQ(LoaderBrowserArguments("zh-CN"), "--disable-dev-tools --accept-lang=zh-CN");
  EXPECT_EQ(LoaderBrowserArguments(""), "--disable-dev-tools");
  EXPECT_EQ(LoaderBrowserArguments("en --remote-debugging-port=9222"), "--disable-dev-tools");
  EXPECT_EQ(LoaderBrowserArguments("en\"x"), "--disable-dev-tools");
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
    std::uint32_t code;
  };
  const auto empty = std::filesystem::temp_directory_path() / "vantreel-no-loader";
  std::filesystem::create_directories(empty);
  auto missingRuntime = std::make_shared<TFakeRuntimeState>();
  missingRuntime->CallResult = static_cast<HRESULT>(0x80070002);
  const Case cases[] = {
      {"no runtime", MakeFakeRuntime(missingRuntime), "The WebView2 Runtime is not installed (0x80070002)", 0x80070002},
      {"no loader DLL", LoadRuntimeFrom(empty), "WebView2Loader.dll is missing", 0x8007007E},
  };
  for (const Case& c : cases) {
    TWebView2Loader loader(c.runtime);
    loader.StartWebView2();
    EXPECT_TRUE(loader.InitializationError()) << c.name;
    EXPECT_FALSE(loader.Initialized()) << c.name;
    EXPECT_NE(loader.ErrorMessage().find(c.expected), std::string::npos) << c.name << ": " << loader.ErrorMessage();
    // The window words its advice after the code.
    EXPECT_EQ(static_cast<std::uint32_t>(loader.ErrorCode()), c.code) << c.name;
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
  PumpMessages();

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
        {404, "Not Found", "text/html", {{"Cache-Control", "no-store"}}, shared}, response)));
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
      {"https://app.vantreel.invalid/js/main.js", false, true},
      {"https://app.vantreel.invalid/img/logo.svg", false, true},
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

// ---- What a real runtime needs told

TEST_F(WebView2BackendTest, TheWindowHearsOfCreationOnlyOnceThePrintOverrideIsInAndNeverInsideACallback) {
  MakeBrowser();
  bool afterCreatedInCallback = true, scriptsPendingAtCreation = true;
  Browser->OnAfterCreated = [&] {
    ++AfterCreated;
    afterCreatedInCallback = InRuntimeCallback;
    scriptsPendingAtCreation = Environment()->Controllers.back()->WebView->PendingDocumentScripts > 0;
    Browser->Navigate(kEntry);  // what the window does here
  };
  ASSERT_TRUE(Browser->CreateBrowser(Parent->Handle(), Loader->Environment()));
  Controller = Environment()->CompleteController();
  ASSERT_EQ(AfterCreated, 1);
  EXPECT_FALSE(afterCreatedInCallback) << "a failure box here would run a nested loop inside the runtime's call";
  EXPECT_FALSE(scriptsPendingAtCreation);
  EXPECT_FALSE(WebView().NavigatedBeforeScriptsAdded);
  EXPECT_EQ(WebView().Navigations, std::vector<std::string>{kEntry});

  // A failed creation reaches the window from its loop too.
  std::vector<bool> errorInCallback;
  PrepareEnvironment = [](TFakeEnvironment& environment) { environment.CompletionResult = E_ACCESSDENIED; };
  TearDown();
  MakeBrowser();
  Browser->OnInitializationError = [&](HResult, const std::string&) { errorInCallback.push_back(InRuntimeCallback); };
  ASSERT_TRUE(Browser->CreateBrowser(Parent->Handle(), Loader->Environment()));
  Environment()->CompleteController();
  EXPECT_EQ(errorInCallback, std::vector<bool>{false});
}

TEST_F(WebView2BackendTest, FocusPositionAndVisibilityReachTheController) {
  MakeBrowser();
  Browser->MoveFocus();  // nothing to focus yet: no failure
  Browser->SetPageVisible(false);
  ASSERT_TRUE(Browser->CreateBrowser(Parent->Handle(), Loader->Environment()));
  Controller = Environment()->CompleteController();
  ASSERT_TRUE(Controller);
  EXPECT_EQ(Controller->Visible, FALSE) << "created while the window was hidden";
  EXPECT_EQ(Controller->FocusMoves, 0);

  Browser->SetPageVisible(true);
  Browser->MoveFocus();
  Parent->ParentWindowMoved();
  EXPECT_EQ(Controller->Visible, TRUE);
  EXPECT_EQ(Controller->FocusMoves, 1);
  EXPECT_EQ(Controller->PositionNotices, 1);

  // A replacement after the runtime died starts as the window last asked.
  Browser->SetPageVisible(false);
  auto browserExit = MakeFake<TFakeProcessFailedArgs>(COREWEBVIEW2_PROCESS_FAILED_KIND_BROWSER_PROCESS_EXITED);
  WebView().ProcessFailed.Raise(static_cast<ICoreWebView2*>(&WebView()), browserExit.Get());
  PumpMessages();
  auto replacement = Environment()->CompleteController();
  ASSERT_TRUE(replacement);
  EXPECT_EQ(replacement->Visible, FALSE);
  EXPECT_EQ(replacement->VisibilityCalls, std::vector<BOOL>{FALSE});
}

// Arabic mirrors the frame; the host must not pass that on to the runtime's windows.
TEST_F(WebView2BackendTest, TheHostIsNotMirroredAndItsRepaintWaitsOnNoChildWindow) {
  TTopWindow mirrored;
  SetWindowLongPtrW(mirrored.Handle(), GWL_EXSTYLE, GetWindowLongPtrW(mirrored.Handle(), GWL_EXSTYLE) | WS_EX_LAYOUTRTL);
  TWebView2BrowserFactory factory(MakeFakeRuntime(Runtime));
  auto parent = factory.CreateWindowParent(mirrored.Handle());
  HWND host = static_cast<HWND>(parent->Handle());
  EXPECT_TRUE(GetWindowLongPtrW(host, GWL_EXSTYLE) & WS_EX_NOINHERITLAYOUT);

  // A window of the runtime's inside the host, counting the paints it is made to do.
  static int paints = 0;
  WNDCLASSW windowClass{};
  windowClass.lpfnWndProc = [](HWND window, UINT message, WPARAM wParam, LPARAM lParam) -> LRESULT {
    if (message == WM_PAINT) {
      ++paints;
      PAINTSTRUCT paint;
      BeginPaint(window, &paint);
      EndPaint(window, &paint);
      return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
  };
  windowClass.hInstance = GetModuleHandleW(nullptr);
  windowClass.lpszClassName = L"VantreelTestRuntimeChild";
  RegisterClassW(&windowClass);
  parent->SetVisible(true);
  ShowWindow(mirrored.Handle(), SW_SHOW);
  HWND child = CreateWindowExW(0, L"VantreelTestRuntimeChild", L"", WS_CHILD | WS_VISIBLE, 0, 0, 200, 200, host,
                               nullptr, GetModuleHandleW(nullptr), nullptr);
  ASSERT_NE(child, nullptr);
  EXPECT_FALSE(GetWindowLongPtrW(child, GWL_EXSTYLE) & WS_EX_LAYOUTRTL) << "the runtime's window would be mirrored";
  PumpMessages();
  paints = 0;
  // What the window does on every resize.
  parent->UpdateSize();
  parent->Invalidate();
  parent->Repaint();
  EXPECT_EQ(paints, 0) << "the resize painted the runtime's window synchronously";
  DestroyWindow(child);
}

// The runtime reads a response's stream on a thread of its own.
TEST_F(WebView2BackendTest, AResponseStreamIsReadDirectlyFromAnotherThread) {
  CreateAndFilter();
  const std::string body = "free-threaded body";
  TWebResourceAnswer answer;
  answer.content = std::make_shared<const TBytes>(body.begin(), body.end());
  std::shared_ptr<IWebResourceResponse> response;
  ASSERT_TRUE(Succeeded(Loader->Environment()->CreateWebResourceResponse(std::move(answer), response)));
  auto* ours = dynamic_cast<TWebView2Response*>(response.get());
  ASSERT_NE(ours, nullptr);
  TComPtr<IStream> stream = static_cast<TFakeResponse*>(ours->Core())->Content;
  ASSERT_TRUE(stream);
  TComPtr<IUnknown> agile;
  EXPECT_EQ(stream->QueryInterface(IID_IAgileObject, reinterpret_cast<void**>(agile.Put())), S_OK);

  IStream* marshalled = nullptr;
  ASSERT_EQ(CoMarshalInterThreadInterfaceInStream(IID_IStream, stream.Get(), &marshalled), S_OK);
  IStream* seen = nullptr;
  std::string read;
  // This thread pumps nothing meanwhile: a call queued for it would never return.
  std::thread reader([&] {
    CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    IStream* unmarshalled = nullptr;
    if (SUCCEEDED(CoGetInterfaceAndReleaseStream(marshalled, IID_IStream, reinterpret_cast<void**>(&unmarshalled)))) {
      seen = unmarshalled;
      char buffer[64];
      ULONG count = 0;
      LARGE_INTEGER start{};
      unmarshalled->Seek(start, STREAM_SEEK_SET, nullptr);
      if (SUCCEEDED(unmarshalled->Read(buffer, sizeof buffer, &count))) read.assign(buffer, count);
      unmarshalled->Release();
    }
    CoUninitialize();
  });
  reader.join();
  EXPECT_EQ(seen, stream.Get()) << "the other thread got a proxy, not the stream";
  EXPECT_EQ(read, body);
}

// ---- Failed and hung processes

TEST_F(WebView2BackendTest, TheBackendOnlyReportsFailedAndHungPagesAndCountsNothing) {
  std::vector<std::string> failed, unresponsive;
  MakeBrowser();
  Browser->OnProcessFailed = [&](const std::string& reason) { failed.push_back(reason); };
  Browser->OnProcessUnresponsive = [&](const std::string& reason) { unresponsive.push_back(reason); };
  ASSERT_TRUE(Browser->CreateBrowser(Parent->Handle(), Loader->Environment()));
  Controller = Environment()->CompleteController();
  Browser->Navigate(kEntry);
  auto* core = static_cast<ICoreWebView2*>(&WebView());

  // However often: the window decides when enough is enough.
  for (int i = 0; i < 5; ++i) {
    auto hung = MakeFake<TFakeProcessFailedArgs>(COREWEBVIEW2_PROCESS_FAILED_KIND_RENDER_PROCESS_UNRESPONSIVE);
    WebView().ProcessFailed.Raise(core, hung.Get());
    auto exited = MakeFake<TFakeProcessFailedArgs>(COREWEBVIEW2_PROCESS_FAILED_KIND_RENDER_PROCESS_EXITED);
    WebView().ProcessFailed.Raise(core, exited.Get());
    EXPECT_TRUE(failed.size() == static_cast<std::size_t>(i)) << "told inside the runtime's call";
    PumpMessages();
  }
  EXPECT_EQ(unresponsive, std::vector<std::string>(5, "The page's render process is unresponsive."));
  EXPECT_EQ(failed, std::vector<std::string>(5, "The page's render process exited."));
  EXPECT_EQ(WebView().Navigations, std::vector<std::string>{kEntry}) << "the window navigates, not the backend";
  for (auto kind : {COREWEBVIEW2_PROCESS_FAILED_KIND_GPU_PROCESS_EXITED,
                    COREWEBVIEW2_PROCESS_FAILED_KIND_FRAME_RENDER_PROCESS_EXITED}) {
    auto other = MakeFake<TFakeProcessFailedArgs>(kind);
    WebView().ProcessFailed.Raise(core, other.Get());
  }
  PumpMessages();
  EXPECT_EQ(failed.size(), 5u);
  EXPECT_TRUE(ErrorCodes.empty());
  EXPECT_FALSE(Controller->Closed);
}

// The runtime's browser process gone, or a page the window found hung for good: a new
// controller first (on a new environment only for a dead runtime), with what the window set,
// then the window is told; without a window handler the backend reopens the page itself.
TEST_F(WebView2BackendTest, AControllerIsReplacedBeforeTheWindowIsTold) {
  const std::string hung = "The page's render process is unresponsive. (15 s)";
  const struct {
    const char* name;
    bool runtimeExited;
    bool windowHandles;
  } cases[] = {{"runtime exited, window handles it", true, true},
               {"runtime exited, no window handler", true, false},
               {"page hung, window handles it", false, true}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TearDown();
    Runtime = std::make_shared<TFakeRuntimeState>();
    std::vector<std::string> reasons;
    AfterCreated = 0;
    MakeBrowser();
    if (c.windowHandles) Browser->OnProcessFailed = [&](const std::string& reason) { reasons.push_back(reason); };
    ASSERT_TRUE(Browser->CreateBrowser(Parent->Handle(), Loader->Environment()));
    Controller = Environment()->CompleteController();
    ASSERT_TRUE(Browser->AddWebResourceRequestedFilter(std::string(kOrigin) + "/*", 0));
    Browser->SetDevToolsEnabled(false);
    Browser->Navigate(kEntry);
    Browser->ExecuteScript("listener()", 0);
    auto completed = MakeFake<TFakeNavigationCompletedArgs>();
    WebView().NavigationCompleted.Raise(static_cast<ICoreWebView2*>(&WebView()), completed.Get());

    if (c.runtimeExited) {
      auto browserExit = MakeFake<TFakeProcessFailedArgs>(COREWEBVIEW2_PROCESS_FAILED_KIND_BROWSER_PROCESS_EXITED);
      WebView().ProcessFailed.Raise(static_cast<ICoreWebView2*>(&WebView()), browserExit.Get());
      PumpMessages();
    } else {
      Browser->EndUnresponsivePage(hung);
      Browser->EndUnresponsivePage(hung);  // a late report while the new one is on its way
    }
    EXPECT_TRUE(Controller->Closed);
    EXPECT_EQ(Runtime->Calls, c.runtimeExited ? 2 : 1) << "a new environment only for a dead runtime";
    EXPECT_TRUE(reasons.empty()) << "told before a browser is there again";
    auto replacement = Environment()->CompleteController();
    ASSERT_TRUE(replacement);
    EXPECT_EQ(Environment()->CreateCalls, c.runtimeExited ? 1 : 2) << "one replacement";
    EXPECT_EQ(AfterCreated, 1) << "the window sees no second creation";
    TFakeWebView& fresh = *replacement->WebView.Get();
    EXPECT_TRUE(Browser->HasCoreWebView2());
    EXPECT_EQ(fresh.Filters, std::vector<std::string>{std::string(kOrigin) + "/*"});
    EXPECT_EQ(fresh.Settings->Get("AreDevToolsEnabled"), FALSE);
    EXPECT_EQ(fresh.Settings->Get("AreDefaultScriptDialogsEnabled"), FALSE);
    EXPECT_FALSE(fresh.NavigatedBeforeScriptsAdded);
    if (c.windowHandles) {
      EXPECT_EQ(reasons, std::vector<std::string>{c.runtimeExited ? "The runtime's browser process exited." : hung});
      EXPECT_TRUE(fresh.Navigations.empty());
    } else {
      EXPECT_EQ(fresh.Navigations, std::vector<std::string>{kEntry});
      fresh.NavigationCompleted.Raise(static_cast<ICoreWebView2*>(&fresh), completed.Get());
      EXPECT_EQ(fresh.Scripts, std::vector<std::string>{"listener()"});
    }
    EXPECT_TRUE(ErrorCodes.empty());
  }
}

}  // namespace
}  // namespace vantreel::webview2
