// The browser on WebView2: a controller in the host control's window, driven on the
// user-interface thread. Settings follow WebView2's rules as the window expects them (false
// and ignored before creation). Scripts submitted while a navigation is on its way run in the
// document that it brings, so the window's listener reaches the entry page.
//
// Beyond the four events that the window sees, the backend keeps the doors of the product
// shut, because the person at the keyboard may be the child the product supervises: no new
// windows, no document or frame from outside our origin, no other app through a URI scheme,
// no downloads, no permissions, no script dialogs, no host objects, no dropped files, no
// status bar, zoom, swipe navigation, autofill, password saving or runtime error page, and no
// printing. Messages reach the window only from our own top document.
//
// The window hears of everything from its own message loop, never from inside a runtime
// callback, where a modal box (a nested loop) is not supported. Creation is reported once
// the print override is in place, so that the first document already has it. A crashed
// runtime, and a page the window found hung for good, are replaced by a new controller; the
// window is then told through OnProcessFailed and decides, as for a crashed page, whether to
// reopen its page: the backend counts nothing. Without that handler a replaced controller
// reopens the last page itself.
#pragma once

#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "browser/WebViewHost.h"
#include "browser/webview2/ComPtr.h"
#include "browser/webview2/DeferredCalls.h"
#include "browser/webview2/NavigationPolicy.h"
#include "browser/webview2/WebView2Sdk.h"

namespace vantreel::webview2 {

class TWebView2Environment;

// The script that every document gets first: printing has no switch in WebView2.
extern const char* const kNoPrintScript;

class TWebView2Browser final : public IWebBrowser {
 public:
  TWebView2Browser();
  ~TWebView2Browser() override;
  TWebView2Browser(const TWebView2Browser&) = delete;
  TWebView2Browser& operator=(const TWebView2Browser&) = delete;

  bool DefaultContextMenusEnabled() const override;
  void SetDefaultContextMenusEnabled(bool enabled) override;
  bool DevToolsEnabled() const override;
  void SetDevToolsEnabled(bool enabled) override;
  bool AreBrowserAcceleratorKeysEnabled() const override;
  void SetAreBrowserAcceleratorKeysEnabled(bool enabled) override;
  std::string AdditionalBrowserArguments() const override { return FAdditionalArguments; }
  void SetAdditionalBrowserArguments(const std::string& arguments) override { FAdditionalArguments = arguments; }

  bool CreateBrowser(NativeHandle handle, std::shared_ptr<IWebViewEnvironment> environment) override;
  bool HasCoreWebView2() const override { return FCreated && FWebView; }
  bool AddWebResourceRequestedFilter(const std::string& uriPattern, int resourceContext) override;
  bool Navigate(const std::string& uri) override;
  bool PostWebMessageAsString(const std::string& text) override;
  bool ExecuteScript(const std::string& script, int executionId) override;
  void MoveFocus() override;
  void SetPageVisible(bool visible) override;
  void EndUnresponsivePage(const std::string& reason) override;

  // The controller follows the host control's client area, in physical pixels: the process
  // is per-monitor DPI aware and the runtime scales the page by the monitor's DPI itself.
  void FitToHost();
  // The host's top-level window moved: the runtime's popups follow it.
  void NotifyParentWindowMoved();
  ICoreWebView2Controller* Controller() const { return FController.Get(); }
  ICoreWebView2* CoreWebView2() const { return FWebView.Get(); }

 private:
  struct TToken {
    std::function<void()> Remove;
  };

  void CreateController();
  void OnControllerCreated(HRESULT result, ICoreWebView2Controller* controller);
  void OnControllerReady();
  void ApplyHardening();
  void ApplyWindowSettings();
  template <typename Source, typename AddMethod, typename RemoveMethod, typename Function>
  void Subscribe(const TComPtr<Source>& source, AddMethod add, RemoveMethod remove, Function&& handler);
  void AddEventHandlers();
  void RemoveEventHandlers();
  void CloseController();
  void ReportInitializationError(HRESULT code, const std::string& message);

  HRESULT HandleNavigationStarting(ICoreWebView2NavigationStartingEventArgs* args, bool topFrame);
  HRESULT HandleNavigationCompleted();
  HRESULT HandleWebMessage(ICoreWebView2WebMessageReceivedEventArgs* args);
  HRESULT HandleResourceRequest(ICoreWebView2WebResourceRequestedEventArgs* args);
  HRESULT HandleProcessFailed(ICoreWebView2ProcessFailedEventArgs* args);
  void RaiseProcessFailed(const std::string& reason);
  void RecoverPage();
  // A new controller in place of the current one, on a new environment when the runtime's
  // browser process is gone; the window is told `reason` once it is in.
  void ReplaceController(const std::string& reason, bool newEnvironment);
  void RunHeldScripts();
  void RunScript(const std::string& script);

  std::shared_ptr<bool> FAlive = std::make_shared<bool>(true);
  HWND FHost = nullptr;
  std::shared_ptr<TWebView2Environment> FEnvironment;
  TComPtr<ICoreWebView2Controller> FController;
  TComPtr<ICoreWebView2> FWebView;
  TComPtr<ICoreWebView2Settings> FSettings;
  std::vector<TToken> FTokens;
  bool FCreated = false;
  bool FRecovering = false;
  bool FPageVisible = true;
  std::string FAdditionalArguments;
  // What the window asked for, applied again to a replacement controller.
  std::optional<bool> FContextMenus, FDevTools, FAcceleratorKeys;
  std::vector<std::string> FFilters;
  TNavigationPolicy FPolicy;
  // The last document the window opened and the scripts held for it, for recovery.
  std::string FEntryUri;
  std::vector<std::string> FEntryScripts;
  bool FNavigationPending = false;
  std::vector<std::string> FHeldScripts;
  // A controller replaced for the window's OnProcessFailed: what to tell it once the new one is in.
  std::string FReportAfterRecovery;
  TDeferredCalls FDeferred;
};

}  // namespace vantreel::webview2
