#include "browser/webview2/WebView2Loader.h"

#include <cstdio>
#include <cwctype>
#include <cwchar>
#include <string_view>
#include <utility>
#include <vector>

#include "base/StatusText.h"
#include "browser/webview2/EnvironmentOptions.h"
#include "browser/webview2/ComHandler.h"
#include "browser/webview2/WebView2Environment.h"
#include "browser/webview2/WideText.h"
#include "platform/DebugOutput.h"

namespace vantreel::webview2 {

// Shared with the completion handler, which the runtime may call after the loader is gone.
struct TWebView2Loader::TState {
  bool Initialized = false;
  bool InitializationError = false;
  std::string ErrorMessage;
  HRESULT ErrorCode = S_OK;
  std::shared_ptr<TWebView2Environment> Environment;
};

namespace {

// Makes environments with the loader's folder, language and arguments.
class TLoaderEnvironmentMaker final : public TEnvironmentMaker {
 public:
  TLoaderEnvironmentMaker(TWebView2Runtime::TCreateEnvironment create, std::wstring userDataFolder,
                          std::wstring language)
      : FCreate(std::move(create)), FUserDataFolder(std::move(userDataFolder)), FLanguage(std::move(language)) {}

  HRESULT Make(TDone done) override {
    ClearRuntimeEnvironmentVariables();
    auto options = TEnvironmentOptions::Create();
    options->put_AdditionalBrowserArguments(Widen(LoaderBrowserArguments(Narrow(FLanguage))).c_str());
    if (!FLanguage.empty()) options->put_Language(FLanguage.c_str());
    options->put_AllowSingleSignOnUsingOSPrimaryAccount(FALSE);
    auto handler = MakeHandler<ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler>(
        [done = std::move(done)](HRESULT result, ICoreWebView2Environment* environment) {
          done(result, TComPtr<ICoreWebView2Environment>(environment));
          return S_OK;
        });
    // No browser folder of our own: the installed runtime, never one that a variable names.
    return FCreate(nullptr, FUserDataFolder.empty() ? nullptr : FUserDataFolder.c_str(), options.Get(),
                   handler.Get());
  }

 private:
  TWebView2Runtime::TCreateEnvironment FCreate;
  std::wstring FUserDataFolder;
  std::wstring FLanguage;
};

}  // namespace

void ClearRuntimeEnvironmentVariables() {
  constexpr std::wstring_view kPrefix = L"WEBVIEW2_";
  std::vector<std::wstring> names;
  if (wchar_t* block = GetEnvironmentStringsW()) {
    for (const wchar_t* entry = block; *entry != L'\0'; entry += std::wcslen(entry) + 1) {
      // Entries such as "=C:=C:\" name the drives' folders; a name never starts with '='.
      const std::wstring_view text(entry);
      const std::size_t equals = text.find(L'=', 1);
      const std::wstring_view name = text.substr(0, equals);
      if (name.size() < kPrefix.size()) continue;
      bool matches = true;
      for (std::size_t i = 0; i < kPrefix.size() && matches; ++i)
        matches = std::towupper(name[i]) == kPrefix[i];
      if (matches) names.emplace_back(name);
    }
    FreeEnvironmentStringsW(block);
  }
  for (const std::wstring& name : names) SetEnvironmentVariableW(name.c_str(), nullptr);
}

std::string LoaderBrowserArguments(const std::string& language) {
  std::string arguments = kLoaderBrowserArguments;
  // Our own language codes only; nothing that could end the switch.
  const bool plain = !language.empty() && language.find_first_not_of(
      "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ-") == std::string::npos;
  if (plain) arguments += " --accept-lang=" + language;
  return arguments;
}

std::string DescribeRuntimeFailure(const std::string& call, HRESULT hr) {
  std::string what = call + " failed";
  switch (static_cast<unsigned long>(hr)) {
    case 0x80070002ul: what = "The WebView2 Runtime is not installed"; break;
    case 0x8007000Eul: what = call + " ran out of memory"; break;
    case 0x80070005ul: what = call + " was denied access to the user-data folder"; break;
    default: break;
  }
  return what + " (" + HexStatus(static_cast<std::uint32_t>(hr)) + ")";
}

TWebView2Loader::TWebView2Loader(TWebView2Runtime runtime)
    : FRuntime(std::move(runtime)), FState(std::make_shared<TState>()) {}

TWebView2Loader::~TWebView2Loader() = default;

bool TWebView2Loader::StartWebView2() {
  if (FStarted) return true;
  FStarted = true;
  if (!FRuntime.createEnvironment) {
    FState->InitializationError = true;
    FState->ErrorMessage = FRuntime.unavailableReason;
    FState->ErrorCode = FAILED(FRuntime.unavailableCode) ? FRuntime.unavailableCode : E_FAIL;
    return false;
  }
  auto maker = std::make_shared<TLoaderEnvironmentMaker>(FRuntime.createEnvironment, Widen(FUserDataFolder),
                                                         Widen(FLanguage));
  std::weak_ptr<TState> weakState = FState;
  const HRESULT hr = maker->Make([weakState, maker](HRESULT result, TComPtr<ICoreWebView2Environment> core) {
    auto state = weakState.lock();
    if (!state || state->Initialized || state->InitializationError) return;
    if (SUCCEEDED(result) && core) {
      state->Environment = std::make_shared<TWebView2Environment>(std::move(core), maker);
      state->Initialized = true;
    } else {
      state->InitializationError = true;
      state->ErrorCode = SUCCEEDED(result) ? E_POINTER : result;
      state->ErrorMessage = DescribeRuntimeFailure("CreateCoreWebView2EnvironmentWithOptions", state->ErrorCode);
    }
  });
  if (FAILED(hr) && !FState->Initialized) {
    FState->InitializationError = true;
    FState->ErrorCode = hr;
    FState->ErrorMessage = DescribeRuntimeFailure("CreateCoreWebView2EnvironmentWithOptions", hr);
    OutputDebugLine("[WEBVIEW2] " + FState->ErrorMessage);
    return false;
  }
  return true;
}

bool TWebView2Loader::Initialized() const { return FState->Initialized; }
bool TWebView2Loader::InitializationError() const { return FState->InitializationError; }
std::string TWebView2Loader::ErrorMessage() const { return FState->ErrorMessage; }
HResult TWebView2Loader::ErrorCode() const { return FState->ErrorCode; }
std::shared_ptr<IWebViewEnvironment> TWebView2Loader::Environment() const {
  return FState->Initialized ? FState->Environment : nullptr;
}

}  // namespace vantreel::webview2
