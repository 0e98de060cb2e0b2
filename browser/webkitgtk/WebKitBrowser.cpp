#include "browser/webkitgtk/WebKitBrowser.h"

#include <libsoup/soup.h>

#include <string.h>

#include <algorithm>
#include <sstream>
#include <utility>

#include "base/AsciiText.h"
#include "browser/UriPattern.h"
#include "base/LogText.h"
#include "browser/webkitgtk/BrowserKeys.h"
#include "browser/webkitgtk/DocumentPolicy.h"
#include "browser/webkitgtk/InternalScheme.h"
#include "browser/webkitgtk/PageChannel.h"
#include "browser/webkitgtk/WebKitEnvironment.h"
#include "browser/webkitgtk/WebKitRenderer.h"
#include "browser/webkitgtk/WebResourceResponse.h"
#include "platform/DebugOutput.h"

namespace vantreel::webkitgtk {
namespace {

constexpr const char* kBrowserKey = "vantreel-browser";
constexpr HResult kInvalidArg = static_cast<HResult>(0x80070057u);

// The body stays shared with the bundle: GLib holds a reference instead of a copy.
GBytes* SharedBytes(const std::shared_ptr<const TBytes>& content) {
  auto* holder = new std::shared_ptr<const TBytes>(content);
  return g_bytes_new_with_free_func((*holder)->data(), (*holder)->size(),
                                    [](gpointer p) { delete static_cast<std::shared_ptr<const TBytes>*>(p); },
                                    holder);
}

bool HasArgument(const std::string& arguments, const std::string& wanted) {
  std::istringstream words(arguments);
  std::string word;
  while (words >> word)
    if (word == wanted) return true;
  return false;
}

// "https://host:port/p" -> "https://host:port".
std::string OriginOf(const std::string& uri) {
  const std::size_t hostStart = uri.find("://");
  if (hostStart == std::string::npos) return uri;
  return uri.substr(0, uri.find_first_of("/?#", hostStart + 3));
}

std::string WithoutFragment(const std::string& uri) { return uri.substr(0, uri.find('#')); }

// A GVariant string over a copy that is wiped when GLib lets go of it: replies can carry
// secrets. (WebKit's own copies on the way to the page are out of reach.)
GVariant* WipedOnFreeString(const std::string& text) {
  auto* copy = new std::string(text);
  GBytes* bytes = g_bytes_new_with_free_func(copy->c_str(), copy->size() + 1,
                                             [](gpointer p) {
                                               auto* s = static_cast<std::string*>(p);
                                               explicit_bzero(s->data(), s->size());
                                               delete s;
                                             },
                                             copy);
  GVariant* value = g_variant_new_from_bytes(G_VARIANT_TYPE_STRING, bytes, TRUE);
  g_bytes_unref(bytes);
  return value;
}

// Lines quote URLs that the page chose: one line each, whatever they hold.
void Refused(const std::string& what) { OutputDebugLine("[BROWSER] " + EscapedForLog(what)); }

// A GVariant string ends at NUL, and arrays are no argument type, so the text travels as an
// object whose keys "0", "1", ... hold its NUL-separated parts in order.
GVariant* DeliverArguments(const std::string& text) {
  GVariantDict parts;
  g_variant_dict_init(&parts, nullptr);
  std::size_t start = 0;
  for (int index = 0;; ++index) {
    const std::size_t end = text.find('\0', start);
    const std::string part = text.substr(start, end == std::string::npos ? std::string::npos : end - start);
    gchar* valid = g_utf8_make_valid(part.data(), static_cast<gssize>(part.size()));
    g_variant_dict_insert_value(&parts, std::to_string(index).c_str(), g_variant_new_string(valid));
    g_free(valid);
    if (end == std::string::npos) break;
    start = end + 1;
  }
  GVariantDict args;
  g_variant_dict_init(&args, nullptr);
  g_variant_dict_insert_value(&args, "parts", g_variant_dict_end(&parts));
  return g_variant_dict_end(&args);
}

}  // namespace

TWebKitBrowser::~TWebKitBrowser() {
  FHangWatch.reset();
  if (FContentManager != nullptr) {
    g_signal_handlers_disconnect_by_data(FContentManager, this);
    g_object_unref(FContentManager);
  }
  if (FView != nullptr) {
    g_signal_handlers_disconnect_by_data(FView, this);
    g_object_set_data(G_OBJECT(FView), kBrowserKey, nullptr);
    gtk_widget_destroy(GTK_WIDGET(FView));
    g_object_unref(FView);
  }
}

TWebKitBrowser* TWebKitBrowser::FromWebView(WebKitWebView* view) {
  return static_cast<TWebKitBrowser*>(g_object_get_data(G_OBJECT(view), kBrowserKey));
}

void TWebKitBrowser::SetDefaultContextMenusEnabled(bool enabled) {
  if (FCreated) FContextMenusEnabled = enabled;
}

void TWebKitBrowser::SetDevToolsEnabled(bool enabled) {
  if (!FCreated) return;
  FDevToolsEnabled = enabled;
  ApplyDeveloperExtras();
}

void TWebKitBrowser::SetAreBrowserAcceleratorKeysEnabled(bool enabled) {
  if (FCreated) FAcceleratorKeysEnabled = enabled;
}

void TWebKitBrowser::SetAdditionalBrowserArguments(const std::string& arguments) {
  FAdditionalArguments = arguments;
  ApplyDeveloperExtras();
}

void TWebKitBrowser::ApplyDeveloperExtras() {
  if (FView == nullptr) return;
  const bool enabled = FDevToolsEnabled && !HasArgument(FAdditionalArguments, "--disable-dev-tools");
  WebKitSettings* settings = webkit_web_view_get_settings(FView);
  webkit_settings_set_enable_developer_extras(settings, enabled);
  // With the inspector comes the page's console, on the client's standard output.
  webkit_settings_set_enable_write_console_messages_to_stdout(settings, enabled);
}

bool TWebKitBrowser::CreateBrowser(NativeHandle handle, std::shared_ptr<IWebViewEnvironment> environment) {
  IWebViewLoader* loader = GlobalWebView2Loader();
  if (handle == nullptr || loader == nullptr || !loader->Initialized() || FView != nullptr) return false;
  if (!environment) environment = loader->Environment();
  FEnvironment = std::dynamic_pointer_cast<TWebKitEnvironment>(environment);
  if (!FEnvironment || !GTK_IS_CONTAINER(handle)) {
    const std::string message = FEnvironment ? "The host control cannot hold a browser."
                                             : "The environment was not made by this browser's loader.";
    FEnvironment.reset();
    FDeferred.Post([this, message] {
      if (OnInitializationError) OnInitializationError(kInvalidArg, message);
    });
    return true;
  }

  FContentManager = webkit_user_content_manager_new();
  // The channel's scripts follow once a filter names the origins they may run on.
  const std::string signal = std::string("script-message-received::") + kScriptMessageHandler;
  g_signal_connect(FContentManager, signal.c_str(), G_CALLBACK(&TWebKitBrowser::OnScriptMessage), this);
  webkit_user_content_manager_register_script_message_handler_in_world(FContentManager, kScriptMessageHandler,
                                                                       kBridgeWorld);

  FView = WEBKIT_WEB_VIEW(g_object_new(WEBKIT_TYPE_WEB_VIEW, "web-context", FEnvironment->Context(),
                                       "user-content-manager", FContentManager, nullptr));
  g_object_ref_sink(FView);
  g_object_set_data(G_OBJECT(FView), kBrowserKey, this);
  ApplyDeveloperExtras();
  g_signal_connect(FView, "decide-policy", G_CALLBACK(&TWebKitBrowser::OnDecidePolicy), this);
  g_signal_connect(FView, "load-changed", G_CALLBACK(&TWebKitBrowser::OnLoadChanged), this);
  g_signal_connect(FView, "load-failed", G_CALLBACK(&TWebKitBrowser::OnLoadFailed), this);
  g_signal_connect(FView, "context-menu", G_CALLBACK(&TWebKitBrowser::OnContextMenu), this);
  g_signal_connect(FView, "create", G_CALLBACK(&TWebKitBrowser::OnCreate), this);
  g_signal_connect(FView, "key-press-event", G_CALLBACK(&TWebKitBrowser::OnKeyPress), this);
  g_signal_connect(FView, "permission-request", G_CALLBACK(&TWebKitBrowser::OnPermissionRequest), this);
  g_signal_connect(FView, "script-dialog", G_CALLBACK(&TWebKitBrowser::OnScriptDialog), this);
  g_signal_connect(FView, "print", G_CALLBACK(&TWebKitBrowser::OnPrint), this);
  g_signal_connect(FView, "run-file-chooser", G_CALLBACK(&TWebKitBrowser::OnRunFileChooser), this);
  g_signal_connect(FView, "web-process-terminated", G_CALLBACK(&TWebKitBrowser::OnWebProcessTerminated), this);
  // A drop navigates the view, or hands a file input a file from anywhere, with no chooser.
  // WebKit makes the view a drop target once, when it is constructed.
  gtk_drag_dest_unset(GTK_WIDGET(FView));
  WebKitSettings* settings = webkit_web_view_get_settings(FView);
  webkit_settings_set_javascript_can_open_windows_automatically(settings, FALSE);
  if (!DrawCanvasesOnCpu(settings))
    OutputDebugLine("[BROWSER] this WebKit draws canvases with GL; on software GL its web process may crash");

  // Client-aligned: the view takes the whole host control, whatever kind of container it is.
  gtk_widget_set_hexpand(GTK_WIDGET(FView), TRUE);
  gtk_widget_set_vexpand(GTK_WIDGET(FView), TRUE);
  gtk_container_add(GTK_CONTAINER(handle), GTK_WIDGET(FView));
  gtk_widget_show(GTK_WIDGET(FView));
  FHangWatch = std::make_unique<THangWatch>(FView, [this] { return ShowsFilteredDocument(); }, [this] {
    OutputDebugLine("[BROWSER] web process has not answered for " +
                    std::to_string(THangWatch::kUnresponsiveAfter.count()) + " s: ending it");
    EndHungProcess();
  });

  FDeferred.Post([this] {
    FCreated = true;
    if (OnAfterCreated) OnAfterCreated();
  });
  return true;
}

bool TWebKitBrowser::AddWebResourceRequestedFilter(const std::string& uriPattern, int /*resourceContext*/) {
  if (!FCreated || uriPattern.empty()) return false;
  if (std::find(FFilters.begin(), FFilters.end(), uriPattern) == FFilters.end()) FFilters.push_back(uriPattern);
  FEnvironment->AddFilterPattern(uriPattern);
  InstallPageChannel();
  return true;
}

void TWebKitBrowser::InstallPageChannel() {
  // WebKit applies the allow-list to the document's URL, which for a document loaded from
  // the host is its https URL; filter patterns have the same form.
  std::vector<const gchar*> allowList;
  for (const auto& pattern : FFilters) allowList.push_back(pattern.c_str());
  allowList.push_back(nullptr);
  webkit_user_content_manager_remove_all_scripts(FContentManager);
  WebKitUserScript* channel =
      webkit_user_script_new(kPageChannelScript, WEBKIT_USER_CONTENT_INJECT_TOP_FRAME,
                             WEBKIT_USER_SCRIPT_INJECT_AT_DOCUMENT_START, allowList.data(), nullptr);
  webkit_user_content_manager_add_script(FContentManager, channel);
  webkit_user_script_unref(channel);
  WebKitUserScript* relay = webkit_user_script_new_for_world(kBridgeRelayScript, WEBKIT_USER_CONTENT_INJECT_TOP_FRAME,
                                                             WEBKIT_USER_SCRIPT_INJECT_AT_DOCUMENT_START,
                                                             kBridgeWorld, allowList.data(), nullptr);
  webkit_user_content_manager_add_script(FContentManager, relay);
  webkit_user_script_unref(relay);
}

bool TWebKitBrowser::ShowsFilteredDocument() const {
  const char* current = webkit_web_view_get_uri(FView);
  return current != nullptr && IsFiltered(current);
}

void TWebKitBrowser::RefuseOnce(std::string& lastLogged, const std::string& line) {
  if (lastLogged == line) return;
  lastLogged = line;
  Refused(line);
}

bool TWebKitBrowser::IsFiltered(const std::string& uri) const {
  return std::any_of(FFilters.begin(), FFilters.end(),
                     [&uri](const std::string& pattern) { return UriMatchesPattern(uri, pattern); });
}

std::shared_ptr<TWebResourceResponse> TWebKitBrowser::RaiseResourceRequest(const std::string& uri) {
  if (!OnWebResourceRequested) return nullptr;
  TWebResourceRequestedArgs args(uri);
  OnWebResourceRequested(args);
  return args.Response();
}

bool TWebKitBrowser::Navigate(const std::string& uri) {
  if (!FCreated) return false;
  if (!IsFiltered(uri)) {
    Refused("navigation refused: " + uri);
    return false;
  }
  if (FHomeUri.empty()) FHomeUri = uri;
  FNavigationPending = true;
  if (!LoadFilteredDocument(uri)) {
    // Nothing will commit, so held scripts would wait forever.
    FNavigationPending = false;
    RunHeldScripts();
  }
  return true;
}

bool TWebKitBrowser::LoadFilteredDocument(const std::string& uri) {
  // Only documents become the page: a script, image or other file of the origin shown in
  // the window would be a page without the application (an <a download> or an <object>
  // would otherwise bring it here).
  if (!IsDocumentUri(uri)) {
    Refused("navigation refused: " + uri);
    return false;
  }
  const auto response = RaiseResourceRequest(uri);
  if (!response) return false;
  const std::string mediaType = response->MediaType();
  const auto internalOrigin = ToInternalUri(OriginOf(uri));
  if (mediaType != "text/html" || !internalOrigin) {
    Refused("navigation refused: " + uri);
    return false;
  }
  const auto charset = response->Charset();
  const TBytes& content = *response->Content();
  std::string html(reinterpret_cast<const char*>(content.data()), content.size());
  for (const auto& [name, value] : response->Headers())
    if (EqualsIgnoringAsciiCase(name, "content-security-policy")) html = AddPolicy(html, value);
  html = ForbidFrames(AdmitInternalOrigin(html, *internalOrigin));
  GBytes* body = g_bytes_new(html.data(), html.size());
  FOwnLoads.push_back(uri);
  webkit_web_view_load_bytes(FView, body, mediaType.empty() ? nullptr : mediaType.c_str(),
                             charset ? charset->c_str() : nullptr, uri.c_str());
  g_bytes_unref(body);
  return true;
}

void TWebKitBrowser::AnswerInternalRequest(WebKitURISchemeRequest* request) {
  const auto uri = FromInternalUri(webkit_uri_scheme_request_get_uri(request));
  std::shared_ptr<TWebResourceResponse> response;
  if (uri && IsFiltered(*uri)) response = RaiseResourceRequest(*uri);
  if (!response) {
    // Unanswered: the page sees a network error, as it would for an unreachable host.
    GError* error = g_error_new_literal(WEBKIT_NETWORK_ERROR, WEBKIT_NETWORK_ERROR_FAILED, "Not answered");
    webkit_uri_scheme_request_finish_error(request, error);
    g_error_free(error);
    return;
  }
  GBytes* body = SharedBytes(response->Content());
  GInputStream* stream = g_memory_input_stream_new_from_bytes(body);
  WebKitURISchemeResponse* answer =
      webkit_uri_scheme_response_new(stream, static_cast<gint64>(g_bytes_get_size(body)));
  webkit_uri_scheme_response_set_status(answer, static_cast<guint>(response->StatusCode()),
                                        response->ReasonPhrase().c_str());
  const std::string mediaType = response->MediaType();
  if (!mediaType.empty()) webkit_uri_scheme_response_set_content_type(answer, mediaType.c_str());
  SoupMessageHeaders* headers = soup_message_headers_new(SOUP_MESSAGE_HEADERS_RESPONSE);
  if (!response->ContentType().empty())
    soup_message_headers_append(headers, "Content-Type", response->ContentType().c_str());
  for (const auto& [name, value] : response->Headers())
    soup_message_headers_append(headers, name.c_str(), value.c_str());
  // WebKit sees the moved request as cross-origin; for CORS-mode loads (module scripts,
  // fonts) the answer must admit the page's own origin, which it is in the page's view.
  if (soup_message_headers_get_one(headers, "Access-Control-Allow-Origin") == nullptr)
    soup_message_headers_append(headers, "Access-Control-Allow-Origin", OriginOf(*uri).c_str());
  webkit_uri_scheme_response_set_http_headers(answer, headers);  // takes the headers
  webkit_uri_scheme_request_finish_with_response(request, answer);
  g_object_unref(answer);
  g_object_unref(stream);
  g_bytes_unref(body);
}

bool TWebKitBrowser::PostWebMessageAsString(const std::string& text) {
  if (!FCreated) return false;
  if (!ShowsFilteredDocument()) {
    Refused("message to a document of another origin dropped");
    return false;
  }
  // GVariant strings hold no NUL and must be UTF-8; only texts that break either take the
  // slower path that splits at NUL and repairs the encoding.
  // The arguments go with a reference of ours, not floating: of floating arguments WebKit keeps
  // a copy for good, so every reply (seeds and tokens among them) would pile up unwiped.
  const bool plain =
      text.find('\0') == std::string::npos && g_utf8_validate(text.data(), static_cast<gssize>(text.size()), nullptr);
  GVariant* args = nullptr;
  if (plain) {
    GVariantDict dict;
    g_variant_dict_init(&dict, nullptr);
    g_variant_dict_insert_value(&dict, "m", WipedOnFreeString(text));
    args = g_variant_ref_sink(g_variant_dict_end(&dict));
  } else {
    args = g_variant_ref_sink(DeliverArguments(text));
  }
  webkit_web_view_call_async_javascript_function(FView, plain ? kDeliverPlainMessageBody : kDeliverMessageBody, -1,
                                                 args, nullptr, nullptr, nullptr, nullptr, nullptr);
  g_variant_unref(args);
  return true;
}

bool TWebKitBrowser::ExecuteScript(const std::string& script, int /*executionId*/) {
  if (!FCreated) return false;
  if (FNavigationPending)
    FHeldScripts.push_back(script);
  else
    RunScript(script);
  return true;
}

void TWebKitBrowser::MoveFocus() {
  if (FView != nullptr) gtk_widget_grab_focus(GTK_WIDGET(FView));
}

void TWebKitBrowser::RunScript(const std::string& script) {
  webkit_web_view_evaluate_javascript(FView, script.data(), static_cast<gssize>(script.size()), nullptr, nullptr,
                                      nullptr, nullptr, nullptr);
}

void TWebKitBrowser::RunHeldScripts() {
  std::vector<std::string> scripts = std::move(FHeldScripts);
  FHeldScripts.clear();
  for (const auto& script : scripts) RunScript(script);
}

gboolean TWebKitBrowser::OnDecidePolicy(WebKitWebView* view, WebKitPolicyDecision* decision,
                                        WebKitPolicyDecisionType type, gpointer self) {
  auto* browser = static_cast<TWebKitBrowser*>(self);
  if (type == WEBKIT_POLICY_DECISION_TYPE_NEW_WINDOW_ACTION) {
    webkit_policy_decision_ignore(decision);
    Refused("new window refused");
    return TRUE;
  }
  if (type == WEBKIT_POLICY_DECISION_TYPE_RESPONSE) {
    // What WebKit cannot show it would save to the disk.
    if (webkit_response_policy_decision_is_mime_type_supported(WEBKIT_RESPONSE_POLICY_DECISION(decision)))
      return FALSE;
    webkit_policy_decision_ignore(decision);
    Refused("download refused");
    return TRUE;
  }
  WebKitNavigationAction* action =
      webkit_navigation_policy_decision_get_navigation_action(WEBKIT_NAVIGATION_POLICY_DECISION(decision));
  const char* target = webkit_uri_request_get_uri(webkit_navigation_action_get_request(action));
  const std::string uri = target != nullptr ? target : "";
  // The decision does not say which frame asks, so the allow-list holds for every frame.
  if (!browser->IsFiltered(uri)) {
    webkit_policy_decision_ignore(decision);
    Refused("navigation refused: " + uri);
    return TRUE;
  }

  auto own = std::find(browser->FOwnLoads.begin(), browser->FOwnLoads.end(), uri);
  if (own != browser->FOwnLoads.end()) {
    browser->FOwnLoads.erase(own);
    return FALSE;
  }
  const char* current = webkit_web_view_get_uri(view);
  const bool fragmentOnly = current != nullptr && uri.find('#') != std::string::npos &&
                            WithoutFragment(uri) == WithoutFragment(current) &&
                            webkit_navigation_action_get_navigation_type(action) != WEBKIT_NAVIGATION_TYPE_RELOAD;
  if (fragmentOnly) return FALSE;

  // Left to WebKit this would go to the network; load it from the answer instead. Only the
  // top frame gets here: the host's documents allow no frames (see ForbidFrames).
  webkit_policy_decision_ignore(decision);
  browser->FDeferred.Post([browser, uri] { browser->LoadFilteredDocument(uri); });
  return TRUE;
}

void TWebKitBrowser::OnLoadChanged(WebKitWebView* view, WebKitLoadEvent event, gpointer self) {
  auto* browser = static_cast<TWebKitBrowser*>(self);
  if (event != WEBKIT_LOAD_COMMITTED) return;
  if (!browser->ShowsFilteredDocument() && !browser->FHomeUri.empty()) {
    const char* current = webkit_web_view_get_uri(view);
    Refused(std::string("document of another origin committed, returning: ") + (current ? current : ""));
    browser->FDeferred.Post([browser] { browser->Navigate(browser->FHomeUri); });
    return;
  }
  if (browser->FNavigationPending) {
    browser->FNavigationPending = false;
    browser->RunHeldScripts();
  }
}

gboolean TWebKitBrowser::OnLoadFailed(WebKitWebView*, WebKitLoadEvent, gchar*, GError* error, gpointer self) {
  auto* browser = static_cast<TWebKitBrowser*>(self);
  // A load replaced by a newer one fails as cancelled; the newer one will still commit.
  const bool replaced = g_error_matches(error, WEBKIT_NETWORK_ERROR, WEBKIT_NETWORK_ERROR_CANCELLED) ||
                        g_error_matches(error, WEBKIT_POLICY_ERROR, WEBKIT_POLICY_ERROR_FRAME_LOAD_INTERRUPTED_BY_POLICY_CHANGE);
  if (!replaced && browser->FNavigationPending) {
    browser->FNavigationPending = false;
    browser->RunHeldScripts();
  }
  // TRUE keeps WebKit's error page away: it is a document of no filtered origin.
  return TRUE;
}

gboolean TWebKitBrowser::OnContextMenu(WebKitWebView*, WebKitContextMenu*, GdkEvent*, WebKitHitTestResult*,
                                       gpointer self) {
  return static_cast<TWebKitBrowser*>(self)->FContextMenusEnabled ? FALSE : TRUE;
}

GtkWidget* TWebKitBrowser::OnCreate(WebKitWebView*, WebKitNavigationAction*, gpointer) { return nullptr; }

gboolean TWebKitBrowser::OnKeyPress(GtkWidget*, GdkEventKey* event, gpointer self) {
  auto* browser = static_cast<TWebKitBrowser*>(self);
  if (browser->FAcceleratorKeysEnabled) return FALSE;
  return IsBrowserAcceleratorKey(event->keyval, static_cast<GdkModifierType>(event->state)) ? TRUE : FALSE;
}

void TWebKitBrowser::OnScriptMessage(WebKitUserContentManager*, WebKitJavascriptResult* result, gpointer self) {
  auto* browser = static_cast<TWebKitBrowser*>(self);
  JSCValue* value = webkit_javascript_result_get_js_value(result);
  // The page's channel posts the JSON text; anything posted to the handler directly is
  // turned into JSON here so that the event always carries JSON.
  gchar* text = jsc_value_is_string(value) ? jsc_value_to_string(value) : jsc_value_to_json(value, 0);
  std::string json = text != nullptr ? text : "null";
  g_free(text);
  // Only the relay of a filtered top document can post; this holds even if that changes.
  if (!browser->ShowsFilteredDocument()) {
    browser->RefuseOnce(browser->FLastRefusedMessage, "message from a document of another origin dropped");
    return;
  }
  if (!browser->OnWebMessageReceived) return;
  TWebMessageReceivedArgs args(std::move(json));
  browser->OnWebMessageReceived(args);
}

gboolean TWebKitBrowser::OnPermissionRequest(WebKitWebView*, WebKitPermissionRequest* request, gpointer) {
  webkit_permission_request_deny(request);
  Refused("permission request refused");
  return TRUE;
}

// Handled without a dialog: alert shows nothing, confirm answers false, prompt null.
gboolean TWebKitBrowser::OnScriptDialog(WebKitWebView*, WebKitScriptDialog*, gpointer) {
  Refused("script dialog refused");
  return TRUE;
}

// GTK's print dialog can print to a file and its file dialog renames and deletes files.
gboolean TWebKitBrowser::OnPrint(WebKitWebView*, WebKitPrintOperation*, gpointer) {
  Refused("print refused");
  return TRUE;
}

gboolean TWebKitBrowser::OnRunFileChooser(WebKitWebView*, WebKitFileChooserRequest* request, gpointer) {
  webkit_file_chooser_request_cancel(request);
  Refused("file chooser refused");
  return TRUE;
}

// The view watches its own page too; the termination report says why the process is gone.
void TWebKitBrowser::EndUnresponsivePage(const std::string&) { EndHungProcess(); }

void TWebKitBrowser::EndHungProcess() {
  if (!FView) return;
  FEndedUnresponsive = true;
  webkit_web_view_terminate_web_process(FView);
}

void TWebKitBrowser::OnWebProcessTerminated(WebKitWebView*, WebKitWebProcessTerminationReason reason,
                                            gpointer self) {
  auto* browser = static_cast<TWebKitBrowser*>(self);
  // What the dead process committed will never be followed by the scripts held for it.
  browser->FNavigationPending = false;
  browser->FHeldScripts.clear();
  browser->FOwnLoads.clear();
  browser->FHangWatch->Reset();
  const char* text = browser->FEndedUnresponsive                         ? "stopped responding and was ended"
                     : reason == WEBKIT_WEB_PROCESS_CRASHED               ? "crashed"
                     : reason == WEBKIT_WEB_PROCESS_EXCEEDED_MEMORY_LIMIT ? "exceeded its memory limit"
                                                                          : "was terminated";
  browser->FEndedUnresponsive = false;
  OutputDebugLine(std::string("[BROWSER] web process ") + text);
  if (browser->OnProcessFailed) browser->OnProcessFailed(std::string("web process ") + text);
}

}  // namespace vantreel::webkitgtk
