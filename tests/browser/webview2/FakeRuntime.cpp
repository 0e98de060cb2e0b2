#include "FakeRuntime.h"

#include <cwchar>
#include <cwctype>

#include "browser/webview2/WebView2Loader.h"

namespace vantreel::webview2::fake {

std::string TFakeResponse::ReadContent() const {
  std::string body;
  char buffer[7];  // small on purpose: reads that end mid-stream must line up
  ULONG read = 0;
  LARGE_INTEGER start{};
  Content->Seek(start, STREAM_SEEK_SET, nullptr);
  while (SUCCEEDED(Content->Read(buffer, sizeof buffer, &read)) && read > 0) body.append(buffer, read);
  return body;
}

HRESULT TFakeWebView::AddScriptToExecuteOnDocumentCreated(
    LPCWSTR script, ICoreWebView2AddScriptToExecuteOnDocumentCreatedCompletedHandler* handler) {
  DocumentCreatedScripts.push_back(Narrow(script));
  ++PendingDocumentScripts;
  TComPtr<TFakeWebView> self(this);
  TComPtr<ICoreWebView2AddScriptToExecuteOnDocumentCreatedCompletedHandler> completion(handler);
  FDeferred.Post([self, completion] {
    --self->PendingDocumentScripts;
    InRuntimeCallback = true;
    if (completion) completion->Invoke(S_OK, L"script-id");
    InRuntimeCallback = false;
  });
  return S_OK;
}

HRESULT TFakeEnvironment::CreateCoreWebView2Controller(HWND parent,
                                                       ICoreWebView2CreateCoreWebView2ControllerCompletedHandler* handler) {
  ParentWindow = parent;
  ++CreateCalls;
  if (FAILED(CreateResult)) return CreateResult;
  Pending = TComPtr<ICoreWebView2CreateCoreWebView2ControllerCompletedHandler>(handler);
  if (AutoComplete) {
    TComPtr<TFakeEnvironment> self(this);
    FDeferred.Post([self] { self->CompleteController(); });
  }
  return S_OK;
}

TComPtr<TFakeController> TFakeEnvironment::CompleteController() {
  auto handler = std::move(Pending);
  if (!handler) return {};
  TComPtr<TFakeController> controller;
  if (SUCCEEDED(CompletionResult)) {
    controller = MakeFake<TFakeController>();
    Controllers.push_back(controller);
  }
  InRuntimeCallback = true;
  handler->Invoke(CompletionResult, controller.Get());
  InRuntimeCallback = false;
  PumpMessages();
  return controller;
}

HRESULT TFakeEnvironment::CreateWebResourceResponse(IStream* content, int statusCode, LPCWSTR reasonPhrase,
                                                    LPCWSTR headers, ICoreWebView2WebResourceResponse** response) {
  auto fake = MakeFake<TFakeResponse>();
  fake->Content = TComPtr<IStream>(content);
  fake->StatusCode = statusCode;
  fake->ReasonPhrase = Narrow(reasonPhrase);
  fake->Headers = Narrow(headers);
  *response = fake.Detach();
  return S_OK;
}

void TFakeRuntimeState::CompletePending() {
  auto handler = std::move(Pending);
  if (!handler) return;
  if (FAILED(CompletionResult)) {
    handler->Invoke(CompletionResult, nullptr);
    return;
  }
  auto environment = MakeFake<TFakeEnvironment>();
  if (Prepare) Prepare(*environment.Get());
  Environments.push_back(environment);
  handler->Invoke(S_OK, environment.Get());
}

TWebView2Runtime MakeFakeRuntime(std::shared_ptr<TFakeRuntimeState> state) {
  TWebView2Runtime runtime;
  runtime.createEnvironment = [state](PCWSTR browserFolder, PCWSTR userDataFolder,
                                      ICoreWebView2EnvironmentOptions* options,
                                      ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler* handler) -> HRESULT {
    ++state->Calls;
    state->BrowserFolder = browserFolder != nullptr ? Narrow(browserFolder) : "";
    state->UserDataFolder = userDataFolder != nullptr ? Narrow(userDataFolder) : "";
    LPWSTR text = nullptr;
    if (SUCCEEDED(options->get_Language(&text))) state->Language = TakeCoTaskString(text);
    if (SUCCEEDED(options->get_AdditionalBrowserArguments(&text)))
      state->AdditionalBrowserArguments = TakeCoTaskString(text);
    options->get_AllowSingleSignOnUsingOSPrimaryAccount(&state->SingleSignOn);
    TComPtr<ICoreWebView2EnvironmentOptions> held(options);
    if (auto channels = held.As<ICoreWebView2EnvironmentOptions7>()) {
      state->ChannelOptionsOffered = true;
      channels->get_ChannelSearchKind(&state->ChannelSearchKind);
      channels->get_ReleaseChannels(&state->ReleaseChannels);
    }
    state->VariablesSeen.clear();
    if (wchar_t* block = GetEnvironmentStringsW()) {
      for (const wchar_t* entry = block; *entry != L'\0'; entry += std::wcslen(entry) + 1) {
        std::wstring text(entry);
        std::wstring upper = text;
        for (auto& c : upper) c = static_cast<wchar_t>(std::towupper(c));
        if (upper.rfind(L"WEBVIEW2_", 0) == 0) state->VariablesSeen[text.substr(0, text.find(L'='))] = text;
      }
      FreeEnvironmentStringsW(block);
    }
    if (FAILED(state->CallResult)) return state->CallResult;
    state->Pending = TComPtr<ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler>(handler);
    if (state->CompleteAtOnce) state->CompletePending();
    return S_OK;
  };
  return runtime;
}

void PumpMessages() {
  MSG message;
  while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
}

}  // namespace vantreel::webview2::fake
