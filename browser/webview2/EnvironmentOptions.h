// Our ICoreWebView2EnvironmentOptions (the SDK's own implementation needs WRL). The runtime
// reads the values once, while it makes the environment. The channel options start fixed to
// the installed stable runtime: a preview channel that someone put on the machine is never
// searched for.
#pragma once

#include <atomic>
#include <string>

#include "browser/webview2/ComPtr.h"
#include "browser/webview2/WebView2Sdk.h"

namespace vantreel::webview2 {

class TEnvironmentOptions final : public ICoreWebView2EnvironmentOptions, public ICoreWebView2EnvironmentOptions7 {
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
  HRESULT STDMETHODCALLTYPE get_ChannelSearchKind(COREWEBVIEW2_CHANNEL_SEARCH_KIND* value) override;
  HRESULT STDMETHODCALLTYPE put_ChannelSearchKind(COREWEBVIEW2_CHANNEL_SEARCH_KIND value) override;
  HRESULT STDMETHODCALLTYPE get_ReleaseChannels(COREWEBVIEW2_RELEASE_CHANNELS* value) override;
  HRESULT STDMETHODCALLTYPE put_ReleaseChannels(COREWEBVIEW2_RELEASE_CHANNELS value) override;

 private:
  TEnvironmentOptions();
  ~TEnvironmentOptions() = default;

  std::atomic<ULONG> FRefCount{1};
  std::wstring FAdditionalBrowserArguments;
  std::wstring FLanguage;
  std::wstring FTargetCompatibleBrowserVersion;
  BOOL FAllowSingleSignOn = FALSE;
  COREWEBVIEW2_CHANNEL_SEARCH_KIND FChannelSearchKind = COREWEBVIEW2_CHANNEL_SEARCH_KIND_MOST_STABLE;
  COREWEBVIEW2_RELEASE_CHANNELS FReleaseChannels = COREWEBVIEW2_RELEASE_CHANNELS_STABLE;
};

}  // namespace vantreel::webview2
