#include "browser/webview2/WebView2Browser.h"

#include <exception>
#include <utility>

#include "base/LogText.h"
#include "base/StatusText.h"
#include "browser/webview2/ComHandler.h"
#include "browser/webview2/WebView2Environment.h"
#include "browser/webview2/WebView2Loader.h"
#include "browser/webview2/WideText.h"
#include "platform/DebugOutput.h"

namespace vantreel::webview2 {

// Non-writable, so that a page script cannot put the real one back.
const char* const kNoPrintScript =
    "Object.defineProperty(window, 'print', {value: function () {}, writable: false, configurable: false});";

namespace {

// Lines quote URLs that the page chose: one line each, whatever they hold.
void Log(const std::string& line) { OutputDebugLine("[WEBVIEW2] " + EscapedForLog(line)); }

class TRequest final : public IWebResourceRequest {
 public:
  explicit TRequest(TComPtr<ICoreWebView2WebResourceRequest> core) : FCore(std::move(core)) {}
  HResult GetUri(std::string& uri) override {
    return ReadString([this](LPWSTR* value) { return FCore->get_Uri(value); }, uri);
  }

 private:
  TComPtr<ICoreWebView2WebResourceRequest> FCore;
};

class TResourceRequestedArgs final : public IWebResourceRequestedEventArgs {
 public:
  explicit TResourceRequestedArgs(ICoreWebView2WebResourceRequestedEventArgs* core) : FCore(core) {}
  HResult GetRequest(std::shared_ptr<IWebResourceRequest>& request) override {
    TComPtr<ICoreWebView2WebResourceRequest> core;
    const HRESULT hr = FCore->get_Request(core.Put());
    if (FAILED(hr)) return hr;
    if (!core) return E_POINTER;
    request = std::make_shared<TRequest>(std::move(core));
    return hr;
  }
  HResult SetResponse(std::shared_ptr<IWebResourceResponse> response) override {
    auto* ours = dynamic_cast<TWebView2Response*>(response.get());
    if (ours == nullptr) return E_INVALIDARG;
    return FCore->put_Response(ours->Core());
  }

 private:
  ICoreWebView2WebResourceRequestedEventArgs* FCore;
};

class TWebMessageArgs final : public IWebMessageReceivedEventArgs {
 public:
  explicit TWebMessageArgs(ICoreWebView2WebMessageReceivedEventArgs* core) : FCore(core) {}
  HResult GetWebMessageAsJson(std::string& json) override {
    return ReadString([this](LPWSTR* value) { return FCore->get_WebMessageAsJson(value); }, json);
  }

 private:
  ICoreWebView2WebMessageReceivedEventArgs* FCore;
};

// The window's handlers report their own failures; nothing may unwind into the runtime.
template <typename Call>
void Guarded(const char* what, Call&& call) {
  try {
    call();
  } catch (const std::exception& e) {
    Log(std::string(what) + ": " + e.what());
  } catch (...) {
    Log(std::string(what) + ": unknown exception");
  }
}

}  // namespace

TWebView2Browser::TWebView2Browser() = default;

TWebView2Browser::~TWebView2Browser() {
  *FAlive = false;
  CloseController();
}

bool TWebView2Browser::DefaultContextMenusEnabled() const {
  BOOL enabled = FALSE;
  if (!HasCoreWebView2() || !FSettings || FAILED(FSettings->get_AreDefaultContextMenusEnabled(&enabled))) return false;
  return enabled != FALSE;
}

void TWebView2Browser::SetDefaultContextMenusEnabled(bool enabled) {
  if (!HasCoreWebView2()) return;
  FContextMenus = enabled;
  FSettings->put_AreDefaultContextMenusEnabled(enabled ? TRUE : FALSE);
}

bool TWebView2Browser::DevToolsEnabled() const {
  BOOL enabled = FALSE;
  if (!HasCoreWebView2() || !FSettings || FAILED(FSettings->get_AreDevToolsEnabled(&enabled))) return false;
  return enabled != FALSE;
}

void TWebView2Browser::SetDevToolsEnabled(bool enabled) {
  if (!HasCoreWebView2()) return;
  FDevTools = enabled;
  FSettings->put_AreDevToolsEnabled(enabled ? TRUE : FALSE);
}

// An older runtime without ICoreWebView2Settings3 has no such switch: it reads as off, so the
// window has nothing to confirm, and the backend says once that it could not turn them off.
bool TWebView2Browser::AreBrowserAcceleratorKeysEnabled() const {
  BOOL enabled = FALSE;
  if (!HasCoreWebView2() || !FSettings) return false;
  auto settings3 = FSettings.As<ICoreWebView2Settings3>();
  if (!settings3 || FAILED(settings3->get_AreBrowserAcceleratorKeysEnabled(&enabled))) return false;
  return enabled != FALSE;
}

void TWebView2Browser::SetAreBrowserAcceleratorKeysEnabled(bool enabled) {
  if (!HasCoreWebView2()) return;
  FAcceleratorKeys = enabled;
  if (auto settings3 = FSettings.As<ICoreWebView2Settings3>())
    settings3->put_AreBrowserAcceleratorKeysEnabled(enabled ? TRUE : FALSE);
  else
    Log("ICoreWebView2Settings3 is missing (older runtime): browser accelerator keys cannot be switched.");
}

bool TWebView2Browser::CreateBrowser(NativeHandle handle, std::shared_ptr<IWebViewEnvironment> environment) {
  IWebViewLoader* loader = GlobalWebView2Loader();
  if (handle == nullptr || loader == nullptr || !loader->Initialized() || FEnvironment) return false;
  if (!environment) environment = loader->Environment();
  FEnvironment = std::dynamic_pointer_cast<TWebView2Environment>(environment);
  FHost = static_cast<HWND>(handle);
  if (!FEnvironment || !IsWindow(FHost)) {
    const std::string message = FEnvironment ? "The host control is not a window."
                                             : "The environment was not made by this browser's loader.";
    ReportInitializationError(E_INVALIDARG, message);
    if (!FEnvironment) FEnvironment = std::make_shared<TWebView2Environment>(nullptr, nullptr);
    return true;
  }
  CreateController();
  return true;
}

void TWebView2Browser::CreateController() {
  std::weak_ptr<bool> alive = FAlive;
  auto handler = MakeHandler<ICoreWebView2CreateCoreWebView2ControllerCompletedHandler>(
      [this, alive](HRESULT result, ICoreWebView2Controller* controller) {
        if (auto live = alive.lock(); live && *live) OnControllerCreated(result, controller);
        return S_OK;
      });
  const HRESULT hr = FEnvironment->Core()->CreateCoreWebView2Controller(FHost, handler.Get());
  if (FAILED(hr)) ReportInitializationError(hr, DescribeRuntimeFailure("CreateCoreWebView2Controller", hr));
}

void TWebView2Browser::OnControllerCreated(HRESULT result, ICoreWebView2Controller* controller) {
  if (SUCCEEDED(result) && controller == nullptr) result = E_POINTER;
  if (FAILED(result)) {
    ReportInitializationError(result, DescribeRuntimeFailure("CreateCoreWebView2Controller", result));
    return;
  }
  FController = TComPtr<ICoreWebView2Controller>(controller);
  HRESULT hr = FController->get_CoreWebView2(FWebView.Put());
  if (SUCCEEDED(hr) && !FWebView) hr = E_POINTER;
  if (SUCCEEDED(hr)) hr = FWebView->get_Settings(FSettings.Put());
  if (SUCCEEDED(hr) && !FSettings) hr = E_POINTER;
  if (FAILED(hr)) {
    CloseController();
    ReportInitializationError(hr, DescribeRuntimeFailure("ICoreWebView2 settings", hr));
    return;
  }

  ApplyHardening();
  AddEventHandlers();
  FitToHost();
  FController->put_IsVisible(FPageVisible ? TRUE : FALSE);

  // Nothing navigates before the runtime has taken the script: a document that starts
  // earlier may come up without it.
  std::weak_ptr<bool> alive = FAlive;
  const HRESULT added = FWebView->AddScriptToExecuteOnDocumentCreated(
      Widen(kNoPrintScript).c_str(),
      MakeHandler<ICoreWebView2AddScriptToExecuteOnDocumentCreatedCompletedHandler>(
          [this, alive](HRESULT result, LPCWSTR) {
            auto live = alive.lock();
            if (!live || !*live) return S_OK;
            if (FAILED(result))
              Log("The print override was refused (" + HexStatus(static_cast<std::uint32_t>(result)) + ").");
            FDeferred.Post([this] { OnControllerReady(); });
            return S_OK;
          }).Get());
  if (FAILED(added)) {
    Log("The print override could not be submitted (" + HexStatus(static_cast<std::uint32_t>(added)) + ").");
    FDeferred.Post([this] { OnControllerReady(); });
  }
}

void TWebView2Browser::OnControllerReady() {
  if (!FWebView) return;  // closed meanwhile
  if (FRecovering) {
    FRecovering = false;
    ApplyWindowSettings();
    for (const auto& pattern : FFilters)
      FWebView->AddWebResourceRequestedFilter(Widen(pattern).c_str(), COREWEBVIEW2_WEB_RESOURCE_CONTEXT_ALL);
    Log("A new controller is in place.");
    if (!FReportAfterRecovery.empty()) {
      RaiseProcessFailed(std::exchange(FReportAfterRecovery, std::string()));
      return;
    }
    RecoverPage();
    return;
  }
  FCreated = true;
  if (OnAfterCreated) Guarded("OnAfterCreated", [this] { OnAfterCreated(); });
}

void TWebView2Browser::ApplyHardening() {
  FSettings->put_AreDefaultScriptDialogsEnabled(FALSE);
  FSettings->put_AreHostObjectsAllowed(FALSE);
  FSettings->put_IsStatusBarEnabled(FALSE);
  FSettings->put_IsZoomControlEnabled(FALSE);
  FSettings->put_IsWebMessageEnabled(TRUE);
  // The runtime's own error page offers the user actions of its own; a blank view offers none.
  FSettings->put_IsBuiltInErrorPageEnabled(FALSE);
  if (auto settings4 = FSettings.As<ICoreWebView2Settings4>()) {
    settings4->put_IsPasswordAutosaveEnabled(FALSE);
    settings4->put_IsGeneralAutofillEnabled(FALSE);
  } else {
    Log("ICoreWebView2Settings4 is missing (older runtime): autofill and password saving stay as they are.");
  }
  if (auto settings5 = FSettings.As<ICoreWebView2Settings5>())
    settings5->put_IsPinchZoomEnabled(FALSE);
  else
    Log("ICoreWebView2Settings5 is missing (older runtime): pinch zoom stays as it is.");
  if (auto settings6 = FSettings.As<ICoreWebView2Settings6>())
    settings6->put_IsSwipeNavigationEnabled(FALSE);
  else
    Log("ICoreWebView2Settings6 is missing (older runtime): swipe navigation stays as it is.");
  if (auto controller4 = FController.As<ICoreWebView2Controller4>())
    controller4->put_AllowExternalDrop(FALSE);
  else
    Log("ICoreWebView2Controller4 is missing (older runtime): external drops stay allowed.");
}

void TWebView2Browser::ApplyWindowSettings() {
  if (FContextMenus) FSettings->put_AreDefaultContextMenusEnabled(*FContextMenus ? TRUE : FALSE);
  if (FDevTools) FSettings->put_AreDevToolsEnabled(*FDevTools ? TRUE : FALSE);
  if (FAcceleratorKeys) {
    if (auto settings3 = FSettings.As<ICoreWebView2Settings3>())
      settings3->put_AreBrowserAcceleratorKeysEnabled(*FAcceleratorKeys ? TRUE : FALSE);
  }
}

namespace {

// The handler interface of an add_* method: its first parameter.
template <typename Method>
struct TEventOf;
template <typename Source, typename Handler>
struct TEventOf<HRESULT (STDMETHODCALLTYPE Source::*)(Handler*, EventRegistrationToken*)> {
  using THandler = Handler;
};

}  // namespace

// Adds `handler` through `add` and keeps how to take it off again through `remove`.
template <typename Source, typename AddMethod, typename RemoveMethod, typename Function>
void TWebView2Browser::Subscribe(const TComPtr<Source>& source, AddMethod add, RemoveMethod remove,
                                 Function&& handler) {
  using THandler = typename TEventOf<AddMethod>::THandler;
  EventRegistrationToken token{};
  if (SUCCEEDED((source.Get()->*add)(MakeHandler<THandler>(std::forward<Function>(handler)).Get(), &token)))
    FTokens.push_back({[source, remove, token] { (source.Get()->*remove)(token); }});
}

void TWebView2Browser::AddEventHandlers() {
  std::weak_ptr<bool> alive = FAlive;
  // Each handler checks that the browser still lives: the runtime may hold it a while.
  auto live = [alive] {
    auto flag = alive.lock();
    return flag && *flag;
  };
  const TComPtr<ICoreWebView2>& webView = FWebView;

  Subscribe(webView, &ICoreWebView2::add_NavigationStarting, &ICoreWebView2::remove_NavigationStarting,
            [this, live](ICoreWebView2*, ICoreWebView2NavigationStartingEventArgs* args) {
              return live() ? HandleNavigationStarting(args, true) : S_OK;
            });
  Subscribe(webView, &ICoreWebView2::add_FrameNavigationStarting, &ICoreWebView2::remove_FrameNavigationStarting,
            [this, live](ICoreWebView2*, ICoreWebView2NavigationStartingEventArgs* args) {
              return live() ? HandleNavigationStarting(args, false) : S_OK;
            });
  Subscribe(webView, &ICoreWebView2::add_NavigationCompleted, &ICoreWebView2::remove_NavigationCompleted,
            [this, live](ICoreWebView2*, ICoreWebView2NavigationCompletedEventArgs*) {
              return live() ? HandleNavigationCompleted() : S_OK;
            });
  // Handled without a window: nothing opens.
  Subscribe(webView, &ICoreWebView2::add_NewWindowRequested, &ICoreWebView2::remove_NewWindowRequested,
            [](ICoreWebView2*, ICoreWebView2NewWindowRequestedEventArgs* args) {
              std::string uri;
              ReadString([args](LPWSTR* value) { return args->get_Uri(value); }, uri);
              args->put_Handled(TRUE);
              Log("New window refused: " + uri);
              return S_OK;
            });
  Subscribe(webView, &ICoreWebView2::add_PermissionRequested, &ICoreWebView2::remove_PermissionRequested,
            [](ICoreWebView2*, ICoreWebView2PermissionRequestedEventArgs* args) {
              COREWEBVIEW2_PERMISSION_KIND kind = COREWEBVIEW2_PERMISSION_KIND_UNKNOWN_PERMISSION;
              args->get_PermissionKind(&kind);
              args->put_State(COREWEBVIEW2_PERMISSION_STATE_DENY);
              Log("Permission denied: kind " + std::to_string(static_cast<int>(kind)));
              return S_OK;
            });
  Subscribe(webView, &ICoreWebView2::add_WebMessageReceived, &ICoreWebView2::remove_WebMessageReceived,
            [this, live](ICoreWebView2*, ICoreWebView2WebMessageReceivedEventArgs* args) {
              return live() ? HandleWebMessage(args) : S_OK;
            });
  Subscribe(webView, &ICoreWebView2::add_WebResourceRequested, &ICoreWebView2::remove_WebResourceRequested,
            [this, live](ICoreWebView2*, ICoreWebView2WebResourceRequestedEventArgs* args) {
              return live() ? HandleResourceRequest(args) : S_OK;
            });
  Subscribe(webView, &ICoreWebView2::add_ProcessFailed, &ICoreWebView2::remove_ProcessFailed,
            [this, live](ICoreWebView2*, ICoreWebView2ProcessFailedEventArgs* args) {
              return live() ? HandleProcessFailed(args) : S_OK;
            });

  if (auto webView4 = FWebView.As<ICoreWebView2_4>()) {
    Subscribe(webView4, &ICoreWebView2_4::add_DownloadStarting, &ICoreWebView2_4::remove_DownloadStarting,
              [](ICoreWebView2*, ICoreWebView2DownloadStartingEventArgs* args) {
                args->put_Cancel(TRUE);
                args->put_Handled(TRUE);
                Log("Download cancelled.");
                return S_OK;
              });
  } else {
    Log("ICoreWebView2_4 is missing (older runtime): downloads cannot be refused.");
  }

  if (auto webView18 = FWebView.As<ICoreWebView2_18>()) {
    Subscribe(webView18, &ICoreWebView2_18::add_LaunchingExternalUriScheme,
              &ICoreWebView2_18::remove_LaunchingExternalUriScheme,
              [](ICoreWebView2*, ICoreWebView2LaunchingExternalUriSchemeEventArgs* args) {
                std::string uri;
                ReadString([args](LPWSTR* value) { return args->get_Uri(value); }, uri);
                args->put_Cancel(TRUE);
                Log("External URI scheme refused: " + uri);
                return S_OK;
              });
  } else {
    Log("ICoreWebView2_18 is missing (older runtime): other apps' URI schemes rely on the runtime's own prompt.");
  }
}

void TWebView2Browser::RemoveEventHandlers() {
  for (auto& token : FTokens) token.Remove();
  FTokens.clear();
}

void TWebView2Browser::CloseController() {
  RemoveEventHandlers();
  FSettings.Reset();
  FWebView.Reset();
  if (FController) {
    FController->Close();
    FController.Reset();
  }
}

// Called from runtime completions too: the window shows a box, so it hears of it later.
void TWebView2Browser::ReportInitializationError(HRESULT code, const std::string& message) {
  Log(message);
  FDeferred.Post([this, code, message] {
    if (OnInitializationError) Guarded("OnInitializationError", [&] { OnInitializationError(code, message); });
  });
}

bool TWebView2Browser::AddWebResourceRequestedFilter(const std::string& uriPattern, int resourceContext) {
  if (!HasCoreWebView2() || uriPattern.empty()) return false;
  const HRESULT hr = FWebView->AddWebResourceRequestedFilter(
      Widen(uriPattern).c_str(), static_cast<COREWEBVIEW2_WEB_RESOURCE_CONTEXT>(resourceContext));
  if (FAILED(hr)) return false;
  FFilters.push_back(uriPattern);
  FPolicy.AddFilter(uriPattern);
  return true;
}

bool TWebView2Browser::Navigate(const std::string& uri) {
  if (!HasCoreWebView2()) return false;
  FEntryUri = uri;
  FEntryScripts.clear();
  FNavigationPending = true;
  const HRESULT hr = FWebView->Navigate(Widen(uri).c_str());
  if (FAILED(hr)) {
    // Nothing will complete, so held scripts would wait forever.
    FNavigationPending = false;
    RunHeldScripts();
  }
  return SUCCEEDED(hr);
}

bool TWebView2Browser::PostWebMessageAsString(const std::string& text) {
  if (!HasCoreWebView2()) return false;
  return SUCCEEDED(FWebView->PostWebMessageAsString(Widen(text).c_str()));
}

bool TWebView2Browser::ExecuteScript(const std::string& script, int /*executionId*/) {
  if (!HasCoreWebView2()) return false;
  if (FNavigationPending) {
    // Meant for the document on its way (the resume listener): a reloaded entry page gets it
    // again. Scripts for a document already there (a resume notice) are not repeated.
    FHeldScripts.push_back(script);
    FEntryScripts.push_back(script);
  } else {
    RunScript(script);
  }
  return true;
}

void TWebView2Browser::RunScript(const std::string& script) {
  // The result is never awaited; the handler only lets the runtime report it somewhere.
  FWebView->ExecuteScript(Widen(script).c_str(),
                          MakeHandler<ICoreWebView2ExecuteScriptCompletedHandler>([](HRESULT, LPCWSTR) {
                            return S_OK;
                          }).Get());
}

void TWebView2Browser::RunHeldScripts() {
  std::vector<std::string> scripts = std::move(FHeldScripts);
  FHeldScripts.clear();
  for (const auto& script : scripts) RunScript(script);
}

void TWebView2Browser::MoveFocus() {
  if (HasCoreWebView2() && FController) FController->MoveFocus(COREWEBVIEW2_MOVE_FOCUS_REASON_PROGRAMMATIC);
}

// A hidden controller stops rendering and the page gets visibilitychange; a replacement
// controller starts as the window last asked.
void TWebView2Browser::SetPageVisible(bool visible) {
  FPageVisible = visible;
  if (FController) FController->put_IsVisible(visible ? TRUE : FALSE);
}

void TWebView2Browser::NotifyParentWindowMoved() {
  if (FController) FController->NotifyParentWindowPositionChanged();
}

void TWebView2Browser::FitToHost() {
  if (!FController || FHost == nullptr) return;
  RECT bounds{};
  GetClientRect(FHost, &bounds);
  FController->put_Bounds(bounds);
}

HRESULT TWebView2Browser::HandleNavigationStarting(ICoreWebView2NavigationStartingEventArgs* args, bool topFrame) {
  std::string uri;
  if (FAILED(ReadString([args](LPWSTR* value) { return args->get_Uri(value); }, uri))) {
    args->put_Cancel(TRUE);
    return S_OK;
  }
  const bool allowed = topFrame ? FPolicy.AllowsTopNavigation(uri) : FPolicy.AllowsFrameNavigation(uri);
  if (!allowed) {
    args->put_Cancel(TRUE);
    Log(std::string(topFrame ? "Navigation" : "Frame navigation") + " away from the application refused: " + uri);
  }
  return S_OK;
}

HRESULT TWebView2Browser::HandleNavigationCompleted() {
  if (FNavigationPending) {
    FNavigationPending = false;
    RunHeldScripts();
  }
  return S_OK;
}

HRESULT TWebView2Browser::HandleWebMessage(ICoreWebView2WebMessageReceivedEventArgs* args) {
  std::string source;
  if (FAILED(ReadString([args](LPWSTR* value) { return args->get_Source(value); }, source)) ||
      !FPolicy.TrustsMessageSource(source)) {
    Log("Web message from a foreign document dropped: " + source);
    return S_OK;
  }
  if (!OnWebMessageReceived) return S_OK;
  TWebMessageArgs wrapped(args);
  Guarded("OnWebMessageReceived", [&] { OnWebMessageReceived(wrapped); });
  return S_OK;
}

HRESULT TWebView2Browser::HandleResourceRequest(ICoreWebView2WebResourceRequestedEventArgs* args) {
  if (!OnWebResourceRequested) return S_OK;
  TResourceRequestedArgs wrapped(args);
  Guarded("OnWebResourceRequested", [&] { OnWebResourceRequested(wrapped); });
  return S_OK;
}

HRESULT TWebView2Browser::HandleProcessFailed(ICoreWebView2ProcessFailedEventArgs* args) {
  COREWEBVIEW2_PROCESS_FAILED_KIND kind = COREWEBVIEW2_PROCESS_FAILED_KIND_UNKNOWN_PROCESS_EXITED;
  if (FAILED(args->get_ProcessFailedKind(&kind))) return S_OK;
  // Raised every few seconds while the page hangs; the window judges how long is too long.
  if (kind == COREWEBVIEW2_PROCESS_FAILED_KIND_RENDER_PROCESS_UNRESPONSIVE) {
    const std::string reason = "The page's render process is unresponsive.";
    Log(reason);
    FDeferred.Post([this, reason] {
      if (OnProcessUnresponsive) Guarded("OnProcessUnresponsive", [&] { OnProcessUnresponsive(reason); });
    });
    return S_OK;
  }
  const bool page = kind == COREWEBVIEW2_PROCESS_FAILED_KIND_RENDER_PROCESS_EXITED;
  const bool runtime = kind == COREWEBVIEW2_PROCESS_FAILED_KIND_BROWSER_PROCESS_EXITED;
  // Other processes (GPU, utilities, a frame's renderer) the runtime brings back itself.
  if (!page && !runtime) return S_OK;
  const std::string reason = page ? "The page's render process exited." : "The runtime's browser process exited.";
  Log(reason);
  // Not inside the runtime's own call: recovery closes the controller that raised it.
  FDeferred.Post([this, page, reason] {
    if (page) {
      RaiseProcessFailed(reason);
    } else {
      // A dead runtime needs a new controller before the window can reopen anything.
      ReplaceController(reason, true);
    }
  });
  return S_OK;
}

void TWebView2Browser::RaiseProcessFailed(const std::string& reason) {
  if (OnProcessFailed) Guarded("OnProcessFailed", [&] { OnProcessFailed(reason); });
}

void TWebView2Browser::RecoverPage() {
  if (!FWebView || FEntryUri.empty()) return;
  Log("Reloading the entry page: " + FEntryUri);
  FHeldScripts = FEntryScripts;
  FNavigationPending = true;
  if (FAILED(FWebView->Navigate(Widen(FEntryUri).c_str()))) {
    FNavigationPending = false;
    RunHeldScripts();
  }
}

// A navigation would wait behind the script that holds the hung page's process. Closing the
// last controller on that process ends it; the new controller gets a process of its own.
void TWebView2Browser::EndUnresponsivePage(const std::string& reason) {
  if (!FWebView || FRecovering) return;
  Log("Replacing the controller whose page stopped responding.");
  ReplaceController(reason, false);
}

void TWebView2Browser::ReplaceController(const std::string& reason, bool newEnvironment) {
  CloseController();
  FRecovering = true;
  if (OnProcessFailed) FReportAfterRecovery = reason;
  if (!newEnvironment) {
    CreateController();
    return;
  }
  std::weak_ptr<bool> alive = FAlive;
  const HRESULT hr = FEnvironment->Remake([this, alive](HRESULT result) {
    auto live = alive.lock();
    if (!live || !*live) return;
    if (FAILED(result)) {
      FRecovering = false;
      ReportInitializationError(result, DescribeRuntimeFailure("CreateCoreWebView2EnvironmentWithOptions", result));
      return;
    }
    CreateController();
  });
  if (FAILED(hr)) {
    FRecovering = false;
    ReportInitializationError(hr, DescribeRuntimeFailure("CreateCoreWebView2EnvironmentWithOptions", hr));
  }
}

}  // namespace vantreel::webview2
