#include "browser/webview2/WebView2BrowserFactory.h"

#include <utility>

#include "app/UiStrings.h"
#include "browser/webview2/WebView2Browser.h"
#include "browser/webview2/WebView2Loader.h"
#include "browser/webview2/WebView2WindowParent.h"
#include "platform/KnownFolders.h"
#include "platform/UiLanguageId.h"

namespace vantreel::webview2 {

std::string WindowLanguage() {
  // The same inputs and mapping as the main window's own choice.
  std::uint16_t langId = GetUserDefaultUILanguage();
  if (langId == 0) langId = GetSystemDefaultUILanguage();
  return LanguageCodeFromLangId(langId);
}

TWebView2BrowserFactory::TWebView2BrowserFactory()
    : TWebView2BrowserFactory(LoadRuntimeFrom(ExecutableDir()), WindowLanguage()) {}

TWebView2BrowserFactory::TWebView2BrowserFactory(TWebView2Runtime runtime, std::string language)
    : FRuntime(std::move(runtime)), FLanguage(std::move(language)) {}

std::unique_ptr<IWebViewLoader> TWebView2BrowserFactory::CreateLoader() {
  return std::make_unique<TWebView2Loader>(FRuntime, FLanguage);
}

std::unique_ptr<IWindowParent> TWebView2BrowserFactory::CreateWindowParent(NativeHandle parent) {
  return std::make_unique<TWebView2WindowParent>(parent);
}

std::unique_ptr<IWebBrowser> TWebView2BrowserFactory::CreateBrowser() { return std::make_unique<TWebView2Browser>(); }

}  // namespace vantreel::webview2
