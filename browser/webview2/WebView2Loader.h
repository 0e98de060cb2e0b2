// The loader: makes the runtime's environment on the user-data folder, with the interface
// language as the browser's language. The runtime reports back through the message loop of
// this (STA) thread; a failure that the runtime reports at once, such as a missing runtime or
// a missing WebView2Loader.dll, shows as InitializationError at the first look.
//
// The runtime also reads its settings from environment variables and appends them to ours
// (WEBVIEW2_ADDITIONAL_BROWSER_ARGUMENTS=--remote-debugging-port=9222 would open a debugging
// door to anyone at the keyboard). The loader clears them in this process before each attempt.
#pragma once

#include <memory>
#include <string>

#include "browser/WebViewHost.h"
#include "browser/webview2/WebView2Runtime.h"

namespace vantreel::webview2 {

class TWebView2Environment;

// Removes every variable whose name begins with WEBVIEW2_ (in any case, as Windows compares
// names): each new loader or runtime version may read names that no list of ours knows.
void ClearRuntimeEnvironmentVariables();

// The arguments every environment starts with.
inline constexpr const char* kLoaderBrowserArguments = "--disable-dev-tools";
// Those arguments with the language, which the runtime honours on every start; its Language
// option alone applies only while the user-data folder is new.
std::string LoaderBrowserArguments(const std::string& language);

class TWebView2Loader final : public IWebViewLoader {
 public:
  explicit TWebView2Loader(TWebView2Runtime runtime);
  ~TWebView2Loader() override;

  void SetUserDataFolder(const std::string& folder) override { FUserDataFolder = folder; }
  std::string UserDataFolder() const override { return FUserDataFolder; }
  // A BCP 47 tag ("de", "zh-CN"): the browser's own texts and the page's navigator.language.
  void SetLanguage(const std::string& language) override { FLanguage = language; }
  bool StartWebView2() override;
  bool Initialized() const override;
  bool InitializationError() const override;
  std::string ErrorMessage() const override;
  HResult ErrorCode() const override;
  std::shared_ptr<IWebViewEnvironment> Environment() const override;

 private:
  struct TState;
  TWebView2Runtime FRuntime;
  std::string FLanguage;
  std::string FUserDataFolder;
  bool FStarted = false;
  std::shared_ptr<TState> FState;
};

// "%s (0x%X)" for a failed runtime call, with what the code means where it is a known one.
std::string DescribeRuntimeFailure(const std::string& call, HRESULT hr);

}  // namespace vantreel::webview2
