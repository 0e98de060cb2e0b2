// What a child can do to the running client from outside its window, tried on the real
// executable under the test's display: stop and continue it, cut its display connection,
// start it a second time. None of it may leave a hung window, a stray process or a crash.
#include <gtest/gtest.h>
#include <glib.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include "browser/webkitgtk/HangWatch.h"
#include "tests/browser/webkit/WebKitTestSupport.h"

namespace vantreel {
namespace {

using namespace std::chrono_literals;
namespace fs = std::filesystem;

std::string RunCommand(const std::string& command) {
  gchar* out = nullptr;
  if (!g_spawn_command_line_sync(command.c_str(), &out, nullptr, nullptr, nullptr)) return {};
  std::string text = out != nullptr ? out : "";
  g_free(out);
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
  return text;
}

std::string ProcessName(pid_t pid) {
  std::ifstream comm("/proc/" + std::to_string(pid) + "/comm");
  std::string name;
  std::getline(comm, name);
  return name;
}

// Alive and not yet collected by its parent.
bool Alive(pid_t pid) {
  std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
  std::string line;
  if (!std::getline(stat, line)) return false;
  const auto close = line.rfind(')');
  return close != std::string::npos && close + 2 < line.size() && line[close + 2] != 'Z';
}

void Descendants(pid_t pid, std::vector<pid_t>& found) {
  fs::path tasks = "/proc/" + std::to_string(pid) + "/task";
  std::error_code ec;
  for (const auto& task : fs::directory_iterator(tasks, ec)) {
    std::ifstream children(task.path() / "children");
    for (pid_t child; children >> child;) {
      found.push_back(child);
      Descendants(child, found);
    }
  }
}

// The executable started with a private home; what it writes to stderr goes to a file.
class TRunningClient {
 public:
  explicit TRunningClient(const fs::path& home) : FErr(home / ("stderr-" + std::to_string(++gCount) + ".txt")) {
    gchar** env = g_get_environ();
    env = g_environ_setenv(env, "HOME", home.c_str(), TRUE);
    env = g_environ_setenv(env, "XDG_DATA_HOME", (home / "data").c_str(), TRUE);
    env = g_environ_setenv(env, "XDG_CONFIG_HOME", (home / "config").c_str(), TRUE);
    env = g_environ_setenv(env, "LC_ALL", "C.UTF-8", TRUE);
    const std::string command = "exec \"$0\" 2>\"$1\"";
    gchar* argv[] = {const_cast<gchar*>("/bin/sh"), const_cast<gchar*>("-c"), const_cast<gchar*>(command.c_str()),
                     const_cast<gchar*>(VANTREEL_EXECUTABLE), const_cast<gchar*>(FErr.c_str()), nullptr};
    g_spawn_async(nullptr, argv, env,
                  static_cast<GSpawnFlags>(G_SPAWN_DO_NOT_REAP_CHILD | G_SPAWN_STDOUT_TO_DEV_NULL), nullptr, nullptr,
                  &FPid, nullptr);
    g_strfreev(env);
  }
  ~TRunningClient() {
    if (FPid == 0) return;
    if (!FReaped) {
      kill(FPid, SIGCONT);
      kill(FPid, SIGTERM);
      waitpid(FPid, nullptr, 0);
    }
    g_spawn_close_pid(FPid);
  }

  pid_t Pid() const { return FPid; }
  std::string Errors() const {
    std::ifstream in(FErr);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
  std::vector<pid_t> WebProcesses() const {
    std::vector<pid_t> all, web;
    Descendants(FPid, all);
    for (pid_t pid : all)
      if (ProcessName(pid) == "WebKitWebProces") web.push_back(pid);
    return web;
  }
  // Up once its page has posted a first message to the bridge.
  bool WaitUntilServing() const {
    return WaitFor([this] { return Errors().find("[WEBVIEW_BRIDGE]") != std::string::npos; }, 60s);
  }
  std::string Window() const { return RunCommand("xdotool search --pid " + std::to_string(FPid)); }
  // Waits for the process to end by itself; its wait status.
  bool WaitForExit(int& status) {
    const bool ended = WaitFor([&] { return waitpid(FPid, &status, WNOHANG) == FPid; }, 30s);
    FReaped = ended;
    return ended;
  }

  static bool WaitFor(const std::function<bool()>& done, std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!done()) {
      if (std::chrono::steady_clock::now() >= deadline) return false;
      std::this_thread::sleep_for(100ms);
    }
    return true;
  }

 private:
  static inline int gCount = 0;
  fs::path FErr;
  GPid FPid = 0;
  bool FReaped = false;
};

// A debugger, or kill -STOP and -CONT: the page was never hung, so it is not ended.
TEST(OutsideFaults, AClientStoppedAndContinuedCarriesOn) {
  test::TTempDir home;
  TRunningClient client(home.Path());
  ASSERT_TRUE(client.WaitUntilServing()) << client.Errors();
  const auto web = client.WebProcesses();
  ASSERT_FALSE(web.empty());
  kill(client.Pid(), SIGSTOP);
  // The stop itself: longer than a page may stay silent before it is taken for hung.
  std::this_thread::sleep_for(webkitgtk::THangWatch::kUnresponsiveAfter + 3s);
  kill(client.Pid(), SIGCONT);
  // Time for the watch to look twice at a page that answers.
  std::this_thread::sleep_for(webkitgtk::THangWatch::kProbeInterval * 3);
  EXPECT_TRUE(Alive(client.Pid()));
  for (pid_t pid : web) EXPECT_TRUE(Alive(pid)) << "the page's process was ended";
  EXPECT_EQ(client.Errors().find("has not answered"), std::string::npos) << client.Errors();
  EXPECT_FALSE(client.Window().empty()) << "no window";
}

// Its connection to the display cut (xkill): the client cannot draw anything any more and ends,
// by itself and without a crash, and its browser processes end with it.
TEST(OutsideFaults, AClientCutFromItsDisplayEndsCleanly) {
  test::TTempDir home;
  TRunningClient client(home.Path());
  ASSERT_TRUE(client.WaitUntilServing()) << client.Errors();
  std::vector<pid_t> helpers;
  Descendants(client.Pid(), helpers);
  const std::string window = client.Window();
  ASSERT_FALSE(window.empty());
  RunCommand("xdotool windowkill " + window.substr(0, window.find('\n')));
  int status = 0;
  ASSERT_TRUE(client.WaitForExit(status)) << "still running without a display";
  EXPECT_TRUE(WIFEXITED(status)) << "ended by signal " << (WIFSIGNALED(status) ? WTERMSIG(status) : 0);
  for (pid_t pid : helpers)
    EXPECT_TRUE(TRunningClient::WaitFor([pid] { return !Alive(pid); }, 20s)) << ProcessName(pid) << " stayed";
}

// Two at once, as a second start from the menu makes: each is a whole client with its own
// browser processes, and both serve their page.
TEST(OutsideFaults, ASecondClientRunsBesideTheFirst) {
  test::TTempDir home;
  TRunningClient first(home.Path());
  ASSERT_TRUE(first.WaitUntilServing()) << first.Errors();
  TRunningClient second(home.Path());
  ASSERT_TRUE(second.WaitUntilServing()) << second.Errors();
  EXPECT_TRUE(Alive(first.Pid()));
  EXPECT_FALSE(first.WebProcesses().empty());
  EXPECT_FALSE(second.WebProcesses().empty());
  EXPECT_FALSE(first.Window().empty());
  EXPECT_FALSE(second.Window().empty());
}

}  // namespace
}  // namespace vantreel
