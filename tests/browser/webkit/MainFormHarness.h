// The main window on its real backends (GTK window, WebKitGTK browser) with the bundle that
// the test binary embeds: starts it, waits for the entry page, and records the window's log,
// the debug channel (the bridge's lines) and message boxes.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "app/UMainForm.h"
#include "tests/app/MainFormPeer.h"
#include "app/gtk/GtkMainFormUi.h"
#include "browser/webkitgtk/WebKitBrowser.h"
#include "browser/webkitgtk/WebKitBrowserFactory.h"
#include "platform/DebugOutput.h"
#include "tests/browser/webkit/WebKitTestSupport.h"

namespace vantreel::test {

class TMainFormHarness {
 public:
  explicit TMainFormHarness(const std::string& systemBusAddress = "invalid:") : FFactory(VANTREEL_WEBEXT_DIR) {
    setenv("XDG_DATA_HOME", FTemp.Path().c_str(), 1);
    test::TMainFormPeer::SetLogSink([this](const std::string& line) { FLog.push_back(line); });
    SetDebugOutputSinkForTesting([this](std::string_view line) { FDebug.emplace_back(line); });
    FUi.SetMessageBoxHandlerForTesting([this](const std::string& text) { FMessageBoxes.push_back(text); });
    FUi.SetSystemBusAddressForTesting(systemBusAddress);
    FForm = std::make_unique<TMainForm>(FUi, FFactory);
  }

  ~TMainFormHarness() {
    FForm.reset();
    test::TMainFormPeer::SetLogSink({});
    SetDebugOutputSinkForTesting({});
  }

  // Shows the window and waits until the entry page has been navigated to and has loaded.
  bool ShowAndLoad() {
    FUi.Show();
    if (!RunUntil([this] { return HasLog("注入系统恢复监听器：JavaScript 代码已提交执行") && View() != nullptr; }))
      return false;
    // The view's first document (about:blank) is complete at once; wait for the entry page's.
    return RunUntil([this] {
      return CallPage(View(), "return location.origin === 'https://app.vantreel.invalid' && "
                              "document.readyState === 'complete';") == "true";
    });
  }

  WebKitWebView* View() const {
    auto* browser = dynamic_cast<webkitgtk::TWebKitBrowser*>(Form().WVBrowser());
    return browser != nullptr ? browser->WebView() : nullptr;
  }

  bool HasLog(const std::string& part) const { return Count(FLog, part) > 0; }
  int CountLog(const std::string& part) const { return Count(FLog, part); }
  int CountDebug(const std::string& part) const { return Count(FDebug, part); }

  // Everything recorded, for failure messages.
  std::string Dump() const {
    std::string text = "\n-- log:\n";
    for (const auto& line : FLog) text += line + "\n";
    text += "-- debug channel:\n";
    for (const auto& line : FDebug) text += line + "\n";
    return text;
  }

  test::TMainFormPeer Form() const { return *FForm; }
  gtkui::TGtkMainFormUi& Ui() { return FUi; }
  const std::vector<std::string>& MessageBoxes() const { return FMessageBoxes; }
  const std::vector<std::string>& Log() const { return FLog; }

 private:
  static int Count(const std::vector<std::string>& lines, const std::string& part) {
    int n = 0;
    for (const auto& line : lines) n += line.find(part) != std::string::npos ? 1 : 0;
    return n;
  }

  TTempDir FTemp;
  std::vector<std::string> FLog;
  std::vector<std::string> FDebug;
  std::vector<std::string> FMessageBoxes;
  gtkui::TGtkMainFormUi FUi;
  webkitgtk::TWebKitBrowserFactory FFactory;
  std::unique_ptr<TMainForm> FForm;
};

}  // namespace vantreel::test
