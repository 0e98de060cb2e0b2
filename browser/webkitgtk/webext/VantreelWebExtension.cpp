// Web-process extension, loaded by WebKit into each of its web processes (so it is built
// without our sanitizer flags). It keeps a filtered https origin in-process: every request
// for a URL that matches a host filter pattern is moved to the internal scheme, which the
// host answers from memory. The document's own load is left alone, because the host loads
// the document itself (with that URL as base) and WebKit still announces it here.
#include <libsoup/soup.h>
#include <webkit2/webkit-web-extension.h>

#include <string>
#include <vector>

#include "browser/webkitgtk/InternalScheme.h"

namespace {

using vantreel::webkitgtk::kFiltersMessage;
using vantreel::webkitgtk::ToInternalUri;
using vantreel::webkitgtk::UriMatchesPattern;

// Filters are only ever added; the web process runs extension code on its main thread.
std::vector<std::string> gPatterns;

void AddPatterns(GVariant* patterns) {
  if (patterns == nullptr || !g_variant_is_of_type(patterns, G_VARIANT_TYPE_STRING_ARRAY)) return;
  GVariantIter iter;
  const char* pattern = nullptr;
  g_variant_iter_init(&iter, patterns);
  while (g_variant_iter_next(&iter, "&s", &pattern)) {
    bool known = false;
    for (const auto& existing : gPatterns) known = known || existing == pattern;
    if (!known) gPatterns.emplace_back(pattern);
  }
}

bool IsFiltered(const char* uri) {
  for (const auto& pattern : gPatterns)
    if (UriMatchesPattern(uri, pattern)) return true;
  return false;
}

gboolean OnSendRequest(WebKitWebPage* page, WebKitURIRequest* request, WebKitURIResponse*, gpointer) {
  const char* uri = webkit_uri_request_get_uri(request);
  if (uri == nullptr || !IsFiltered(uri)) return FALSE;
  // The document's own load is left alone; WebKit marks every request a page makes (fetch,
  // XHR, subresources) with Sec-Fetch-Mode, which page script cannot set, and the host's
  // load of the document itself carries none. So fetch(location.href) is answered too.
  const char* pageUri = webkit_web_page_get_uri(page);
  SoupMessageHeaders* headers = webkit_uri_request_get_http_headers(request);
  const bool fromThePage = headers != nullptr && soup_message_headers_get_one(headers, "Sec-Fetch-Mode") != nullptr;
  if (pageUri != nullptr && g_strcmp0(pageUri, uri) == 0 && !fromThePage) return FALSE;
  if (auto internal = ToInternalUri(uri)) webkit_uri_request_set_uri(request, internal->c_str());
  return FALSE;
}

void OnPageCreated(WebKitWebExtension*, WebKitWebPage* page, gpointer) {
  g_signal_connect(page, "send-request", G_CALLBACK(OnSendRequest), nullptr);
}

void OnUserMessage(WebKitWebExtension*, WebKitUserMessage* message, gpointer) {
  if (g_strcmp0(webkit_user_message_get_name(message), std::string(kFiltersMessage).c_str()) == 0)
    AddPatterns(webkit_user_message_get_parameters(message));
}

}  // namespace

extern "C" G_MODULE_EXPORT void webkit_web_extension_initialize_with_user_data(WebKitWebExtension* extension,
                                                                               const GVariant* userData) {
  AddPatterns(const_cast<GVariant*>(userData));
  g_signal_connect(extension, "page-created", G_CALLBACK(OnPageCreated), nullptr);
  g_signal_connect(extension, "user-message-received", G_CALLBACK(OnUserMessage), nullptr);
}
