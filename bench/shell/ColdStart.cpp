#include "bench/shell/ColdStart.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <stdexcept>
#include <thread>

#include "bench/shell/LoadFinished.h"
#include "tests/browser/webkit/WebKitTestSupport.h"

extern char** environ;

namespace vantreel::bench {
namespace {

using Clock = std::chrono::steady_clock;

// The parent's environment with the folders a program keeps its state in moved into `home`.
// Built before the fork: the child may only exec.
std::vector<std::string> FreshEnvironment(const std::filesystem::path& home, const std::vector<std::string>& extra) {
  const char* replaced[] = {"HOME=", "XDG_DATA_HOME=", "XDG_CONFIG_HOME=", "XDG_CACHE_HOME=",
                            "WEBKIT_DISABLE_DMABUF_RENDERER=", "WEBKIT_DMABUF_RENDERER_FORCE_SHM=",
                            "WEBKIT_SKIA_ENABLE_CPU_RENDERING=", kStayVariable, "VANTREEL_BENCH_SANDBOX="};
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
  env.insert(env.end(), extra.begin(), extra.end());
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

// The parent of each live process.
std::map<pid_t, pid_t> ParentsOfAll() {
  std::map<pid_t, pid_t> parents;
  for (const auto& entry : std::filesystem::directory_iterator("/proc")) {
    const std::string name = entry.path().filename().string();
    if (name.find_first_not_of("0123456789") != std::string::npos) continue;
    std::ifstream in(entry.path() / "stat");
    std::string stat((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const std::size_t close = stat.rfind(')');
    if (close == std::string::npos) continue;
    std::istringstream rest(stat.substr(close + 2));
    char state = 0;
    pid_t parent = 0;
    if (rest >> state >> parent) parents[static_cast<pid_t>(std::stoi(name))] = parent;
  }
  return parents;
}

// `root` and every process below it, root first.
std::vector<pid_t> ProcessTree(pid_t root) {
  const std::map<pid_t, pid_t> parents = ParentsOfAll();
  std::vector<pid_t> tree = {root};
  for (std::size_t i = 0; i < tree.size(); ++i) {
    for (const auto& [pid, parent] : parents)
      if (parent == tree[i]) tree.push_back(pid);
  }
  return tree;
}

TProcessMemory ReadMemory(pid_t pid) {
  TProcessMemory memory;
  std::ifstream comm("/proc/" + std::to_string(pid) + "/comm");
  std::getline(comm, memory.name);
  std::ifstream rollup("/proc/" + std::to_string(pid) + "/smaps_rollup");
  std::string key;
  double kib = 0;
  std::string unit;
  std::string line;
  while (std::getline(rollup, line)) {
    std::istringstream fields(line);
    if (!(fields >> key >> kib)) continue;
    const double mib = kib / 1024;
    if (key == "Pss:") memory.pss = mib;
    else if (key == "Pss_Anon:") memory.pssAnon = mib;
    else if (key == "Pss_File:") memory.pssFile = mib;
    else if (key == "Pss_Shmem:") memory.pssShmem = mib;
    else if (key == "Rss:") memory.rss = mib;
  }
  return memory;
}

// A program started for one measurement, with its own home folder; ended with its whole
// process tree when this goes.
class TStartedProgram {
 public:
  TStartedProgram(const std::string& program, const std::vector<std::string>& extraEnv) {
    const std::filesystem::path dataFolder = FHome.Path() / "webdata";
    std::filesystem::create_directories(dataFolder);
    std::vector<std::string> env = FreshEnvironment(FHome.Path(), extraEnv);
    std::vector<char*> envp;
    for (auto& entry : env) envp.push_back(entry.data());
    envp.push_back(nullptr);
    std::string programArg = program;
    std::string folderArg = dataFolder.string();
    char* argv[] = {programArg.data(), folderArg.data(), nullptr};

    int out[2];
    if (pipe2(out, O_CLOEXEC) != 0) throw std::runtime_error("pipe failed");
    FStart = Clock::now();
    FPid = fork();
    if (FPid < 0) throw std::runtime_error("fork failed");
    if (FPid == 0) {
      // Its own process group, so that the web processes it leaves behind can be ended with it.
      setpgid(0, 0);
      dup2(out[1], STDOUT_FILENO);
      execve(argv[0], argv, envp.data());
      _exit(127);
    }
    setpgid(FPid, FPid);
    close(out[1]);
    FOut = out[0];
  }
  ~TStartedProgram() {
    for (pid_t pid : ProcessTree(FPid)) kill(pid, SIGKILL);
    kill(-FPid, SIGKILL);
    close(FOut);
    int status = 0;
    waitpid(FPid, &status, 0);
    // Helpers of the run still going would take the processor from the next one.
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
  }
  TStartedProgram(const TStartedProgram&) = delete;
  TStartedProgram& operator=(const TStartedProgram&) = delete;

  bool WaitLoaded(std::chrono::milliseconds timeout) { return WaitForLoadedLine(FOut, FStart + timeout); }
  Clock::time_point Start() const { return FStart; }
  pid_t Pid() const { return FPid; }

 private:
  test::TTempDir FHome;
  Clock::time_point FStart;
  pid_t FPid = -1;
  int FOut = -1;
};

}  // namespace

double TimeColdStart(const std::string& program, const std::vector<std::string>& extraEnv,
                     std::chrono::milliseconds timeout) {
  TStartedProgram started(program, extraEnv);
  const bool loaded = started.WaitLoaded(timeout);
  const auto end = Clock::now();
  if (!loaded) throw std::runtime_error(program + " did not report load-finished");
  return std::chrono::duration<double, std::milli>(end - started.Start()).count();
}

std::vector<TProcessMemory> MeasureSettledMemory(const std::string& program, const std::vector<std::string>& extraEnv,
                                                 std::chrono::milliseconds settle, std::chrono::milliseconds timeout) {
  std::vector<std::string> env = extraEnv;
  env.push_back(std::string(kStayVariable) + "=1");
  TStartedProgram started(program, env);
  if (!started.WaitLoaded(timeout)) throw std::runtime_error(program + " did not report load-finished");
  std::this_thread::sleep_for(settle);
  return ReadProcessTreeMemory(started.Pid());
}

std::vector<TProcessMemory> ReadProcessTreeMemory(pid_t root) {
  std::vector<TProcessMemory> processes;
  for (pid_t pid : ProcessTree(root)) {
    TProcessMemory memory = ReadMemory(pid);
    if (pid == root) memory.name = "UI";
    processes.push_back(memory);
  }
  return processes;
}

}  // namespace vantreel::bench
