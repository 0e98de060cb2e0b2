// Our ICoreWebView2EnvironmentOptions (the SDK's own implementation needs WRL). The runtime
// reads the values once, while it makes the environment.
#pragma once

#include <atomic>
#include <string>

#include "browser/webview2/ComPtr.h"
#include "browser/webview2/WebView2Sdk.h"

namespace vantreel::webview2 {

class TEnvironmentOptions final : public ICoreWebView2EnvironmentOptions {
 public:
  static TComPtr<TEnvironmentOptions> Create() {
    return TComPtr<TEnvironmentOptions>::Adopt(new TEnvironmentOptions());
  }

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
  ULONG STDMETHODCALLTYPE AddRef() override { return ++FRefCount; }
  ULONG STDMETHODCALLTYPE Release() override;

  HRESULT STDMETHODCALLTYPE get_AdditionalBrowserArguments(LPWSTR* value) override;
  HRESULT STDMETHODCALLTYPE put_AdditionalBrowserArguments(LPCWSTR value) override;
  HRESULT STDMETHODCALLTYPE get_Language(LPWSTR* value) override;
  HRESULT STDMETHODCALLTYPE put_Language(LPCWSTR value) override;
  HRESULT STDMETHODCALLTYPE get_TargetCompatibleBrowserVersion(LPWSTR* value) override;
  HRESULT STDMETHODCALLTYPE put_TargetCompatibleBrowserVersion(LPCWSTR value) override;
  HRESULT STDMETHODCALLTYPE get_AllowSingleSignOnUsingOSPrimaryAccount(BOOL* allow) override;
  HRESULT STDMETHODCALLTYPE put_AllowSingleSignOnUsingOSPrimaryAccount(BOOL allow) override;

 private:
  TEnvironmentOptions();
  ~TEnvironmentOptions() = default;

  std::atomic<ULONG> FRefCount{1};
  std::wstring FAdditionalBrowserArguments;
  std::wstring FLanguage;
  std::wstring FTargetCompatibleBrowserVersion;
  BOOL FAllowSingleSignOn = FALSE;
};

}  // namespace vantreel::webview2
