// The WebView2 backend of the browser interface: loader, host control and browser.
#pragma once

#include <memory>

#include "browser/WebViewHost.h"
#include "browser/webview2/WebView2Runtime.h"

namespace vantreel::webview2 {

class TWebView2BrowserFactory final : public IBrowserFactory {
 public:
  // The product: WebView2Loader.dll beside the executable.
  TWebView2BrowserFactory();
  // Tests: a fake runtime.
  explicit TWebView2BrowserFactory(TWebView2Runtime runtime);

  std::unique_ptr<IWebViewLoader> CreateLoader() override;
  std::unique_ptr<IWindowParent> CreateWindowParent(NativeHandle parent) override;
  std::unique_ptr<IWebBrowser> CreateBrowser() override;

 private:
  TWebView2Runtime FRuntime;
};

}  // namespace vantreel::webview2
