#include "browser/webview2/EnvironmentOptions.h"

#include "browser/webview2/WideText.h"

namespace vantreel::webview2 {
namespace {

HRESULT GetString(const std::wstring& field, LPWSTR* value) {
  if (value == nullptr) return E_POINTER;
  *value = CoTaskCopy(field);
  return *value != nullptr ? S_OK : E_OUTOFMEMORY;
}

HRESULT PutString(std::wstring& field, LPCWSTR value) {
  field = value != nullptr ? value : L"";
  return S_OK;
}

}  // namespace

// The runtime refuses options that target a newer runtime than it is; the SDK's version is
// the one our calls were written against.
TEnvironmentOptions::TEnvironmentOptions() : FTargetCompatibleBrowserVersion(Widen(VANTREEL_WEBVIEW2_TARGET_VERSION)) {}

HRESULT TEnvironmentOptions::QueryInterface(REFIID iid, void** object) {
  if (object == nullptr) return E_POINTER;
  if (iid == __uuidof(ICoreWebView2EnvironmentOptions) || iid == __uuidof(IUnknown)) {
    *object = static_cast<ICoreWebView2EnvironmentOptions*>(this);
    AddRef();
    return S_OK;
  }
  if (iid == __uuidof(ICoreWebView2EnvironmentOptions7)) {
    *object = static_cast<ICoreWebView2EnvironmentOptions7*>(this);
    AddRef();
    return S_OK;
  }
  *object = nullptr;
  return E_NOINTERFACE;
}

ULONG TEnvironmentOptions::Release() {
  const ULONG count = --FRefCount;
  if (count == 0) delete this;
  return count;
}

HRESULT TEnvironmentOptions::get_AdditionalBrowserArguments(LPWSTR* value) {
  return GetString(FAdditionalBrowserArguments, value);
}
HRESULT TEnvironmentOptions::put_AdditionalBrowserArguments(LPCWSTR value) {
  return PutString(FAdditionalBrowserArguments, value);
}
HRESULT TEnvironmentOptions::get_Language(LPWSTR* value) { return GetString(FLanguage, value); }
HRESULT TEnvironmentOptions::put_Language(LPCWSTR value) { return PutString(FLanguage, value); }
HRESULT TEnvironmentOptions::get_TargetCompatibleBrowserVersion(LPWSTR* value) {
  return GetString(FTargetCompatibleBrowserVersion, value);
}
HRESULT TEnvironmentOptions::put_TargetCompatibleBrowserVersion(LPCWSTR value) {
  return PutString(FTargetCompatibleBrowserVersion, value);
}
HRESULT TEnvironmentOptions::get_AllowSingleSignOnUsingOSPrimaryAccount(BOOL* allow) {
  if (allow == nullptr) return E_POINTER;
  *allow = FAllowSingleSignOn;
  return S_OK;
}
HRESULT TEnvironmentOptions::put_AllowSingleSignOnUsingOSPrimaryAccount(BOOL allow) {
  FAllowSingleSignOn = allow;
  return S_OK;
}

HRESULT TEnvironmentOptions::get_ChannelSearchKind(COREWEBVIEW2_CHANNEL_SEARCH_KIND* value) {
  if (value == nullptr) return E_POINTER;
  *value = FChannelSearchKind;
  return S_OK;
}
HRESULT TEnvironmentOptions::put_ChannelSearchKind(COREWEBVIEW2_CHANNEL_SEARCH_KIND value) {
  FChannelSearchKind = value;
  return S_OK;
}
HRESULT TEnvironmentOptions::get_ReleaseChannels(COREWEBVIEW2_RELEASE_CHANNELS* value) {
  if (value == nullptr) return E_POINTER;
  *value = FReleaseChannels;
  return S_OK;
}
HRESULT TEnvironmentOptions::put_ReleaseChannels(COREWEBVIEW2_RELEASE_CHANNELS value) {
  FReleaseChannels = value;
  return S_OK;
}

}  // namespace vantreel::webview2
