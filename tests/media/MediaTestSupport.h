// Shared by the media tests: a real temporary folder, captured diagnostic lines, scoped
// environment variables and a snapshot of a folder tree to prove that nothing changed.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#ifndef _WIN32
#include <sys/resource.h>

#include <csignal>
#endif

#include "platform/DebugOutput.h"
#include "tests/support/CapturedDebugLines.h"
#include "tests/support/JsonText.h"
#include "tests/support/TestEnv.h"

namespace vantreel::test {

using ::vantreel::TCapturedLines;

namespace fs = std::filesystem;

class TTempFolder {
 public:
  TTempFolder() {
    std::random_device random;
    FPath = fs::temp_directory_path() / ("vt-media-" + std::to_string(random()) + std::to_string(random()));
    fs::create_directories(FPath);
    FPath = fs::canonical(FPath);
  }
  ~TTempFolder() {
    std::error_code ec;
    fs::permissions(FPath, fs::perms::owner_all, fs::perm_options::add, ec);
    fs::remove_all(FPath, ec);
  }
  TTempFolder(const TTempFolder&) = delete;
  TTempFolder& operator=(const TTempFolder&) = delete;
  const fs::path& Path() const { return FPath; }

 private:
  fs::path FPath;
};

class TScopedEnv {
 public:
  TScopedEnv(const char* name, const char* value) : FName(name) {
    if (const char* old = std::getenv(name)) FOld = old;
    if (value != nullptr) {
      test::SetEnvVar(name, value);
    } else {
      test::UnsetEnvVar(name);
    }
  }
  ~TScopedEnv() {
    if (FOld) {
      test::SetEnvVar(FName.c_str(), FOld->c_str());
    } else {
      test::UnsetEnvVar(FName.c_str());
    }
  }
  TScopedEnv(const TScopedEnv&) = delete;
  TScopedEnv& operator=(const TScopedEnv&) = delete;

 private:
  std::string FName;
  std::optional<std::string> FOld;
};

inline void WriteFile(const fs::path& path, const std::string& bytes) {
  fs::create_directories(path.parent_path());
  std::ofstream(path, std::ios::binary) << bytes;
}

inline std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

#ifndef _WIN32
// A file-size limit makes the write fail halfway, as a full disk would.
class TFileSizeLimit {
 public:
  // SIGXFSZ is left as it is: the code under test must cope with it.
  explicit TFileSizeLimit(rlim_t bytes) {
    getrlimit(RLIMIT_FSIZE, &FOld);
    rlimit limit = FOld;
    limit.rlim_cur = bytes;
    setrlimit(RLIMIT_FSIZE, &limit);
  }
  ~TFileSizeLimit() {
    setrlimit(RLIMIT_FSIZE, &FOld);
  }

 private:
  rlimit FOld{};
};
#endif

// Every entry below `root` (links not followed) with its kind and, for files, contents.
inline std::map<std::string, std::string> Snapshot(const fs::path& root) {
  std::map<std::string, std::string> entries;
  for (auto it = fs::recursive_directory_iterator(root); it != fs::recursive_directory_iterator(); ++it) {
    const std::string key = fs::relative(it->path(), root).string();
    if (it->is_symlink()) {
      entries[key] = "link:" + fs::read_symlink(it->path()).string();
    } else if (it->is_directory()) {
      entries[key] = "dir";
    } else {
      entries[key] = "file:" + ReadFile(it->path());
    }
  }
  return entries;
}

inline std::string JsonPath(const fs::path& path) { return JsonSlashes(path.string()); }

}  // namespace vantreel::test
