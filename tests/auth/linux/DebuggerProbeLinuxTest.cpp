#include <dlfcn.h>
#include <sys/mman.h>
#include <sys/ptrace.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>

#include "auth/EnvironmentCheck.h"

namespace vantreel {
namespace {

// Runs `prepare` and then the check in a child process: 0 acceptable, 1 not, 2 when
// `prepare` failed.
int CheckInChild(const std::function<bool()>& prepare) {
  const pid_t child = fork();
  if (child == 0) {
    if (!prepare()) _exit(2);
    _exit(IsEnvironmentAcceptable() ? 0 : 1);
  }
  int status = 0;
  waitpid(child, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(EnvironmentCheck, ATracerFailsIt) {
  EXPECT_EQ(CheckInChild([] { return true; }), 0);
  EXPECT_EQ(CheckInChild([] { return ptrace(PTRACE_TRACEME, 0, nullptr, nullptr) == 0; }), 1);
}

TEST(EnvironmentCheck, TheTestSeamForcesEitherResult) {
  SetEnvironmentCheckResultForTesting(false);
  EXPECT_FALSE(IsEnvironmentAcceptable());
  SetEnvironmentCheckResultForTesting(true);
  EXPECT_EQ(CheckInChild([] { return ptrace(PTRACE_TRACEME, 0, nullptr, nullptr) == 0; }), 0);  // the forced result wins
  SetEnvironmentCheckResultForTesting(std::nullopt);
  EXPECT_TRUE(IsEnvironmentAcceptable());
}

// A folder of its own under the system temporary folder, removed at the end.
class TScratch {
 public:
  TScratch() {
    std::string pattern = (std::filesystem::temp_directory_path() / "vantreel-env-XXXXXX").string();
    FPath = mkdtemp(pattern.data());
  }
  ~TScratch() { std::filesystem::remove_all(FPath); }
  const std::filesystem::path& Path() const { return FPath; }

 private:
  std::filesystem::path FPath;
};

// A copy of a library that does nothing but say it was loaded, with the given modes; as
// root, `others` gives it to another user.
std::string PlaceLibrary(const std::filesystem::path& folder, mode_t folderMode, mode_t fileMode, bool others) {
  std::filesystem::create_directories(folder);
  const auto file = folder / "libplaced.so";
  std::filesystem::copy_file(VANTREEL_TEST_LIBRARY, file, std::filesystem::copy_options::overwrite_existing);
  chmod(file.c_str(), fileMode);
  chmod(folder.c_str(), folderMode);
  if (others && geteuid() == 0 && chown(file.c_str(), 65534, 65534) != 0) return {};
  return file.string();
}

bool Load(const std::string& path) { return !path.empty() && dlopen(path.c_str(), RTLD_NOW) != nullptr; }

TEST(EnvironmentCheck, CodeThatNeitherRootNorWeWroteFailsIt) {
  TScratch scratch;
  const bool root = geteuid() == 0;
  struct Case {
    const char* what;
    mode_t folderMode, fileMode;
    bool others;
    int expected;
  } cases[] = {
      {"another user's library", 0755, 0755, true, 1},
      {"a library writable by others", 0755, 0757, false, 1},
      {"a library writable by its group", 0755, 0775, false, 1},
      {"a library in a folder writable by others", 01777, 0755, false, 1},
      {"a library in a folder writable by its group", 0775, 0755, false, 1},
      // Only root can make what only root can write.
      {"a library that only root could write", 0755, 0755, false, root ? 0 : 1},
  };
  int n = 0;
  for (const auto& c : cases) {
    const auto folder = scratch.Path() / std::to_string(n++);
    const std::string library = PlaceLibrary(folder, c.folderMode, c.fileMode, c.others);
    EXPECT_EQ(CheckInChild([&library] { return Load(library); }), c.expected) << c.what;
  }
}

TEST(EnvironmentCheck, CodeLoadedFromMemoryFailsIt) {
  std::ifstream in(VANTREEL_TEST_LIBRARY, std::ios::binary);
  const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  ASSERT_FALSE(bytes.empty());
  EXPECT_EQ(CheckInChild([&bytes] {
              const int fd = memfd_create("placed", 0);
              return fd >= 0 && write(fd, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size()) &&
                     Load("/proc/self/fd/" + std::to_string(fd));
            }),
            1);
}

// The loader's variables count as they were when the process started (the client clears
// its environment at once): the real bridge, started with each, refuses the seed.
TEST(EnvironmentCheck, LoaderVariablesAtStartFailIt) {
  TScratch scratch;
  const struct {
    std::string assignment;
    bool refused;
  } cases[] = {
      {"", false},
      {"LD_PRELOAD=" + std::string(VANTREEL_TEST_LIBRARY), true},
      {"LD_LIBRARY_PATH=" + scratch.Path().string(), true},
      {"LD_AUDIT=" + std::string(VANTREEL_TEST_LIBRARY), true},
      {"LD_PRELOAD=", false},
  };
  for (const auto& c : cases) {
    // A sanitizer build would refuse to start with a library ahead of its runtime.
    const std::string command = "echo '{\"type\":\"auth_seed_request\",\"requestId\":\"r1\"}' | env"
                                " ASAN_OPTIONS=verify_asan_link_order=0 " + c.assignment + " " +
                                VANTREEL_BRIDGE_CONSOLE + " 2>/dev/null";
    FILE* pipe = popen(command.c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    std::string reply;
    char buffer[512];
    for (std::size_t n; (n = fread(buffer, 1, sizeof buffer, pipe)) > 0;) reply.append(buffer, n);
    EXPECT_EQ(pclose(pipe), 0) << command;
    EXPECT_NE(reply.find(c.refused ? "\"ok\":false" : "\"ok\":true"), std::string::npos) << c.assignment << ": " << reply;
  }
}

}  // namespace
}  // namespace vantreel
