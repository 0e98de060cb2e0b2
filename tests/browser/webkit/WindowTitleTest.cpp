// The real executable under the test's display: the window title read back through X
// (xdotool) is the caption of the language that the locale selects.
#include <gtest/gtest.h>
#include <glib.h>
#include <signal.h>
#include <sys/wait.h>

#include <chrono>
#include <string>
#include <thread>

#include "app/UiStrings.h"
#include "tests/browser/webkit/WebKitTestSupport.h"

namespace vantreel {
namespace {

std::string Run(const std::string& command) {
  gchar* out = nullptr;
  gint status = 0;
  if (!g_spawn_command_line_sync(command.c_str(), &out, nullptr, &status, nullptr)) return {};
  std::string text = out != nullptr ? out : "";
  g_free(out);
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
  return text;
}

std::string WindowTitleOf(GPid pid) {
  const std::string windows = Run("xdotool search --pid " + std::to_string(pid));
  std::string title;
  std::size_t start = 0;
  while (start < windows.size()) {
    std::size_t end = windows.find('\n', start);
    if (end == std::string::npos) end = windows.size();
    const std::string name = Run("xdotool getwindowname " + windows.substr(start, end - start));
    if (!name.empty()) title = name;
    start = end + 1;
  }
  return title;
}

TEST(VantreelWindowTitle, IsTheCaptionOfTheLocalesLanguage) {
  struct TCase {
    const char* locale;
    const char* language;
  };
  const TCase cases[] = {{"de_DE.UTF-8", "de"}, {"zh_TW.UTF-8", "zh-TW"}, {"ar_EG.UTF-8", "ar"}};
  for (const auto& c : cases) {
    test::TTempDir home;
    gchar** env = g_get_environ();
    env = g_environ_setenv(env, "LC_ALL", c.locale, TRUE);
    env = g_environ_setenv(env, "XDG_DATA_HOME", home.Path().c_str(), TRUE);
    gchar* argv[] = {const_cast<gchar*>(VANTREEL_EXECUTABLE), nullptr};
    GPid pid = 0;
    ASSERT_TRUE(g_spawn_async(nullptr, argv, env,
                              static_cast<GSpawnFlags>(G_SPAWN_DO_NOT_REAP_CHILD | G_SPAWN_STDOUT_TO_DEV_NULL |
                                                       G_SPAWN_STDERR_TO_DEV_NULL),
                              nullptr, nullptr, &pid, nullptr));
    g_strfreev(env);
    const std::string expected = GetUiText(c.language, "app.title");
    std::string title;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (title != expected && std::chrono::steady_clock::now() < deadline) {
      std::this_thread::sleep_for(std::chrono::milliseconds(200));
      title = WindowTitleOf(pid);
    }
    kill(pid, SIGTERM);
    waitpid(pid, nullptr, 0);
    g_spawn_close_pid(pid);
    EXPECT_EQ(title, expected) << c.locale;
  }
}

}  // namespace
}  // namespace vantreel
