// The yardstick for the client: a plain GTK window with a WebKitGTK view and nothing of
// Vantreel in it. It serves the bench page from memory through a custom scheme (no bundle,
// no decryption, no web-process extension) and echoes each string the page posts to the
// script message handler "echo" straight back to window.benchEcho.
#pragma once

#include <gtk/gtk.h>
#include <webkit2/webkit2.h>

#include <filesystem>

namespace vantreel::bench {

inline constexpr const char* kBareEntryUrl = "vtbench://app/index.html";

class TBareWebView {
 public:
  // Website data and cache go under `dataFolder`, which must exist. With `sandbox` the web
  // process runs under WebKit's bubblewrap sandbox, as the client runs it where it can.
  explicit TBareWebView(const std::filesystem::path& dataFolder, bool sandbox = false);
  ~TBareWebView();
  TBareWebView(const TBareWebView&) = delete;
  TBareWebView& operator=(const TBareWebView&) = delete;

  // Shows the window and starts loading kBareEntryUrl.
  void Load();
  // Called as each posted string arrives, before it is echoed.
  void SetEchoObserver(void (*observer)()) { FEchoObserver = observer; }
  WebKitWebView* View() const { return FView; }

 private:
  static void OnSchemeRequest(WebKitURISchemeRequest* request, gpointer);
  static void OnEcho(WebKitUserContentManager*, WebKitJavascriptResult* result, gpointer self);

  GtkWidget* FWindow = nullptr;
  WebKitWebContext* FContext = nullptr;
  WebKitUserContentManager* FContent = nullptr;
  WebKitWebView* FView = nullptr;
  void (*FEchoObserver)() = nullptr;
};

}  // namespace vantreel::bench
