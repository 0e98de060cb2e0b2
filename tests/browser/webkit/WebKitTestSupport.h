// Helpers for tests that drive a real WebKitGTK view: run the main loop until something
// holds, and evaluate page script with its result as JSON.
#pragma once

#include <webkit2/webkit2.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <string>

namespace vantreel::test {

// Iterates the default main context until `done` holds or `timeout` passes; returns `done()`.
bool RunUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout = std::chrono::seconds(20));
void RunFor(std::chrono::milliseconds duration);

// How CallPage waits. Polling sleeps briefly when idle; Blocking waits for the next event as
// gtk_main does, so that timings taken meanwhile carry no sleep of ours.
enum class TPageWait { Polling, Blocking };

// Runs `body` as an async function body in the page (await allowed); the result as JSON, or
// "error: <message>" when it threw or timed out.
std::string CallPage(WebKitWebView* view, const std::string& body, TPageWait wait = TPageWait::Polling,
                     std::chrono::milliseconds timeout = std::chrono::seconds(20));

// A fresh empty folder under the system temporary folder, removed by the destructor.
class TTempDir {
 public:
  TTempDir();
  ~TTempDir();
  const std::filesystem::path& Path() const { return FPath; }

 private:
  std::filesystem::path FPath;
};

}  // namespace vantreel::test
