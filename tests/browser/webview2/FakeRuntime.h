// A fake WebView2 runtime on the SDK's real header, for driving the real backend under Wine
// where no runtime exists. Each fake answers E_NOTIMPL except where a test needs more (see
// make_not_impl_bases.py), records what the backend did to it, and lets a test raise the
// runtime's events by calling the handlers that the backend registered.
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "NotImplBases.h"
#include "browser/webview2/ComPtr.h"
#include "browser/webview2/DeferredCalls.h"
#include "browser/webview2/WebView2Runtime.h"
#include "browser/webview2/WideText.h"

namespace vantreel::webview2::fake {

// IUnknown for a fake: answers for IUnknown and each of `Offered` unless a test withdrew it
// (an older runtime without that interface).
template <typename Base, typename... Offered>
class TFakeCom : public Base {
 public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
    if (object == nullptr) return E_POINTER;
    *object = nullptr;
    if (iid == __uuidof(IUnknown)) *object = static_cast<IUnknown*>(static_cast<Base*>(this));
    ((iid == __uuidof(Offered) && Withdrawn.count(iid) == 0 ? (*object = static_cast<Offered*>(this), 0) : 0), ...);
    if (*object == nullptr) return E_NOINTERFACE;
    AddRef();
    return S_OK;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++FRefCount; }
  ULONG STDMETHODCALLTYPE Release() override {
    const ULONG count = --FRefCount;
    if (count == 0) delete this;
    return count;
  }
  ULONG RefCount() const { return FRefCount; }

  struct TIidLess {
    bool operator()(const IID& a, const IID& b) const { return memcmp(&a, &b, sizeof(IID)) < 0; }
  };
  std::set<IID, TIidLess> Withdrawn;

 protected:
  virtual ~TFakeCom() = default;

 private:
  ULONG FRefCount = 1;
};

template <typename T, typename... Args>
TComPtr<T> MakeFake(Args&&... args) {
  return TComPtr<T>::Adopt(new T(std::forward<Args>(args)...));
}

// True while a fake runtime is inside one of the backend's completion handlers: a real
// runtime does not support a nested message loop (a modal box) there.
inline bool InRuntimeCallback = false;

inline HRESULT PutString(const std::string& value, LPWSTR* out) {
  *out = CoTaskCopy(Widen(value));
  return S_OK;
}

class TFakeSettings final
    : public TFakeCom<NotImpl_ICoreWebView2Settings6, ICoreWebView2Settings, ICoreWebView2Settings3,
                      ICoreWebView2Settings4, ICoreWebView2Settings5, ICoreWebView2Settings6> {
 public:
  // Every switch starts on, as in a fresh runtime.
  std::map<std::string, BOOL> Values;
  BOOL Get(const std::string& name) const { return Values.count(name) ? Values.at(name) : TRUE; }

#define VANTREEL_FAKE_SETTING(Name)                                                      \
  HRESULT STDMETHODCALLTYPE get_##Name(BOOL* value) override { *value = Get(#Name); return S_OK; } \
  HRESULT STDMETHODCALLTYPE put_##Name(BOOL value) override { Values[#Name] = value; return S_OK; }
  VANTREEL_FAKE_SETTING(IsScriptEnabled)
  VANTREEL_FAKE_SETTING(IsWebMessageEnabled)
  VANTREEL_FAKE_SETTING(AreDefaultScriptDialogsEnabled)
  VANTREEL_FAKE_SETTING(IsStatusBarEnabled)
  VANTREEL_FAKE_SETTING(AreDevToolsEnabled)
  VANTREEL_FAKE_SETTING(AreDefaultContextMenusEnabled)
  VANTREEL_FAKE_SETTING(AreHostObjectsAllowed)
  VANTREEL_FAKE_SETTING(IsZoomControlEnabled)
  VANTREEL_FAKE_SETTING(IsBuiltInErrorPageEnabled)
  VANTREEL_FAKE_SETTING(AreBrowserAcceleratorKeysEnabled)
  VANTREEL_FAKE_SETTING(IsPasswordAutosaveEnabled)
  VANTREEL_FAKE_SETTING(IsGeneralAutofillEnabled)
  VANTREEL_FAKE_SETTING(IsPinchZoomEnabled)
  VANTREEL_FAKE_SETTING(IsSwipeNavigationEnabled)
#undef VANTREEL_FAKE_SETTING
};

// The handlers that the backend registered, by event name, with their tokens.
template <typename Handler>
struct THandlers {
  std::map<std::int64_t, TComPtr<Handler>> ByToken;
  std::int64_t Next = 1;
  HRESULT Add(Handler* handler, EventRegistrationToken* token) {
    token->value = Next;
    ByToken[Next++] = TComPtr<Handler>(handler);
    return S_OK;
  }
  HRESULT Remove(EventRegistrationToken token) {
    ByToken.erase(token.value);
    return S_OK;
  }
  template <typename... Args>
  void Raise(Args... args) {
    auto copy = ByToken;
    for (auto& [token, handler] : copy) handler->Invoke(args...);
  }
};

class TFakeWebView final
    : public TFakeCom<NotImpl_ICoreWebView2_18, ICoreWebView2, ICoreWebView2_4, ICoreWebView2_18> {
 public:
  TFakeWebView() : Settings(MakeFake<TFakeSettings>()) {}

  TComPtr<TFakeSettings> Settings;
  std::vector<std::string> Filters, Navigations, PostedStrings, Scripts, DocumentCreatedScripts;

  THandlers<ICoreWebView2NavigationStartingEventHandler> NavigationStarting, FrameNavigationStarting;
  THandlers<ICoreWebView2NavigationCompletedEventHandler> NavigationCompleted;
  THandlers<ICoreWebView2NewWindowRequestedEventHandler> NewWindowRequested;
  THandlers<ICoreWebView2PermissionRequestedEventHandler> PermissionRequested;
  THandlers<ICoreWebView2WebMessageReceivedEventHandler> WebMessageReceived;
  THandlers<ICoreWebView2WebResourceRequestedEventHandler> WebResourceRequested;
  THandlers<ICoreWebView2ProcessFailedEventHandler> ProcessFailed;
  THandlers<ICoreWebView2DownloadStartingEventHandler> DownloadStarting;
  THandlers<ICoreWebView2LaunchingExternalUriSchemeEventHandler> LaunchingExternalUriScheme;

  HRESULT STDMETHODCALLTYPE get_Settings(ICoreWebView2Settings** settings) override {
    *settings = TComPtr<ICoreWebView2Settings>(Settings.Get()).Detach();
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE Navigate(LPCWSTR uri) override {
    Navigations.push_back(Narrow(uri));
    if (PendingDocumentScripts > 0) NavigatedBeforeScriptsAdded = true;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE PostWebMessageAsString(LPCWSTR text) override {
    PostedStrings.push_back(Narrow(text));
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE ExecuteScript(LPCWSTR script, ICoreWebView2ExecuteScriptCompletedHandler*) override {
    Scripts.push_back(Narrow(script));
    return S_OK;
  }
  // Completes on a later turn of the message loop, as the runtime does.
  HRESULT STDMETHODCALLTYPE AddScriptToExecuteOnDocumentCreated(
      LPCWSTR script, ICoreWebView2AddScriptToExecuteOnDocumentCreatedCompletedHandler* handler) override;
  int PendingDocumentScripts = 0;
  bool NavigatedBeforeScriptsAdded = false;
  HRESULT STDMETHODCALLTYPE AddWebResourceRequestedFilter(LPCWSTR uri, COREWEBVIEW2_WEB_RESOURCE_CONTEXT) override {
    Filters.push_back(Narrow(uri));
    return S_OK;
  }

#define VANTREEL_FAKE_EVENT(Name, Handler)                                                            \
  HRESULT STDMETHODCALLTYPE add_##Name(Handler* handler, EventRegistrationToken* token) override { \
    return Name.Add(handler, token);                                                                \
  }                                                                                                 \
  HRESULT STDMETHODCALLTYPE remove_##Name(EventRegistrationToken token) override { return Name.Remove(token); }
  VANTREEL_FAKE_EVENT(NavigationStarting, ICoreWebView2NavigationStartingEventHandler)
  VANTREEL_FAKE_EVENT(FrameNavigationStarting, ICoreWebView2NavigationStartingEventHandler)
  VANTREEL_FAKE_EVENT(NavigationCompleted, ICoreWebView2NavigationCompletedEventHandler)
  VANTREEL_FAKE_EVENT(NewWindowRequested, ICoreWebView2NewWindowRequestedEventHandler)
  VANTREEL_FAKE_EVENT(PermissionRequested, ICoreWebView2PermissionRequestedEventHandler)
  VANTREEL_FAKE_EVENT(WebMessageReceived, ICoreWebView2WebMessageReceivedEventHandler)
  VANTREEL_FAKE_EVENT(WebResourceRequested, ICoreWebView2WebResourceRequestedEventHandler)
  VANTREEL_FAKE_EVENT(ProcessFailed, ICoreWebView2ProcessFailedEventHandler)
  VANTREEL_FAKE_EVENT(DownloadStarting, ICoreWebView2DownloadStartingEventHandler)
  VANTREEL_FAKE_EVENT(LaunchingExternalUriScheme, ICoreWebView2LaunchingExternalUriSchemeEventHandler)
#undef VANTREEL_FAKE_EVENT

 private:
  TDeferredCalls FDeferred;
};

class TFakeController final
    : public TFakeCom<NotImpl_ICoreWebView2Controller4, ICoreWebView2Controller, ICoreWebView2Controller4> {
 public:
  TFakeController() : WebView(MakeFake<TFakeWebView>()) {}
  TComPtr<TFakeWebView> WebView;
  RECT Bounds{};
  int BoundsCalls = 0;
  BOOL Visible = FALSE;
  BOOL AllowExternalDrop = TRUE;
  bool Closed = false;
  int FocusMoves = 0;
  int PositionNotices = 0;
  std::vector<BOOL> VisibilityCalls;

  HRESULT STDMETHODCALLTYPE MoveFocus(COREWEBVIEW2_MOVE_FOCUS_REASON reason) override {
    if (reason != COREWEBVIEW2_MOVE_FOCUS_REASON_PROGRAMMATIC) return E_INVALIDARG;
    ++FocusMoves;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE NotifyParentWindowPositionChanged() override {
    ++PositionNotices;
    return S_OK;
  }

  HRESULT STDMETHODCALLTYPE get_CoreWebView2(ICoreWebView2** webView) override {
    *webView = TComPtr<ICoreWebView2>(WebView.Get()).Detach();
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE put_Bounds(RECT bounds) override {
    Bounds = bounds;
    ++BoundsCalls;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE put_IsVisible(BOOL visible) override {
    Visible = visible;
    VisibilityCalls.push_back(visible);
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE Close() override {
    Closed = true;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE get_AllowExternalDrop(BOOL* allow) override {
    *allow = AllowExternalDrop;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE put_AllowExternalDrop(BOOL allow) override {
    AllowExternalDrop = allow;
    return S_OK;
  }
};

class TFakeResponse final : public TFakeCom<NotImpl_ICoreWebView2WebResourceResponse, ICoreWebView2WebResourceResponse> {
 public:
  TComPtr<IStream> Content;
  int StatusCode = 0;
  std::string ReasonPhrase, Headers;
  // The whole body, read from the stream as the runtime would.
  std::string ReadContent() const;
};

// The environment: controller creation completes when the test says so, or on the next turn
// of the message loop when `AutoComplete` is set.
class TFakeEnvironment final : public TFakeCom<NotImpl_ICoreWebView2Environment, ICoreWebView2Environment> {
 public:
  bool AutoComplete = false;
  HRESULT CreateResult = S_OK;        // what CreateCoreWebView2Controller returns
  HRESULT CompletionResult = S_OK;    // what its completion reports
  HWND ParentWindow = nullptr;
  int CreateCalls = 0;
  std::vector<TComPtr<TFakeController>> Controllers;  // one per completed creation
  TComPtr<ICoreWebView2CreateCoreWebView2ControllerCompletedHandler> Pending;

  HRESULT STDMETHODCALLTYPE CreateCoreWebView2Controller(
      HWND parent, ICoreWebView2CreateCoreWebView2ControllerCompletedHandler* handler) override;
  HRESULT STDMETHODCALLTYPE CreateWebResourceResponse(IStream* content, int statusCode, LPCWSTR reasonPhrase,
                                                      LPCWSTR headers, ICoreWebView2WebResourceResponse** response) override;
  // Completes the pending creation, then runs the message loop's pending work (the
  // backend's follow-up steps); returns the new controller (empty on a failure result).
  TComPtr<TFakeController> CompleteController();

 private:
  TDeferredCalls FDeferred;
};

// The runtime: what the loader's CreateCoreWebView2EnvironmentWithOptions call saw, and how
// it answers.
struct TFakeRuntimeState {
  HRESULT CallResult = S_OK;           // returned at once
  HRESULT CompletionResult = S_OK;     // reported through the completion
  bool CompleteAtOnce = true;          // complete inside the call (else the test completes it)
  int Calls = 0;
  std::string UserDataFolder, Language, AdditionalBrowserArguments, BrowserFolder;
  BOOL SingleSignOn = TRUE;
  COREWEBVIEW2_CHANNEL_SEARCH_KIND ChannelSearchKind = COREWEBVIEW2_CHANNEL_SEARCH_KIND_LEAST_STABLE;
  COREWEBVIEW2_RELEASE_CHANNELS ReleaseChannels = COREWEBVIEW2_RELEASE_CHANNELS_NONE;
  bool ChannelOptionsOffered = false;
  std::map<std::wstring, std::wstring> VariablesSeen;  // every WEBVIEW2_* variable at the call
  std::vector<TComPtr<TFakeEnvironment>> Environments;
  TComPtr<ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler> Pending;
  std::function<void(TFakeEnvironment&)> Prepare;  // shapes each new environment
  void CompletePending();
};

TWebView2Runtime MakeFakeRuntime(std::shared_ptr<TFakeRuntimeState> state);

// Event arguments.
class TFakeRequest final : public TFakeCom<NotImpl_ICoreWebView2WebResourceRequest, ICoreWebView2WebResourceRequest> {
 public:
  explicit TFakeRequest(std::string uri) : Uri(std::move(uri)) {}
  std::string Uri;
  HRESULT STDMETHODCALLTYPE get_Uri(LPWSTR* uri) override { return PutString(Uri, uri); }
};

class TFakeResourceArgs final
    : public TFakeCom<NotImpl_ICoreWebView2WebResourceRequestedEventArgs, ICoreWebView2WebResourceRequestedEventArgs> {
 public:
  explicit TFakeResourceArgs(std::string uri) : Request(MakeFake<TFakeRequest>(std::move(uri))) {}
  TComPtr<TFakeRequest> Request;
  TComPtr<ICoreWebView2WebResourceResponse> Response;
  HRESULT STDMETHODCALLTYPE get_Request(ICoreWebView2WebResourceRequest** request) override {
    *request = TComPtr<ICoreWebView2WebResourceRequest>(Request.Get()).Detach();
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE put_Response(ICoreWebView2WebResourceResponse* response) override {
    Response = TComPtr<ICoreWebView2WebResourceResponse>(response);
    return S_OK;
  }
};

class TFakeMessageArgs final
    : public TFakeCom<NotImpl_ICoreWebView2WebMessageReceivedEventArgs, ICoreWebView2WebMessageReceivedEventArgs> {
 public:
  TFakeMessageArgs(std::string source, std::string json) : Source(std::move(source)), Json(std::move(json)) {}
  std::string Source, Json;
  HRESULT STDMETHODCALLTYPE get_Source(LPWSTR* source) override { return PutString(Source, source); }
  HRESULT STDMETHODCALLTYPE get_WebMessageAsJson(LPWSTR* json) override { return PutString(Json, json); }
};

class TFakeNavigationArgs final
    : public TFakeCom<NotImpl_ICoreWebView2NavigationStartingEventArgs, ICoreWebView2NavigationStartingEventArgs> {
 public:
  explicit TFakeNavigationArgs(std::string uri) : Uri(std::move(uri)) {}
  std::string Uri;
  BOOL Cancel = FALSE;
  HRESULT STDMETHODCALLTYPE get_Uri(LPWSTR* uri) override { return PutString(Uri, uri); }
  HRESULT STDMETHODCALLTYPE get_Cancel(BOOL* cancel) override { *cancel = Cancel; return S_OK; }
  HRESULT STDMETHODCALLTYPE put_Cancel(BOOL cancel) override { Cancel = cancel; return S_OK; }
};

class TFakeNavigationCompletedArgs final
    : public TFakeCom<NotImpl_ICoreWebView2NavigationCompletedEventArgs, ICoreWebView2NavigationCompletedEventArgs> {
 public:
  HRESULT STDMETHODCALLTYPE get_IsSuccess(BOOL* success) override { *success = TRUE; return S_OK; }
};

class TFakeNewWindowArgs final
    : public TFakeCom<NotImpl_ICoreWebView2NewWindowRequestedEventArgs, ICoreWebView2NewWindowRequestedEventArgs> {
 public:
  explicit TFakeNewWindowArgs(std::string uri) : Uri(std::move(uri)) {}
  std::string Uri;
  BOOL Handled = FALSE;
  HRESULT STDMETHODCALLTYPE get_Uri(LPWSTR* uri) override { return PutString(Uri, uri); }
  HRESULT STDMETHODCALLTYPE get_Handled(BOOL* handled) override { *handled = Handled; return S_OK; }
  HRESULT STDMETHODCALLTYPE put_Handled(BOOL handled) override { Handled = handled; return S_OK; }
};

class TFakePermissionArgs final
    : public TFakeCom<NotImpl_ICoreWebView2PermissionRequestedEventArgs, ICoreWebView2PermissionRequestedEventArgs> {
 public:
  COREWEBVIEW2_PERMISSION_STATE State = COREWEBVIEW2_PERMISSION_STATE_DEFAULT;
  HRESULT STDMETHODCALLTYPE get_PermissionKind(COREWEBVIEW2_PERMISSION_KIND* kind) override {
    *kind = COREWEBVIEW2_PERMISSION_KIND_CAMERA;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE put_State(COREWEBVIEW2_PERMISSION_STATE state) override { State = state; return S_OK; }
};

class TFakeProcessFailedArgs final
    : public TFakeCom<NotImpl_ICoreWebView2ProcessFailedEventArgs, ICoreWebView2ProcessFailedEventArgs> {
 public:
  explicit TFakeProcessFailedArgs(COREWEBVIEW2_PROCESS_FAILED_KIND kind) : Kind(kind) {}
  COREWEBVIEW2_PROCESS_FAILED_KIND Kind;
  HRESULT STDMETHODCALLTYPE get_ProcessFailedKind(COREWEBVIEW2_PROCESS_FAILED_KIND* kind) override {
    *kind = Kind;
    return S_OK;
  }
};

class TFakeDownloadArgs final
    : public TFakeCom<NotImpl_ICoreWebView2DownloadStartingEventArgs, ICoreWebView2DownloadStartingEventArgs> {
 public:
  BOOL Cancel = FALSE;
  HRESULT STDMETHODCALLTYPE put_Cancel(BOOL cancel) override { Cancel = cancel; return S_OK; }
  HRESULT STDMETHODCALLTYPE put_Handled(BOOL) override { return S_OK; }
};

class TFakeExternalSchemeArgs final
    : public TFakeCom<NotImpl_ICoreWebView2LaunchingExternalUriSchemeEventArgs,
                      ICoreWebView2LaunchingExternalUriSchemeEventArgs> {
 public:
  explicit TFakeExternalSchemeArgs(std::string uri) : Uri(std::move(uri)) {}
  std::string Uri;
  BOOL Cancel = FALSE;
  HRESULT STDMETHODCALLTYPE get_Uri(LPWSTR* uri) override { return PutString(Uri, uri); }
  HRESULT STDMETHODCALLTYPE put_Cancel(BOOL cancel) override { Cancel = cancel; return S_OK; }
};

// Runs the thread's pending messages (the fakes' deferred completions among them).
void PumpMessages();

}  // namespace vantreel::webview2::fake
