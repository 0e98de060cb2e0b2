#include "tests/browser/webkit/WebKitTestSupport.h"

#include <glib.h>

#include <optional>
#include <random>

namespace vantreel::test {

bool RunUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  while (!done()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    if (!g_main_context_iteration(nullptr, FALSE)) g_usleep(2000);
  }
  return true;
}

void RunFor(std::chrono::milliseconds duration) {
  RunUntil([] { return false; }, duration);
}

namespace {

bool RunBlockingUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout) {
  bool timedOut = false;
  const guint timer = g_timeout_add(
      static_cast<guint>(timeout.count()),
      [](gpointer flag) {
        *static_cast<bool*>(flag) = true;
        return G_SOURCE_REMOVE;
      },
      &timedOut);
  while (!done() && !timedOut) g_main_context_iteration(nullptr, TRUE);
  if (!timedOut) g_source_remove(timer);
  return done();
}

}  // namespace

std::string CallPage(WebKitWebView* view, const std::string& body, TPageWait wait,
                     std::chrono::milliseconds timeout) {
  struct TState {
    std::optional<std::string> result;
  };
  auto* state = new TState;
  webkit_web_view_call_async_javascript_function(
      view, body.c_str(), -1, nullptr, nullptr, nullptr, nullptr,
      [](GObject* source, GAsyncResult* res, gpointer data) {
        auto* s = static_cast<TState*>(data);
        GError* error = nullptr;
        JSCValue* value =
            webkit_web_view_call_async_javascript_function_finish(WEBKIT_WEB_VIEW(source), res, &error);
        if (value == nullptr) {
          s->result = std::string("error: ") + (error ? error->message : "unknown");
          g_clear_error(&error);
          return;
        }
        gchar* json = jsc_value_is_undefined(value) ? g_strdup("undefined") : jsc_value_to_json(value, 0);
        s->result = json ? json : "null";
        g_free(json);
        g_object_unref(value);
      },
      state);
  // The state outlives a timeout on purpose: the callback may still come and write into it.
  const auto answered = [state] { return state->result.has_value(); };
  const bool done =
      wait == TPageWait::Blocking ? RunBlockingUntil(answered, timeout) : RunUntil(answered, timeout);
  if (!done) return "error: timed out";
  std::string result = *state->result;
  delete state;
  return result;
}

TTempDir::TTempDir() {
  std::random_device random;
  FPath = std::filesystem::temp_directory_path() / ("vantreel-test-" + std::to_string(random()));
  std::filesystem::create_directories(FPath);
}

TTempDir::~TTempDir() {
  std::error_code ec;
  std::filesystem::remove_all(FPath, ec);
}

}  // namespace vantreel::test
