// Linux: code mapped into the process that neither the system nor we put there.
//
// "System": a file whose folder belongs to root and is writable by no one else, and that
// itself belongs to root and is writable by no one else: only root can have written its
// code. A mapping whose file was deleted or replaced since (a package upgrade while the
// client runs) is judged by its folder alone, which only root can change.
// "Ours": the executable, and files in the executable's own folder (the installed one is a
// system folder anyway; this admits a development build run from the user's tree).
// Anonymous executable memory (JavaScriptCore's JIT, GLib's trampolines) has no file and is
// not judged; memfd code, which has no folder, is foreign.
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

#include "auth/EnvironmentCheck.h"

namespace vantreel {
namespace {

// The loader reads these before main runs, and the client clears its environment first
// thing in main: record them as the process started. A preloaded or audit library is also
// in the maps; LD_LIBRARY_PATH may have put a library in place of a system one.
bool LoaderVariablesSet() {
  for (const char* name : {"LD_PRELOAD", "LD_AUDIT", "LD_LIBRARY_PATH"}) {
    const char* value = std::getenv(name);
    if (value != nullptr && *value != '\0') return true;
  }
  return false;
}
const bool gLoaderVariablesAtStart = LoaderVariablesSet();

bool OnlyRootWrites(const struct stat& info) { return info.st_uid == 0 && (info.st_mode & (S_IWGRP | S_IWOTH)) == 0; }

struct TExecutable {
  dev_t dev = 0;
  ino_t inode = 0;
  std::string folder;
};

TExecutable ThisExecutable() {
  TExecutable exe;
  struct stat info {};
  if (::stat("/proc/self/exe", &info) == 0) {
    exe.dev = info.st_dev;
    exe.inode = info.st_ino;
  }
  char path[4096];
  const ssize_t n = ::readlink("/proc/self/exe", path, sizeof path - 1);
  if (n > 0) {
    std::string_view text(path, static_cast<std::size_t>(n));
    if (text.ends_with(" (deleted)")) text.remove_suffix(10);
    exe.folder = std::string(text.substr(0, text.rfind('/')));
  }
  return exe;
}

bool IsTrustedMapping(std::string_view path, unsigned long inode, const TExecutable& exe) {
  bool deleted = false;
  if (path.ends_with(" (deleted)")) {
    path.remove_suffix(10);
    deleted = true;
  }
  if (path.starts_with("/memfd:")) return false;
  const std::size_t slash = path.rfind('/');
  if (slash == std::string_view::npos) return false;
  const std::string file(path);
  const std::string folder(path.substr(0, slash == 0 ? 1 : slash));
  struct stat info {};
  const bool present = !deleted && ::stat(file.c_str(), &info) == 0 && info.st_ino == inode;
  if (present && info.st_dev == exe.dev && info.st_ino == exe.inode) return true;
  if (!exe.folder.empty() && folder == exe.folder) return true;
  struct stat folderInfo {};
  if (::stat(folder.c_str(), &folderInfo) != 0 || !OnlyRootWrites(folderInfo)) return false;
  return !present || OnlyRootWrites(info);
}

}  // namespace

bool IsForeignCodeLoaded() {
  if (gLoaderVariablesAtStart) return true;
  std::FILE* maps = std::fopen("/proc/self/maps", "re");
  // The client cannot run without /proc (WebKit needs it); unreadable maps hide what is loaded.
  if (!maps) return true;
  const TExecutable exe = ThisExecutable();
  bool foreign = false;
  std::string lastJudged;
  char line[4096 + 256];
  while (!foreign && std::fgets(line, sizeof line, maps)) {
    char perms[5] = {};
    unsigned long inode = 0;
    int pathAt = 0;
    if (std::sscanf(line, "%*x-%*x %4s %*x %*x:%*x %lu %n", perms, &inode, &pathAt) < 2) continue;
    if (perms[2] != 'x' || inode == 0) continue;
    std::string_view path(line + pathAt);
    while (!path.empty() && (path.back() == '\n' || path.back() == ' ')) path.remove_suffix(1);
    if (path.empty() || path.front() != '/') continue;
    // A library's executable mappings are usually one; judge a path once in a row.
    if (path == lastJudged) continue;
    lastJudged = std::string(path);
    foreign = !IsTrustedMapping(path, inode, exe);
  }
  std::fclose(maps);
  return foreign;
}

}  // namespace vantreel
