// The embedded-browser operations that the main window relies on: a runtime loader, a host
// control that the browser lives in, and the browser with its events. Everything is called,
// raised and completed on the user-interface thread. Backends: browser/webkitgtk/ (WebKitGTK,
// Linux) and browser/webview2/ (WebView2, Windows); tests use a scripted double
// (tests/browser/).
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "base/Bytes.h"

namespace vantreel {

using HResult = std::int32_t;
constexpr HResult kHResultOk = 0;
constexpr HResult kHResultFail = static_cast<HResult>(0x80004005u);
inline bool Succeeded(HResult hr) { return hr >= 0; }

// The native handle of a host control (Linux: its GtkWidget*; Windows: its HWND); null
// means none.
using NativeHandle = void*;

class IWebResourceResponse {
 public:
  virtual ~IWebResourceResponse() = default;
};

// One answer to a resource request as the window means it. Each backend renders it in its
// own API (WebView2 as a header block, WebKitGTK as a media type, charset and header list),
// so nothing is written as text only to be parsed again.
struct TWebResourceAnswer {
  int statusCode = 200;
  std::string reasonPhrase = "OK";
  std::string contentType;  // "text/html; charset=utf-8"; sent first, as Content-Type
  std::vector<std::pair<std::string, std::string>> headers;  // the others, in order
  std::shared_ptr<const TBytes> content;  // shared with the bundle, never copied; null: empty
};

// The runtime's environment, made by the loader.
class IWebViewEnvironment {
 public:
  virtual ~IWebViewEnvironment() = default;
  virtual HResult CreateWebResourceResponse(TWebResourceAnswer answer,
                                            std::shared_ptr<IWebResourceResponse>& response) = 0;
};

class IWebResourceRequest {
 public:
  virtual ~IWebResourceRequest() = default;
  virtual HResult GetUri(std::string& uri) = 0;
};

class IWebResourceRequestedEventArgs {
 public:
  virtual ~IWebResourceRequestedEventArgs() = default;
  virtual HResult GetRequest(std::shared_ptr<IWebResourceRequest>& request) = 0;
  virtual HResult SetResponse(std::shared_ptr<IWebResourceResponse> response) = 0;
};

class IWebMessageReceivedEventArgs {
 public:
  virtual ~IWebMessageReceivedEventArgs() = default;
  // What the page posted, as JSON: an object as its JSON text, a string as its literal
  // (quotes and escapes included).
  virtual HResult GetWebMessageAsJson(std::string& json) = 0;
};

// One per process. Initialized and InitializationError are both false while the environment
// is being made; then exactly one becomes true (a failure found at once shows at first look).
class IWebViewLoader {
 public:
  virtual ~IWebViewLoader() = default;
  virtual void SetUserDataFolder(const std::string& folder) = 0;
  virtual std::string UserDataFolder() const = 0;
  // The interface language ("en", "zh-CN"...) that the page should see as navigator.language;
  // set before StartWebView2. A backend that cannot pass it on keeps the browser's own.
  virtual void SetLanguage(const std::string& language) { (void)language; }
  virtual bool StartWebView2() = 0;
  virtual bool Initialized() const = 0;
  virtual bool InitializationError() const = 0;
  virtual std::string ErrorMessage() const = 0;
  // The failure's status code (a Windows HRESULT where the backend has one); 0 when unknown.
  virtual HResult ErrorCode() const { return 0; }
  virtual std::shared_ptr<IWebViewEnvironment> Environment() const = 0;  // null until Initialized
};

// The binding's process-wide loader reference; CreateBrowser consults it. Not owning.
IWebViewLoader* GlobalWebView2Loader();
void SetGlobalWebView2Loader(IWebViewLoader* loader);

class IWebBrowser;

// Client-aligned control in which the browser lives.
class IWindowParent {
 public:
  virtual ~IWindowParent() = default;
  virtual void SetBrowser(IWebBrowser* browser) = 0;
  virtual void UpdateSize() = 0;  // fit the browser to the control
  virtual NativeHandle Handle() const = 0;
  virtual void SetVisible(bool visible) = 0;
  virtual void SetBackgroundWhite() = 0;  // may throw; callers ignore that failure
  virtual void Invalidate() = 0;
  virtual void Repaint() = 0;
  // The window that holds the control moved on the screen. A browser that draws popups
  // (lists, pickers, input-method candidates) in windows of its own places them anew.
  virtual void ParentWindowMoved() {}
};

class IWebBrowser {
 public:
  using AfterCreatedHandler = std::function<void()>;
  using InitializationErrorHandler = std::function<void(HResult errorCode, const std::string& errorMessage)>;
  using WebResourceRequestedHandler = std::function<void(IWebResourceRequestedEventArgs& args)>;
  using WebMessageReceivedHandler = std::function<void(IWebMessageReceivedEventArgs& args)>;
  // The process that renders the page ended (crashed, was killed); `reason` is for the log.
  // The view shows nothing live until the host navigates again.
  using ProcessFailedHandler = std::function<void(const std::string& reason)>;
  // The page stopped answering; raised again every few seconds while it stays so. The window
  // decides when a page that stays unresponsive counts as failed.
  using ProcessUnresponsiveHandler = std::function<void(const std::string& reason)>;

  virtual ~IWebBrowser() = default;

  // Set before CreateBrowser; no other events exist.
  AfterCreatedHandler OnAfterCreated;
  InitializationErrorHandler OnInitializationError;
  WebResourceRequestedHandler OnWebResourceRequested;
  WebMessageReceivedHandler OnWebMessageReceived;
  ProcessFailedHandler OnProcessFailed;
  ProcessUnresponsiveHandler OnProcessUnresponsive;

  // Before OnAfterCreated a read gives false and a write is ignored.
  virtual bool DefaultContextMenusEnabled() const = 0;
  virtual void SetDefaultContextMenusEnabled(bool enabled) = 0;
  virtual bool DevToolsEnabled() const = 0;
  virtual void SetDevToolsEnabled(bool enabled) = 0;
  virtual bool AreBrowserAcceleratorKeysEnabled() const = 0;
  virtual void SetAreBrowserAcceleratorKeysEnabled(bool enabled) = 0;

  virtual std::string AdditionalBrowserArguments() const = 0;
  virtual void SetAdditionalBrowserArguments(const std::string& arguments) = 0;

  // False for a null handle, a missing or uninitialised process-wide loader, or a browser that
  // exists already. True: creation has started and ends in OnAfterCreated or OnInitializationError.
  virtual bool CreateBrowser(NativeHandle handle, std::shared_ptr<IWebViewEnvironment> environment) = 0;

  // The underlying browser object exists (WebView2's CoreWebView2).
  virtual bool HasCoreWebView2() const = 0;
  // Context 0: all resource kinds. False on failure.
  virtual bool AddWebResourceRequestedFilter(const std::string& uriPattern, int resourceContext) = 0;
  virtual bool Navigate(const std::string& uri) = 0;
  virtual bool PostWebMessageAsString(const std::string& text) = 0;
  // True once submitted; the result is never awaited.
  virtual bool ExecuteScript(const std::string& script, int executionId) = 0;
  // Gives the page the keyboard focus; does nothing before creation. The window calls it
  // whenever it takes the focus itself, since a browser that lives in other windows or
  // processes does not follow its host's focus on its own.
  virtual void MoveFocus() = 0;
  // The window was hidden (into the tray) or shown again. A backend whose view follows its
  // window's mapping needs nothing; one that renders on its own is told to stop and resume.
  virtual void SetPageVisible(bool visible) { (void)visible; }
  // The window judged the page hung for good. A navigation would wait behind the script that
  // holds the page's process, so the backend ends that process (or replaces the view that
  // owns it) and raises OnProcessFailed with `reason` once a page can be opened again.
  virtual void EndUnresponsivePage(const std::string& reason) = 0;
};

// Makes the components; the window owns what it is given.
class IBrowserFactory {
 public:
  virtual ~IBrowserFactory() = default;
  virtual std::unique_ptr<IWebViewLoader> CreateLoader() = 0;
  // `parent`: the window's client area (IMainFormUi::ClientHandle).
  virtual std::unique_ptr<IWindowParent> CreateWindowParent(NativeHandle parent) = 0;
  virtual std::unique_ptr<IWebBrowser> CreateBrowser() = 0;
};

}  // namespace vantreel
