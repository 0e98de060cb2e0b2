// Where environments come from: CreateCoreWebView2EnvironmentWithOptions of the
// WebView2Loader.dll beside the executable in the product, a fake runtime in tests.
//
// The DLL is loaded at run time by its full path rather than import-linked: an import-linked
// DLL that is missing stops the process before our code runs, with a system box in no
// language of ours, while a run-time load lets the start-up sequence show its own localised
// failure box. The full path also keeps the DLL search order from finding a planted copy.
#pragma once

#include <filesystem>
#include <functional>
#include <string>

#include "browser/webview2/WebView2Sdk.h"

namespace vantreel::webview2 {

struct TWebView2Runtime {
  using TCreateEnvironment = std::function<HRESULT(PCWSTR browserExecutableFolder, PCWSTR userDataFolder,
                                                   ICoreWebView2EnvironmentOptions* options,
                                                   ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler* handler)>;
  // Empty when the runtime cannot be reached at all; then `unavailableReason` says why and
  // `unavailableCode` gives the Windows error as an HRESULT.
  TCreateEnvironment createEnvironment;
  std::string unavailableReason;
  HRESULT unavailableCode = S_OK;
};

inline constexpr const wchar_t* kLoaderDllName = L"WebView2Loader.dll";

// Loads `folder`\WebView2Loader.dll (the executable's folder in the product) once per
// process; the DLL stays loaded for the rest of it.
TWebView2Runtime LoadRuntimeFrom(const std::filesystem::path& folder);

}  // namespace vantreel::webview2
