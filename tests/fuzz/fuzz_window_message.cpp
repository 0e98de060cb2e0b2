// The main window's intake of what the page posts, on arbitrary messages: the size cap, the
// unwrapping of a posted string and the bridge behind them, through the real window with a
// fake windowing system and the scripted browser. Never crashes or lets an error out, and
// every reply it posts to the page is strict JSON: an object whose first member is "type".
// The image types are left out: their services write into the user's folders.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>

#include "app/UMainForm.h"
#include "json/JsonFields.h"
#include "json/JsonReader.h"
#include "json/PostedString.h"
#include "platform/DebugOutput.h"
#include "tests/fuzz/FuzzRequests.h"
#include "tests/app/FakeMainFormUi.h"
#include "tests/app/MainFormPeer.h"
#include "tests/browser/ScriptedBrowser.h"

namespace {

void Check(bool condition) {
  if (!condition) std::abort();
}

struct TWindow {
  vantreel::test::FakeMainFormUi ui;
  vantreel::test::ScriptedBrowserFactory browsers;
  std::unique_ptr<vantreel::TMainForm> form;
};
TWindow* gWindow = nullptr;

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  vantreel::SetDebugOutputSinkForTesting([](std::string_view) {});
  vantreel::test::TMainFormPeer::SetLogSink([](const std::string&) {});
  // The browser's data folder goes to a scratch folder, not the user's.
  const auto scratch = std::filesystem::temp_directory_path() / "vantreel-fuzz-window";
  std::filesystem::create_directories(scratch);
  setenv("XDG_DATA_HOME", scratch.c_str(), 1);
  gWindow = new TWindow;  // lives for the whole run, as the window does
  gWindow->form = std::make_unique<vantreel::TMainForm>(gWindow->ui, gWindow->browsers);
  gWindow->ui.Show();
  gWindow->browsers.browser->RaiseAfterCreated();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string json(reinterpret_cast<const char*>(data), size);
  if (vantreel::test::IsImageRequest(json) || vantreel::test::IsImageRequest(vantreel::UnwrapPostedString(std::string(json)))) return 0;
  auto& posted = gWindow->browsers.browser->postedMessages;
  posted.clear();
  gWindow->browsers.browser->RaiseWebMessage(json);
  Check(posted.size() <= 1);
  for (const auto& reply : posted) {
    Check(reply.rfind("{\"type\":\"", 0) == 0);
    vantreel::TJsonDocument doc;
    Check(doc.Parse(reply) && doc.Root().Is(vantreel::TJsonKind::Object));
  }
  return 0;
}
