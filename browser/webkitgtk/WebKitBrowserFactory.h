// The WebKitGTK 4.1 backend of the browser interface: loader, host control and browser.
#pragma once

#include <filesystem>
#include <memory>

#include "browser/WebViewHost.h"

namespace vantreel::webkitgtk {

class TWebKitBrowserFactory final : public IBrowserFactory {
 public:
  // `extensionDir`: the folder that holds the web-process extension module (the
  // executable's folder in the product; the build folder in tests).
  explicit TWebKitBrowserFactory(std::filesystem::path extensionDir);

  std::unique_ptr<IWebViewLoader> CreateLoader() override;
  std::unique_ptr<IWindowParent> CreateWindowParent(NativeHandle parent) override;
  std::unique_ptr<IWebBrowser> CreateBrowser() override;

 private:
  std::filesystem::path FExtensionDir;
};

}  // namespace vantreel::webkitgtk
