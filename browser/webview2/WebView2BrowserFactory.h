// The WebView2 backend of the browser interface: loader, host control and browser.
#pragma once

#include <memory>
#include <string>

#include "browser/WebViewHost.h"
#include "browser/webview2/WebView2Runtime.h"

namespace vantreel::webview2 {

class TWebView2BrowserFactory final : public IBrowserFactory {
 public:
  // The product: WebView2Loader.dll beside the executable, the window's interface language.
  TWebView2BrowserFactory();
  // Tests: a fake runtime and a chosen language.
  TWebView2BrowserFactory(TWebView2Runtime runtime, std::string language);

  std::unique_ptr<IWebViewLoader> CreateLoader() override;
  std::unique_ptr<IWindowParent> CreateWindowParent(NativeHandle parent) override;
  std::unique_ptr<IWebBrowser> CreateBrowser() override;

 private:
  TWebView2Runtime FRuntime;
  std::string FLanguage;
};

// The language that the main window chooses, as the browser's interface language.
std::string WindowLanguage();

}  // namespace vantreel::webview2
