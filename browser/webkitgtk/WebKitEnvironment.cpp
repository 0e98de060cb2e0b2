#include "browser/webkitgtk/WebKitEnvironment.h"

#include <stdexcept>
#include <system_error>

#include "browser/webkitgtk/InternalScheme.h"
#include "browser/webkitgtk/SandboxProbe.h"
#include "browser/webkitgtk/WebKitBrowser.h"
#include "browser/webkitgtk/WebResourceResponse.h"
#include "platform/DebugOutput.h"

namespace vantreel::webkitgtk {

TWebKitEnvironment::TWebKitEnvironment(const std::filesystem::path& userDataFolder,
                                       const std::filesystem::path& extensionDir, const std::string& language) {
  if (userDataFolder.empty()) throw std::runtime_error("The browser user-data folder is not set.");
  std::error_code ec;
  std::filesystem::create_directories(userDataFolder, ec);
  if (ec || !std::filesystem::is_directory(userDataFolder))
    throw std::runtime_error("The browser user-data folder cannot be used: " + userDataFolder.string() +
                             (ec ? " (" + ec.message() + ")" : std::string()));
  const std::filesystem::path extension = extensionDir / kWebExtensionFileName;
  if (!std::filesystem::is_regular_file(extension, ec))
    throw std::runtime_error("The browser extension module is missing: " + extension.string());

  const std::string data = (userDataFolder / "data").string();
  const std::string cache = (userDataFolder / "cache").string();
  WebKitWebsiteDataManager* manager = webkit_website_data_manager_new(
      "base-data-directory", data.c_str(), "base-cache-directory", cache.c_str(), nullptr);
  FContext = webkit_web_context_new_with_website_data_manager(manager);
  g_object_unref(manager);

  // WebKit takes navigator.language (and Accept-Language) from this list, not from the
  // process locale, so the page reads the window's language even when LANG says otherwise.
  if (!language.empty()) {
    const char* const languages[] = {language.c_str(), nullptr};
    webkit_web_context_set_preferred_languages(FContext, languages);
  }

  const std::string scheme(kInternalScheme);
  webkit_web_context_register_uri_scheme(FContext, scheme.c_str(), &TWebKitEnvironment::OnInternalSchemeRequest,
                                         nullptr, nullptr);
  WebKitSecurityManager* security = webkit_web_context_get_security_manager(FContext);
  webkit_security_manager_register_uri_scheme_as_secure(security, scheme.c_str());
  webkit_security_manager_register_uri_scheme_as_cors_enabled(security, scheme.c_str());

  // Before the first web process starts; the setting cannot change afterwards.
  const TSandboxProbe& sandbox = ProbeWebProcessSandbox();
  if (sandbox.usable) {
    webkit_web_context_set_sandbox_enabled(FContext, TRUE);
    webkit_web_context_add_path_to_sandbox(FContext, extensionDir.c_str(), TRUE);
  }
  OutputDebugLine(std::string("[BROWSER] web-process sandbox ") +
                  (webkit_web_context_get_sandbox_enabled(FContext) ? "on: " : "off: ") + sandbox.detail);
  // Nothing may be saved to the disk on the page's behalf.
  g_signal_connect(FContext, "download-started", G_CALLBACK(+[](WebKitWebContext*, WebKitDownload* download, gpointer) {
                     webkit_download_cancel(download);
                     OutputDebugLine("[BROWSER] download refused");
                   }),
                   nullptr);

  webkit_web_context_set_web_extensions_directory(FContext, extensionDir.c_str());
  g_signal_connect(FContext, "initialize-web-extensions",
                   G_CALLBACK(&TWebKitEnvironment::OnInitializeWebProcessExtensions), this);
}

TWebKitEnvironment::~TWebKitEnvironment() {
  g_signal_handlers_disconnect_by_data(FContext, this);
  g_object_unref(FContext);
}

HResult TWebKitEnvironment::CreateWebResourceResponse(TWebResourceAnswer answer,
                                                      std::shared_ptr<IWebResourceResponse>& response) {
  if (answer.statusCode < 100 || answer.statusCode > 999) return static_cast<HResult>(0x80070057u);  // E_INVALIDARG
  response = std::make_shared<TWebResourceResponse>(std::move(answer));
  return kHResultOk;
}

GVariant* TWebKitEnvironment::PatternsVariant() const {
  GVariantBuilder builder;
  g_variant_builder_init(&builder, G_VARIANT_TYPE_STRING_ARRAY);
  for (const auto& pattern : FPatterns) g_variant_builder_add(&builder, "s", pattern.c_str());
  return g_variant_builder_end(&builder);
}

void TWebKitEnvironment::AddFilterPattern(const std::string& pattern) {
  for (const auto& existing : FPatterns)
    if (existing == pattern) return;
  FPatterns.push_back(pattern);
  // Processes already running learn it now; messages to a process keep their order with the
  // loads that follow, so the pattern is known before any request that needs it.
  const std::string name(kFiltersMessage);
  webkit_web_context_send_message_to_all_extensions(FContext, webkit_user_message_new(name.c_str(), PatternsVariant()));
}

void TWebKitEnvironment::OnInitializeWebProcessExtensions(WebKitWebContext* context, gpointer self) {
  auto* environment = static_cast<TWebKitEnvironment*>(self);
  webkit_web_context_set_web_extensions_initialization_user_data(context, environment->PatternsVariant());
}

void TWebKitEnvironment::OnInternalSchemeRequest(WebKitURISchemeRequest* request, gpointer) {
  // Routed through the view, so a request outlives neither its browser nor this environment.
  WebKitWebView* view = webkit_uri_scheme_request_get_web_view(request);
  if (TWebKitBrowser* browser = view ? TWebKitBrowser::FromWebView(view) : nullptr) {
    browser->AnswerInternalRequest(request);
    return;
  }
  GError* error = g_error_new_literal(WEBKIT_NETWORK_ERROR, WEBKIT_NETWORK_ERROR_FAILED, "No browser for this request");
  webkit_uri_scheme_request_finish_error(request, error);
  g_error_free(error);
}

}  // namespace vantreel::webkitgtk
