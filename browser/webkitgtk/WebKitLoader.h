// The loader: makes the WebKit environment on the user-data folder. Making it is synchronous,
// so success and failure both show at the first look after StartWebView2.
#pragma once

#include <filesystem>
#include <memory>
#include <string>

#include "browser/WebViewHost.h"

namespace vantreel::webkitgtk {

class TWebKitEnvironment;

class TWebKitLoader final : public IWebViewLoader {
 public:
  explicit TWebKitLoader(std::filesystem::path extensionDir);
  ~TWebKitLoader() override;

  void SetUserDataFolder(const std::string& folder) override { FUserDataFolder = folder; }
  std::string UserDataFolder() const override { return FUserDataFolder; }
  void SetLanguage(const std::string& language) override { FLanguage = language; }
  bool StartWebView2() override;
  bool Initialized() const override { return FInitialized; }
  bool InitializationError() const override { return FInitializationError; }
  std::string ErrorMessage() const override { return FErrorMessage; }
  std::shared_ptr<IWebViewEnvironment> Environment() const override;

 private:
  std::filesystem::path FExtensionDir;
  std::string FUserDataFolder;
  std::string FLanguage;
  bool FStarted = false;
  bool FInitialized = false;
  bool FInitializationError = false;
  std::string FErrorMessage;
  std::shared_ptr<TWebKitEnvironment> FEnvironment;
};

}  // namespace vantreel::webkitgtk
