#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <string>

#include "platform/KnownFolders.h"

namespace vantreel {
namespace {

std::optional<std::filesystem::path> EnvPath(const char* name) {
  const char* value = std::getenv(name);
  if (value == nullptr || *value == '\0') return std::nullopt;
  return std::filesystem::path(value);
}

std::optional<std::filesystem::path> ConfigHome() {
  if (auto dir = EnvPath("XDG_CONFIG_HOME"); dir && dir->is_absolute()) return dir;
  if (auto home = UserProfileDir()) return *home / ".config";
  return std::nullopt;
}

// Reads XDG_PICTURES_DIR from user-dirs.dirs as GLib does for G_USER_DIRECTORY_PICTURES: the
// value runs from the first quote to the last one on the line and is either "$HOME..." (joined
// to the home folder) or absolute; one trailing "/" is dropped; anything else is ignored and a
// later line wins.
std::optional<std::filesystem::path> XdgPicturesFromUserDirs() {
  auto config = ConfigHome();
  if (!config) return std::nullopt;
  std::ifstream in(*config / "user-dirs.dirs");
  std::string line;
  std::optional<std::filesystem::path> result;
  while (std::getline(in, line)) {
    std::size_t p = line.find_first_not_of(" \t");
    if (p == std::string::npos || line.compare(p, 16, "XDG_PICTURES_DIR") != 0) continue;
    p = line.find_first_not_of(" \t", p + 16);
    if (p == std::string::npos || line[p] != '=') continue;
    p = line.find_first_not_of(" \t", p + 1);
    if (p == std::string::npos || line[p] != '"') continue;
    const std::size_t end = line.rfind('"');
    if (end <= p) continue;
    std::string value = line.substr(p + 1, end - p - 1);
    const bool underHome = value.rfind("$HOME", 0) == 0;
    if (underHome) {
      value.erase(0, 5);
    } else if (value.empty() || value[0] != '/') {
      continue;
    }
    if (!value.empty() && value.back() == '/') value.pop_back();
    if (underHome) {
      auto home = UserProfileDir();
      if (!home) continue;
      const std::size_t rest = value.find_first_not_of('/');
      result = rest == std::string::npos ? *home : *home / value.substr(rest);
    } else {
      result = std::filesystem::path(value.empty() ? "/" : value);
    }
  }
  return result;
}

}  // namespace

std::optional<std::filesystem::path> UserProfileDir() { return EnvPath("HOME"); }

std::optional<std::filesystem::path> LocalAppDataDir() {
  if (auto dir = EnvPath("XDG_DATA_HOME"); dir && dir->is_absolute()) return dir;
  if (auto home = UserProfileDir()) return *home / ".local" / "share";
  return std::nullopt;
}

std::optional<std::filesystem::path> UserPicturesDir() { return XdgPicturesFromUserDirs(); }

std::filesystem::path ExecutableDir() {
  std::error_code ec;
  auto exe = std::filesystem::read_symlink("/proc/self/exe", ec);
  if (ec) return std::filesystem::current_path(ec);
  return exe.parent_path();
}

}  // namespace vantreel
