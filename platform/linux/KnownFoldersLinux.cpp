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

// Reads XDG_PICTURES_DIR from user-dirs.dirs the way GLib does: a quoted value that is either
// "$HOME/..." or absolute; anything else is ignored.
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
    std::size_t end = line.find('"', p + 1);
    if (end == std::string::npos) continue;
    std::string value = line.substr(p + 1, end - p - 1);
    if (value.rfind("$HOME", 0) == 0) {
      auto home = UserProfileDir();
      if (!home) continue;
      std::string rest = value.substr(5);
      if (!rest.empty() && rest[0] != '/') continue;
      result = rest.size() > 1 ? *home / rest.substr(1) : *home;
    } else if (!value.empty() && value[0] == '/') {
      result = std::filesystem::path(value);
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
