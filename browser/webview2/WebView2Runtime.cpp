#include "browser/webview2/WebView2Runtime.h"

#include <cstdio>

#include "base/StatusText.h"
#include "browser/webview2/WideText.h"

namespace vantreel::webview2 {
namespace {

using TCreateFn = HRESULT(STDAPICALLTYPE*)(PCWSTR, PCWSTR, ICoreWebView2EnvironmentOptions*,
                                            ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler*);

}  // namespace

TWebView2Runtime LoadRuntimeFrom(const std::filesystem::path& folder) {
  TWebView2Runtime runtime;
  const std::filesystem::path dll = folder / kLoaderDllName;
  const std::string shown = Narrow(dll.wstring());
  if (GetFileAttributesW(dll.c_str()) == INVALID_FILE_ATTRIBUTES) {
    runtime.unavailableReason = "WebView2Loader.dll is missing: " + shown;
    runtime.unavailableCode = HRESULT_FROM_WIN32(ERROR_MOD_NOT_FOUND);
    return runtime;
  }
  // Its dependencies come from the system folder only, never from the working folder.
  HMODULE module = LoadLibraryExW(dll.c_str(), nullptr, LOAD_LIBRARY_SEARCH_DLL_LOAD_DIR | LOAD_LIBRARY_SEARCH_SYSTEM32);
  if (module == nullptr) {
    const DWORD error = GetLastError();
    runtime.unavailableReason = "WebView2Loader.dll cannot be loaded (" + HexStatus(error, 8) + "): " + shown;
    runtime.unavailableCode = HRESULT_FROM_WIN32(error);
    return runtime;
  }
  auto create = reinterpret_cast<TCreateFn>(
      reinterpret_cast<void*>(GetProcAddress(module, "CreateCoreWebView2EnvironmentWithOptions")));
  if (create == nullptr) {
    runtime.unavailableReason = "WebView2Loader.dll has no CreateCoreWebView2EnvironmentWithOptions: " + shown;
    runtime.unavailableCode = HRESULT_FROM_WIN32(ERROR_PROC_NOT_FOUND);
    FreeLibrary(module);
    return runtime;
  }
  runtime.createEnvironment = create;
  return runtime;
}

}  // namespace vantreel::webview2
