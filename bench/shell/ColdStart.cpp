#include "bench/shell/ColdStart.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <stdexcept>
#include <thread>
#include <vector>

#include "bench/shell/LoadFinished.h"
#include "tests/browser/webkit/WebKitTestSupport.h"

extern char** environ;

namespace vantreel::bench {
namespace {

using Clock = std::chrono::steady_clock;

// The parent's environment with the folders a program keeps its state in moved into `home`.
// Built before the fork: the child may only exec.
std::vector<std::string> FreshEnvironment(const std::filesystem::path& home) {
  const char* replaced[] = {"HOME=", "XDG_DATA_HOME=", "XDG_CONFIG_HOME=", "XDG_CACHE_HOME="};
  std::vector<std::string> env;
  for (char** entry = environ; *entry; ++entry) {
    bool keep = true;
    for (const char* name : replaced) keep = keep && std::strncmp(*entry, name, std::strlen(name)) != 0;
    if (keep) env.emplace_back(*entry);
  }
  env.push_back("HOME=" + home.string());
  env.push_back("XDG_DATA_HOME=" + (home / "data").string());
  env.push_back("XDG_CONFIG_HOME=" + (home / "config").string());
  env.push_back("XDG_CACHE_HOME=" + (home / "cache").string());
  return env;
}

// Reads until a whole line equal to kLoadedLine arrives; false on end of output or timeout.
bool WaitForLoadedLine(int fd, Clock::time_point deadline) {
  std::string buffer;
  for (;;) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    if (left <= 0) return false;
    pollfd watch{fd, POLLIN, 0};
    if (poll(&watch, 1, static_cast<int>(left)) <= 0) continue;
    char chunk[256];
    const ssize_t got = read(fd, chunk, sizeof chunk);
    if (got <= 0) return false;
    buffer.append(chunk, static_cast<std::size_t>(got));
    if (buffer.find(std::string(kLoadedLine) + "\n") != std::string::npos) return true;
  }
}

}  // namespace

double TimeColdStart(const std::string& program, std::chrono::milliseconds timeout) {
  testing_support::TTempDir home;
  const std::filesystem::path dataFolder = home.Path() / "webdata";
  std::filesystem::create_directories(dataFolder);
  std::vector<std::string> env = FreshEnvironment(home.Path());
  std::vector<char*> envp;
  for (auto& entry : env) envp.push_back(entry.data());
  envp.push_back(nullptr);
  std::string programArg = program;
  std::string folderArg = dataFolder.string();
  char* argv[] = {programArg.data(), folderArg.data(), nullptr};

  int out[2];
  if (pipe2(out, O_CLOEXEC) != 0) throw std::runtime_error("pipe failed");
  const auto start = Clock::now();
  const pid_t pid = fork();
  if (pid < 0) throw std::runtime_error("fork failed");
  if (pid == 0) {
    // Its own process group, so that the web processes it leaves behind can be ended with it.
    setpgid(0, 0);
    dup2(out[1], STDOUT_FILENO);
    execve(argv[0], argv, envp.data());
    _exit(127);
  }
  setpgid(pid, pid);
  close(out[1]);
  const bool loaded = WaitForLoadedLine(out[0], start + timeout);
  const auto end = Clock::now();
  close(out[0]);
  if (!loaded) kill(pid, SIGKILL);
  int status = 0;
  waitpid(pid, &status, 0);
  // Helpers of the run still going would take the processor from the next one.
  kill(-pid, SIGKILL);
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  if (!loaded) throw std::runtime_error(program + " did not report load-finished");
  return std::chrono::duration<double, std::milli>(end - start).count();
}

}  // namespace vantreel::bench
