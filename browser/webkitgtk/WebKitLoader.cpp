#include "browser/webkitgtk/WebKitLoader.h"

#include <stdexcept>
#include <utility>

#include "browser/webkitgtk/WebKitEnvironment.h"

namespace vantreel::webkitgtk {

TWebKitLoader::TWebKitLoader(std::filesystem::path extensionDir) : FExtensionDir(std::move(extensionDir)) {}

TWebKitLoader::~TWebKitLoader() = default;

bool TWebKitLoader::StartWebView2() {
  if (FStarted) return false;
  FStarted = true;
  try {
    FEnvironment = std::make_shared<TWebKitEnvironment>(FUserDataFolder, FExtensionDir, FLanguage);
  } catch (const std::exception& e) {
    FInitializationError = true;
    FErrorMessage = e.what();
    return false;
  }
  // The context and its data manager are complete once made, so success shows at the first
  // look as a failure does; deferring it would only cost the first show one poll period.
  FInitialized = true;
  return true;
}

std::shared_ptr<IWebViewEnvironment> TWebKitLoader::Environment() const {
  return FInitialized ? FEnvironment : nullptr;
}

}  // namespace vantreel::webkitgtk
