// The runtime's environment as the window sees it: it makes resource responses whose bodies
// are streams over the bundle's bytes. The environment can be made again with the loader's
// settings when the runtime's browser process has died; the window keeps the same object.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "browser/WebViewHost.h"
#include "browser/webview2/ComPtr.h"
#include "browser/webview2/WebView2Sdk.h"

namespace vantreel::webview2 {

// Makes environments with one user-data folder and one set of options. Clears the runtime's
// environment variables before each attempt (see WebView2Loader.h).
class TEnvironmentMaker {
 public:
  using TDone = std::function<void(HRESULT result, TComPtr<ICoreWebView2Environment> environment)>;
  virtual ~TEnvironmentMaker() = default;
  // A failure returned here was found at once; `done` then never runs.
  virtual HRESULT Make(TDone done) = 0;
};

class TWebView2Response final : public IWebResourceResponse {
 public:
  explicit TWebView2Response(TComPtr<ICoreWebView2WebResourceResponse> core) : FCore(std::move(core)) {}
  ICoreWebView2WebResourceResponse* Core() const { return FCore.Get(); }

 private:
  TComPtr<ICoreWebView2WebResourceResponse> FCore;
};

class TWebView2Environment final : public IWebViewEnvironment,
                                   public std::enable_shared_from_this<TWebView2Environment> {
 public:
  TWebView2Environment(TComPtr<ICoreWebView2Environment> core, std::shared_ptr<TEnvironmentMaker> maker)
      : FCore(std::move(core)), FMaker(std::move(maker)) {}

  HResult CreateWebResourceResponse(TWebResourceAnswer answer, std::shared_ptr<IWebResourceResponse>& response) override;

  ICoreWebView2Environment* Core() const { return FCore.Get(); }
  // Makes a new runtime environment and puts it in place of the old one before `done` runs.
  HRESULT Remake(std::function<void(HRESULT result)> done);

 private:
  TComPtr<ICoreWebView2Environment> FCore;
  std::shared_ptr<TEnvironmentMaker> FMaker;
};

}  // namespace vantreel::webview2
