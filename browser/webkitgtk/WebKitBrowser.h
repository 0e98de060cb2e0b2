// The browser on WebKitGTK: a WebKitWebView placed in the host control. Settings follow
// WebView2's rules (false and read-only before creation, true by default after it). URLs that
// match a registered filter never reach a network: the document is loaded from the
// resource-request answer with its https URL as base, the page's sub-requests come back
// through the internal scheme (see WebKitEnvironment.h), and navigations to such URLs
// (reloads, links) are caught and loaded the same way. Everything runs on the main thread.
//
// The view is locked to the filtered origins: a navigation anywhere else, in any frame, is
// refused, as are new windows, downloads, permission requests, script dialogs, printing,
// file choosers and drops. A page that stops answering is ended and reported as a failed
// process (see HangWatch.h). The page's message channel exists only in the top frame of a
// filtered document, and replies reach only such a document. Should the view still end up
// on another document, it goes back to the first filtered URL it was told to navigate to.
#pragma once

#include <webkit2/webkit2.h>

#include <memory>
#include <string>
#include <vector>

#include "browser/WebViewHost.h"
#include "browser/webkitgtk/DeferredCalls.h"
#include "browser/webkitgtk/HangWatch.h"

namespace vantreel::webkitgtk {

class TWebKitEnvironment;
class TWebResourceResponse;

class TWebKitBrowser final : public IWebBrowser {
 public:
  TWebKitBrowser() = default;
  ~TWebKitBrowser() override;
  TWebKitBrowser(const TWebKitBrowser&) = delete;
  TWebKitBrowser& operator=(const TWebKitBrowser&) = delete;

  bool DefaultContextMenusEnabled() const override { return FCreated && FContextMenusEnabled; }
  void SetDefaultContextMenusEnabled(bool enabled) override;
  bool DevToolsEnabled() const override { return FCreated && FDevToolsEnabled; }
  void SetDevToolsEnabled(bool enabled) override;
  bool AreBrowserAcceleratorKeysEnabled() const override { return FCreated && FAcceleratorKeysEnabled; }
  void SetAreBrowserAcceleratorKeysEnabled(bool enabled) override;
  std::string AdditionalBrowserArguments() const override { return FAdditionalArguments; }
  void SetAdditionalBrowserArguments(const std::string& arguments) override;

  bool CreateBrowser(NativeHandle handle, std::shared_ptr<IWebViewEnvironment> environment) override;
  bool HasCoreWebView2() const override { return FCreated; }
  bool AddWebResourceRequestedFilter(const std::string& uriPattern, int resourceContext) override;
  bool Navigate(const std::string& uri) override;
  bool PostWebMessageAsString(const std::string& text) override;
  bool ExecuteScript(const std::string& script, int executionId) override;
  void MoveFocus() override;
  void EndUnresponsivePage(const std::string& reason) override;

  // The view, for code that must reach WebKit itself (tests, benchmarks); null before creation.
  WebKitWebView* WebView() const { return FView; }
  static TWebKitBrowser* FromWebView(WebKitWebView* view);
  // Answers a page request that the extension moved to the internal scheme.
  void AnswerInternalRequest(WebKitURISchemeRequest* request);

 private:
  bool IsFiltered(const std::string& uri) const;
  bool ShowsFilteredDocument() const;
  void InstallPageChannel();
  void RefuseOnce(std::string& lastLogged, const std::string& line);
  std::shared_ptr<TWebResourceResponse> RaiseResourceRequest(const std::string& uri);
  bool LoadFilteredDocument(const std::string& uri);
  void RunHeldScripts();
  void ApplyDeveloperExtras();
  void RunScript(const std::string& script);
  void EndHungProcess();

  static gboolean OnDecidePolicy(WebKitWebView*, WebKitPolicyDecision*, WebKitPolicyDecisionType, gpointer self);
  static void OnLoadChanged(WebKitWebView*, WebKitLoadEvent, gpointer self);
  static gboolean OnLoadFailed(WebKitWebView*, WebKitLoadEvent, gchar*, GError*, gpointer self);
  static gboolean OnContextMenu(WebKitWebView*, WebKitContextMenu*, GdkEvent*, WebKitHitTestResult*, gpointer self);
  static GtkWidget* OnCreate(WebKitWebView*, WebKitNavigationAction*, gpointer);
  static gboolean OnKeyPress(GtkWidget*, GdkEventKey*, gpointer self);
  static void OnScriptMessage(WebKitUserContentManager*, WebKitJavascriptResult*, gpointer self);
  static gboolean OnPermissionRequest(WebKitWebView*, WebKitPermissionRequest*, gpointer);
  static gboolean OnScriptDialog(WebKitWebView*, WebKitScriptDialog*, gpointer);
  static gboolean OnPrint(WebKitWebView*, WebKitPrintOperation*, gpointer);
  static gboolean OnRunFileChooser(WebKitWebView*, WebKitFileChooserRequest*, gpointer);
  static void OnWebProcessTerminated(WebKitWebView*, WebKitWebProcessTerminationReason, gpointer self);

  WebKitWebView* FView = nullptr;
  WebKitUserContentManager* FContentManager = nullptr;
  std::shared_ptr<TWebKitEnvironment> FEnvironment;
  bool FCreated = false;
  bool FContextMenusEnabled = true;
  bool FDevToolsEnabled = true;
  bool FAcceleratorKeysEnabled = true;
  std::string FAdditionalArguments;
  std::vector<std::string> FFilters;
  // Scripts submitted while a navigation is on its way run in the document it commits.
  bool FNavigationPending = false;
  std::vector<std::string> FHeldScripts;
  // Documents this browser is loading itself, so that their own policy check lets them pass.
  std::vector<std::string> FOwnLoads;
  // Where the view returns when it ends up on a document of no filtered origin.
  std::string FHomeUri;
  std::string FLastRefusedMessage;
  // A page that stops answering is ended like a crashed one, so that the window reopens it.
  std::unique_ptr<THangWatch> FHangWatch;
  bool FEndedUnresponsive = false;
  TDeferredCalls FDeferred;
};

}  // namespace vantreel::webkitgtk
