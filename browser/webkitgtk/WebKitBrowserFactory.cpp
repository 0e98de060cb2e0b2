#include "browser/webkitgtk/WebKitBrowserFactory.h"

#include <utility>

#include "browser/webkitgtk/WebKitBrowser.h"
#include "browser/webkitgtk/WebKitLoader.h"
#include "browser/webkitgtk/WebKitWindowParent.h"

namespace vantreel::webkitgtk {

TWebKitBrowserFactory::TWebKitBrowserFactory(std::filesystem::path extensionDir)
    : FExtensionDir(std::move(extensionDir)) {}

std::unique_ptr<IWebViewLoader> TWebKitBrowserFactory::CreateLoader() {
  return std::make_unique<TWebKitLoader>(FExtensionDir);
}

std::unique_ptr<IWindowParent> TWebKitBrowserFactory::CreateWindowParent(NativeHandle parent) {
  return std::make_unique<TWebKitWindowParent>(parent);
}

std::unique_ptr<IWebBrowser> TWebKitBrowserFactory::CreateBrowser() { return std::make_unique<TWebKitBrowser>(); }

}  // namespace vantreel::webkitgtk
