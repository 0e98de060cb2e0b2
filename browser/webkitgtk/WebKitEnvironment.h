// The environment that a loader makes: one WebKitWebContext with its website data kept in
// the user-data folder, the internal scheme registered (secure, CORS-enabled) and answered
// by the browser whose view asked, and the web-process extension found in the extension
// folder and told every filter pattern (at process start and whenever one is added).
#pragma once

#include <webkit2/webkit2.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "browser/WebViewHost.h"

namespace vantreel::webkitgtk {

// The module that WebKit loads into its web processes, looked for in the extension folder.
inline constexpr const char* kWebExtensionFileName = "vantreel-webext.so";

class TWebKitEnvironment final : public IWebViewEnvironment {
 public:
  // Throws std::runtime_error with a message fit to show when the folder cannot be used or
  // the extension is missing.
  // `language`: the interface language code the page sees; empty keeps WebKit's default.
  TWebKitEnvironment(const std::filesystem::path& userDataFolder, const std::filesystem::path& extensionDir,
                     const std::string& language = {});
  ~TWebKitEnvironment() override;
  TWebKitEnvironment(const TWebKitEnvironment&) = delete;
  TWebKitEnvironment& operator=(const TWebKitEnvironment&) = delete;

  HResult CreateWebResourceResponse(TWebResourceAnswer answer, std::shared_ptr<IWebResourceResponse>& response) override;

  WebKitWebContext* Context() const { return FContext; }
  void AddFilterPattern(const std::string& pattern);

 private:
  static void OnInitializeWebProcessExtensions(WebKitWebContext* context, gpointer self);
  static void OnInternalSchemeRequest(WebKitURISchemeRequest* request, gpointer);
  GVariant* PatternsVariant() const;

  WebKitWebContext* FContext = nullptr;
  std::vector<std::string> FPatterns;
};

}  // namespace vantreel::webkitgtk
