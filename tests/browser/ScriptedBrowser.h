// A scripted stand-in for the embedded browser: loader, host control, browser and
// environment, each with outcomes a test chooses (a loader that never finishes or fails, a
// CreateBrowser that refuses, a creation that ends in an initialisation error...), all of
// which a real runtime cannot be made to show on demand. It records what the window asks of
// it and lets a test raise the browser's events.
#pragma once

#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "browser/WebViewHost.h"

namespace vantreel::test {

// The answer a resource request received from the window, if any.
struct ScriptedResponse : IWebResourceResponse {
  std::shared_ptr<const TBytes> content;
  int statusCode = 0;
  std::string reasonPhrase;
  std::string contentType;
  std::vector<std::pair<std::string, std::string>> headers;
  std::string Body() const { return content ? std::string(content->begin(), content->end()) : std::string(); }
};

class ScriptedEnvironment : public IWebViewEnvironment {
 public:
  HResult createResult = kHResultOk;
  bool giveResponse = true;  // false: succeed but hand out nothing
  bool throwOnCreate = false;
  int createCalls = 0;

  HResult CreateWebResourceResponse(TWebResourceAnswer answer, std::shared_ptr<IWebResourceResponse>& response) override;
};

struct LoaderScript {
  enum class Outcome { Ready, Error, Pending };
  Outcome onStart = Outcome::Ready;  // the state the loader shows right after StartWebView2
  std::string errorMessage = "runtime not found";
  HResult errorCode = 0;  // what ErrorCode reports with the error
  bool throwOnStart = false;  // StartWebView2 raises
};

class ScriptedLoader : public IWebViewLoader {
 public:
  ScriptedLoader(LoaderScript script, std::shared_ptr<ScriptedEnvironment> environment);

  void SetUserDataFolder(const std::string& folder) override { FUserDataFolder = folder; }
  std::string UserDataFolder() const override { return FUserDataFolder; }
  bool StartWebView2() override;
  bool Initialized() const override { return FInitialized; }
  bool InitializationError() const override { return FError; }
  std::string ErrorMessage() const override { return FErrorMessage; }
  HResult ErrorCode() const override { return FError ? FScript.errorCode : 0; }
  std::shared_ptr<IWebViewEnvironment> Environment() const override;

  // Ends a pending creation.
  void Complete();
  void Fail(const std::string& message);
  int StartCalls() const { return FStartCalls; }

 private:
  LoaderScript FScript;
  std::shared_ptr<ScriptedEnvironment> FEnvironment;
  std::string FUserDataFolder;
  bool FInitialized = false;
  bool FError = false;
  std::string FErrorMessage;
  int FStartCalls = 0;
};

class ScriptedWindowParent : public IWindowParent {
 public:
  explicit ScriptedWindowParent(NativeHandle parent) : parent(parent) {}

  void SetBrowser(IWebBrowser* b) override { browser = b; }
  void UpdateSize() override { ++updateSizeCalls; }
  NativeHandle Handle() const override { return nullHandle ? nullptr : const_cast<ScriptedWindowParent*>(this); }
  void SetVisible(bool v) override { visible = v; }
  void SetBackgroundWhite() override;
  void Invalidate() override { ++invalidateCalls; }
  void Repaint() override { ++repaintCalls; }
  void ParentWindowMoved() override { ++parentMoves; }

  NativeHandle parent;
  IWebBrowser* browser = nullptr;
  bool visible = false;
  bool nullHandle = false;
  bool backgroundThrows = false;
  int updateSizeCalls = 0;
  int invalidateCalls = 0;
  int repaintCalls = 0;
  int parentMoves = 0;
};

struct BrowserScript {
  bool createBrowserResult = true;      // refusal on top of the real preconditions
  bool settingsEnabledOnceCreated = true;  // what the runtime's defaults read once it exists
  std::string initialArguments;
  bool filterResult = true;
  bool executeScriptResult = true;
  bool executeScriptThrows = false;
};

// What a raised resource request saw: whether the window answered and with what.
struct ResourceOutcome {
  bool answered = false;
  std::shared_ptr<ScriptedResponse> response;
};

class ScriptedBrowser : public IWebBrowser {
 public:
  explicit ScriptedBrowser(BrowserScript script) : FScript(std::move(script)), FArguments(FScript.initialArguments) {}

  bool DefaultContextMenusEnabled() const override { return FCreated && FContextMenus; }
  void SetDefaultContextMenusEnabled(bool enabled) override;
  bool DevToolsEnabled() const override { return FCreated && FDevTools; }
  void SetDevToolsEnabled(bool enabled) override;
  bool AreBrowserAcceleratorKeysEnabled() const override { return FCreated && FAcceleratorKeys; }
  void SetAreBrowserAcceleratorKeysEnabled(bool enabled) override;
  std::string AdditionalBrowserArguments() const override { return FArguments; }
  void SetAdditionalBrowserArguments(const std::string& arguments) override { FArguments = arguments; }

  bool CreateBrowser(NativeHandle handle, std::shared_ptr<IWebViewEnvironment> environment) override;
  bool HasCoreWebView2() const override { return FCreated; }
  bool AddWebResourceRequestedFilter(const std::string& uriPattern, int resourceContext) override;
  bool Navigate(const std::string& uri) override;
  bool PostWebMessageAsString(const std::string& text) override;
  bool ExecuteScript(const std::string& script, int executionId) override;
  void MoveFocus() override {
    if (FCreated) ++focusMoves;
  }
  void SetPageVisible(bool visible) override { pageVisibility.push_back(visible); }
  // As a backend does once the hung page's process is gone.
  void EndUnresponsivePage(const std::string& reason) override {
    endedPages.push_back(reason);
    if (OnProcessFailed) OnProcessFailed(reason);
  }

  // Events, raised as the runtime would from the message loop.
  void RaiseAfterCreated();
  void RaiseInitializationError(HResult code, const std::string& message);
  ResourceOutcome RaiseResourceRequest(const std::string& uri, HResult requestResult = kHResultOk,
                                       HResult uriResult = kHResultOk);
  void RaiseWebMessage(const std::string& json, HResult result = kHResultOk);

  // What the window asked for.
  int createBrowserCalls = 0;
  NativeHandle createHandle = nullptr;
  std::shared_ptr<IWebViewEnvironment> createEnvironment;
  std::vector<std::string> filters;  // "pattern|context"
  std::vector<std::string> navigations;
  std::vector<std::string> postedMessages;
  std::vector<std::string> scripts;
  int focusMoves = 0;
  std::vector<bool> pageVisibility;
  std::vector<std::string> endedPages;

 private:
  BrowserScript FScript;
  std::string FArguments;
  bool FCreated = false;
  bool FContextMenus = false;
  bool FDevTools = false;
  bool FAcceleratorKeys = false;
};

// Makes the components above. Pointers to the last ones made stay valid while the window
// that owns them lives.
class ScriptedBrowserFactory : public IBrowserFactory {
 public:
  ScriptedBrowserFactory();

  std::unique_ptr<IWebViewLoader> CreateLoader() override;
  std::unique_ptr<IWindowParent> CreateWindowParent(NativeHandle parent) override;
  std::unique_ptr<IWebBrowser> CreateBrowser() override;

  // Scripts for the next loaders, in order; `loaderScript` once they run out.
  std::deque<LoaderScript> nextLoaders;
  LoaderScript loaderScript;
  int failNextCreateLoader = 0;  // that many CreateLoader calls raise
  bool windowParentBackgroundThrows = false;
  BrowserScript browserScript;
  std::shared_ptr<ScriptedEnvironment> environment;

  int loadersMade = 0;
  int windowParentsMade = 0;
  int browsersMade = 0;
  ScriptedLoader* loader = nullptr;
  ScriptedWindowParent* windowParent = nullptr;
  ScriptedBrowser* browser = nullptr;
};

}  // namespace vantreel::test
