#include "tests/browser/ScriptedBrowser.h"

#include <stdexcept>
#include <utility>

namespace vantreel::test {
namespace {

class ScriptedRequest : public IWebResourceRequest {
 public:
  ScriptedRequest(std::string uri, HResult result) : FUri(std::move(uri)), FResult(result) {}
  HResult GetUri(std::string& uri) override {
    if (Succeeded(FResult)) uri = FUri;
    return FResult;
  }

 private:
  std::string FUri;
  HResult FResult;
};

class ScriptedResourceArgs : public IWebResourceRequestedEventArgs {
 public:
  ScriptedResourceArgs(std::string uri, HResult requestResult, HResult uriResult)
      : FRequest(std::make_shared<ScriptedRequest>(std::move(uri), uriResult)), FRequestResult(requestResult) {}
  HResult GetRequest(std::shared_ptr<IWebResourceRequest>& request) override {
    if (Succeeded(FRequestResult)) request = FRequest;
    return FRequestResult;
  }
  HResult SetResponse(std::shared_ptr<IWebResourceResponse> response) override {
    outcome.answered = true;
    outcome.response = std::dynamic_pointer_cast<ScriptedResponse>(response);
    return kHResultOk;
  }
  ResourceOutcome outcome;

 private:
  std::shared_ptr<IWebResourceRequest> FRequest;
  HResult FRequestResult;
};

class ScriptedMessageArgs : public IWebMessageReceivedEventArgs {
 public:
  ScriptedMessageArgs(std::string json, HResult result) : FJson(std::move(json)), FResult(result) {}
  HResult GetWebMessageAsJson(std::string& json) override {
    if (Succeeded(FResult)) json = FJson;
    return FResult;
  }

 private:
  std::string FJson;
  HResult FResult;
};

}  // namespace

HResult ScriptedEnvironment::CreateWebResourceResponse(TWebResourceAnswer answer,
                                                       std::shared_ptr<IWebResourceResponse>& response) {
  ++createCalls;
  if (throwOnCreate) throw std::runtime_error("response object unavailable");
  if (!Succeeded(createResult) || !giveResponse) return createResult;
  auto made = std::make_shared<ScriptedResponse>();
  made->content = std::move(answer.content);
  made->statusCode = answer.statusCode;
  made->reasonPhrase = std::move(answer.reasonPhrase);
  made->contentType = std::move(answer.contentType);
  made->headers = std::move(answer.headers);
  response = std::move(made);
  return createResult;
}

ScriptedLoader::ScriptedLoader(LoaderScript script, std::shared_ptr<ScriptedEnvironment> environment)
    : FScript(std::move(script)), FEnvironment(std::move(environment)) {}

bool ScriptedLoader::StartWebView2() {
  ++FStartCalls;
  if (FScript.throwOnStart) throw std::runtime_error("loader start refused");
  switch (FScript.onStart) {
    case LoaderScript::Outcome::Ready:
      Complete();
      break;
    case LoaderScript::Outcome::Error:
      Fail(FScript.errorMessage);
      break;
    case LoaderScript::Outcome::Pending:
      break;
  }
  return true;
}

std::shared_ptr<IWebViewEnvironment> ScriptedLoader::Environment() const {
  return FInitialized ? FEnvironment : nullptr;
}

void ScriptedLoader::Complete() {
  FInitialized = true;
  FError = false;
}

void ScriptedLoader::Fail(const std::string& message) {
  FError = true;
  FInitialized = false;
  FErrorMessage = message;
}

void ScriptedWindowParent::SetBackgroundWhite() {
  if (backgroundThrows) throw std::runtime_error("colour refused");
}

void ScriptedBrowser::SetDefaultContextMenusEnabled(bool enabled) {
  if (FCreated) FContextMenus = enabled;
}
void ScriptedBrowser::SetDevToolsEnabled(bool enabled) {
  if (FCreated) FDevTools = enabled;
}
void ScriptedBrowser::SetAreBrowserAcceleratorKeysEnabled(bool enabled) {
  if (FCreated) FAcceleratorKeys = enabled;
}

bool ScriptedBrowser::CreateBrowser(NativeHandle handle, std::shared_ptr<IWebViewEnvironment> environment) {
  ++createBrowserCalls;
  createHandle = handle;
  createEnvironment = std::move(environment);
  IWebViewLoader* global = GlobalWebView2Loader();
  if (handle == nullptr || global == nullptr || !global->Initialized() || FCreated) return false;
  return FScript.createBrowserResult;
}

bool ScriptedBrowser::AddWebResourceRequestedFilter(const std::string& uriPattern, int resourceContext) {
  filters.push_back(uriPattern + "|" + std::to_string(resourceContext));
  return FScript.filterResult;
}

bool ScriptedBrowser::Navigate(const std::string& uri) {
  navigations.push_back(uri);
  return FCreated;
}

bool ScriptedBrowser::PostWebMessageAsString(const std::string& text) {
  postedMessages.push_back(text);
  return FCreated;
}

bool ScriptedBrowser::ExecuteScript(const std::string& script, int) {
  scripts.push_back(script);
  if (FScript.executeScriptThrows) throw std::runtime_error("script host gone");
  return FScript.executeScriptResult;
}

void ScriptedBrowser::RaiseAfterCreated() {
  FCreated = true;
  FContextMenus = FDevTools = FAcceleratorKeys = FScript.settingsEnabledOnceCreated;
  if (OnAfterCreated) OnAfterCreated();
}

void ScriptedBrowser::RaiseInitializationError(HResult code, const std::string& message) {
  if (OnInitializationError) OnInitializationError(code, message);
}

ResourceOutcome ScriptedBrowser::RaiseResourceRequest(const std::string& uri, HResult requestResult,
                                                      HResult uriResult) {
  ScriptedResourceArgs args(uri, requestResult, uriResult);
  if (OnWebResourceRequested) OnWebResourceRequested(args);
  return args.outcome;
}

void ScriptedBrowser::RaiseWebMessage(const std::string& json, HResult result) {
  ScriptedMessageArgs args(json, result);
  if (OnWebMessageReceived) OnWebMessageReceived(args);
}

ScriptedBrowserFactory::ScriptedBrowserFactory() : environment(std::make_shared<ScriptedEnvironment>()) {}

std::unique_ptr<IWebViewLoader> ScriptedBrowserFactory::CreateLoader() {
  if (failNextCreateLoader > 0) {
    --failNextCreateLoader;
    throw std::runtime_error("loader component unavailable");
  }
  LoaderScript script = loaderScript;
  if (!nextLoaders.empty()) {
    script = nextLoaders.front();
    nextLoaders.pop_front();
  }
  auto made = std::make_unique<ScriptedLoader>(script, environment);
  loader = made.get();
  ++loadersMade;
  return made;
}

std::unique_ptr<IWindowParent> ScriptedBrowserFactory::CreateWindowParent(NativeHandle parent) {
  auto made = std::make_unique<ScriptedWindowParent>(parent);
  made->backgroundThrows = windowParentBackgroundThrows;
  windowParent = made.get();
  ++windowParentsMade;
  return made;
}

std::unique_ptr<IWebBrowser> ScriptedBrowserFactory::CreateBrowser() {
  auto made = std::make_unique<ScriptedBrowser>(browserScript);
  browser = made.get();
  ++browsersMade;
  return made;
}

}  // namespace vantreel::test
