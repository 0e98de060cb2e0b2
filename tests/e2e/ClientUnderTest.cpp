#include "tests/e2e/ClientUnderTest.h"

#include "app/UMainForm.h"
#include "tests/app/MainFormPeer.h"
#include "app/gtk/GtkMainFormUi.h"
#include "tests/browser/webkit/WebKitTestSupport.h"

namespace vantreel::test {

TClientUnderTest::TClientUnderTest(const std::string& extensionDir)
    : FStartedAt(std::chrono::steady_clock::now()), FFactory(extensionDir) {
  // The resume thread logs too, so the sink may be called off the main thread.
  test::TMainFormPeer::SetLogSink([this](const std::string& line) {
    std::lock_guard lock(FLogMutex);
    FLog.push_back({std::chrono::steady_clock::now(), line});
  });
  FUi = std::make_unique<gtkui::TGtkMainFormUi>();
  FForm = std::make_unique<TMainForm>(*FUi, FFactory);
  FUi->Show();
}

TClientUnderTest::~TClientUnderTest() {
  FForm.reset();
  FUi.reset();
  test::TMainFormPeer::SetLogSink({});
}

WebKitWebView* TClientUnderTest::View() const {
  auto* browser = FFactory.LastBrowser();
  return browser ? browser->WebView() : nullptr;
}

std::vector<TLogEntry> TClientUnderTest::Log() const {
  std::lock_guard lock(FLogMutex);
  return FLog;
}

bool TClientUnderTest::WaitForLog(const std::string& fragment, TLogEntry* found, std::chrono::milliseconds timeout) {
  return RunUntil(
      [&] {
        std::lock_guard lock(FLogMutex);
        for (const auto& entry : FLog) {
          if (entry.line.find(fragment) == std::string::npos) continue;
          if (found) *found = entry;
          return true;
        }
        return false;
      },
      timeout);
}

}  // namespace vantreel::test
