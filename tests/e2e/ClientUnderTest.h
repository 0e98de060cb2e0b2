// The real client in this process, built as the program entry builds it: the GTK window, the
// WebKitGTK browser, the main window's logic and the bundle packed from web/. The browser
// factory is wrapped only to keep a pointer to the WebKitGTK browser it made, so that a test
// can reach the page; nothing on the way between page and client is replaced.
#pragma once

#include <webkit2/webkit2.h>

#include <chrono>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "browser/WebViewHost.h"
#include "browser/webkitgtk/WebKitBrowser.h"
#include "browser/webkitgtk/WebKitBrowserFactory.h"

namespace vantreel {
class TMainForm;
namespace gtkui {
class TGtkMainFormUi;
}
}  // namespace vantreel

namespace vantreel::test {

class TRecordingBrowserFactory final : public IBrowserFactory {
 public:
  explicit TRecordingBrowserFactory(const std::string& extensionDir) : FReal(extensionDir) {}
  std::unique_ptr<IWebViewLoader> CreateLoader() override { return FReal.CreateLoader(); }
  std::unique_ptr<IWindowParent> CreateWindowParent(NativeHandle parent) override {
    return FReal.CreateWindowParent(parent);
  }
  std::unique_ptr<IWebBrowser> CreateBrowser() override {
    auto browser = FReal.CreateBrowser();
    FLast = dynamic_cast<webkitgtk::TWebKitBrowser*>(browser.get());
    return browser;
  }
  webkitgtk::TWebKitBrowser* LastBrowser() const { return FLast; }

 private:
  webkitgtk::TWebKitBrowserFactory FReal;
  webkitgtk::TWebKitBrowser* FLast = nullptr;
};

struct TLogEntry {
  std::chrono::steady_clock::time_point at;
  std::string line;
};

class TClientUnderTest {
 public:
  // Constructs and shows the window; the browser comes up from the main loop.
  explicit TClientUnderTest(const std::string& extensionDir);
  ~TClientUnderTest();
  TClientUnderTest(const TClientUnderTest&) = delete;
  TClientUnderTest& operator=(const TClientUnderTest&) = delete;

  std::chrono::steady_clock::time_point StartedAt() const { return FStartedAt; }
  // Null until the browser exists.
  WebKitWebView* View() const;
  // The main window's composed log lines so far.
  std::vector<TLogEntry> Log() const;
  // Runs the main loop until a log line contains `fragment`; its entry, or nothing on timeout.
  bool WaitForLog(const std::string& fragment, TLogEntry* found, std::chrono::milliseconds timeout);

 private:
  std::chrono::steady_clock::time_point FStartedAt;
  TRecordingBrowserFactory FFactory;
  std::unique_ptr<gtkui::TGtkMainFormUi> FUi;
  std::unique_ptr<TMainForm> FForm;
  mutable std::mutex FLogMutex;
  std::vector<TLogEntry> FLog;
};

}  // namespace vantreel::test
