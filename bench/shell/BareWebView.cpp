#include "bench/shell/BareWebView.h"

#include <cstring>
#include <string>

#include "bench/shell/PageFiles.h"

namespace vantreel::bench {

TBareWebView::TBareWebView(const std::filesystem::path& dataFolder, bool sandbox) {
  const std::string data = (dataFolder / "data").string();
  const std::string cache = (dataFolder / "cache").string();
  WebKitWebsiteDataManager* manager = webkit_website_data_manager_new(
      "base-data-directory", data.c_str(), "base-cache-directory", cache.c_str(), nullptr);
  FContext = webkit_web_context_new_with_website_data_manager(manager);
  g_object_unref(manager);
  if (sandbox) webkit_web_context_set_sandbox_enabled(FContext, TRUE);
  webkit_web_context_register_uri_scheme(FContext, "vtbench", &TBareWebView::OnSchemeRequest, nullptr, nullptr);
  WebKitSecurityManager* security = webkit_web_context_get_security_manager(FContext);
  webkit_security_manager_register_uri_scheme_as_secure(security, "vtbench");
  webkit_security_manager_register_uri_scheme_as_cors_enabled(security, "vtbench");

  FContent = webkit_user_content_manager_new();
  g_signal_connect(FContent, "script-message-received::echo", G_CALLBACK(&TBareWebView::OnEcho), this);
  webkit_user_content_manager_register_script_message_handler(FContent, "echo");

  FView = WEBKIT_WEB_VIEW(g_object_new(WEBKIT_TYPE_WEB_VIEW, "web-context", FContext, "user-content-manager",
                                       FContent, nullptr));
  FWindow = gtk_window_new(GTK_WINDOW_TOPLEVEL);
  gtk_window_set_default_size(GTK_WINDOW(FWindow), 1024, 768);
  gtk_container_add(GTK_CONTAINER(FWindow), GTK_WIDGET(FView));
}

TBareWebView::~TBareWebView() {
  // The window owns the view.
  gtk_widget_destroy(FWindow);
  g_object_unref(FContent);
  g_object_unref(FContext);
}

void TBareWebView::Load() {
  gtk_widget_show_all(FWindow);
  webkit_web_view_load_uri(FView, kBareEntryUrl);
}

void TBareWebView::OnSchemeRequest(WebKitURISchemeRequest* request, gpointer) {
  const char* path = webkit_uri_scheme_request_get_path(request);
  const std::string name = path && *path == '/' ? path + 1 : "";
  for (const TPageFile& file : kPageFiles) {
    if (name != file.name) continue;
    GInputStream* stream = g_memory_input_stream_new_from_data(file.data, static_cast<gssize>(file.size), nullptr);
    webkit_uri_scheme_request_finish(request, stream, static_cast<gint64>(file.size), file.mimeType);
    g_object_unref(stream);
    return;
  }
  GError* error = g_error_new(G_IO_ERROR, G_IO_ERROR_NOT_FOUND, "no such page file: %s", name.c_str());
  webkit_uri_scheme_request_finish_error(request, error);
  g_error_free(error);
}

void TBareWebView::OnEcho(WebKitUserContentManager*, WebKitJavascriptResult* result, gpointer self) {
  auto* bare = static_cast<TBareWebView*>(self);
  if (bare->FEchoObserver) bare->FEchoObserver();
  gchar* text = jsc_value_to_string(webkit_javascript_result_get_js_value(result));
  GVariantDict args;
  g_variant_dict_init(&args, nullptr);
  g_variant_dict_insert(&args, "m", "s", text);
  // With a reference of ours: of floating arguments WebKit keeps a copy for good.
  GVariant* arguments = g_variant_ref_sink(g_variant_dict_end(&args));
  webkit_web_view_call_async_javascript_function(bare->FView, "window.benchEcho(m)", -1, arguments, nullptr, nullptr,
                                                 nullptr, nullptr, nullptr);
  g_variant_unref(arguments);
  g_free(text);
}

}  // namespace vantreel::bench
