#include "browser/webview2/WebView2BrowserFactory.h"

#include <utility>

#include "browser/webview2/WebView2Browser.h"
#include "browser/webview2/WebView2Loader.h"
#include "browser/webview2/WebView2WindowParent.h"
#include "platform/KnownFolders.h"

namespace vantreel::webview2 {

TWebView2BrowserFactory::TWebView2BrowserFactory() : TWebView2BrowserFactory(LoadRuntimeFrom(ExecutableDir())) {}

TWebView2BrowserFactory::TWebView2BrowserFactory(TWebView2Runtime runtime) : FRuntime(std::move(runtime)) {}

std::unique_ptr<IWebViewLoader> TWebView2BrowserFactory::CreateLoader() {
  return std::make_unique<TWebView2Loader>(FRuntime);
}

std::unique_ptr<IWindowParent> TWebView2BrowserFactory::CreateWindowParent(NativeHandle parent) {
  return std::make_unique<TWebView2WindowParent>(parent);
}

std::unique_ptr<IWebBrowser> TWebView2BrowserFactory::CreateBrowser() { return std::make_unique<TWebView2Browser>(); }

}  // namespace vantreel::webview2
