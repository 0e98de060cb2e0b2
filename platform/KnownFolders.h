// Folders of the user and of the program, as the desktop defines them. Each returns
// nothing when the system has no answer, so that callers apply their own fallbacks.
#pragma once

#include <filesystem>
#include <optional>

namespace vantreel {

// Per-user application data (Windows: Local AppData; Linux: $XDG_DATA_HOME or ~/.local/share).
std::optional<std::filesystem::path> LocalAppDataDir();

// The user's profile (home) folder.
std::optional<std::filesystem::path> UserProfileDir();

// The user's Pictures folder (Windows: CSIDL_MYPICTURES; Linux: the XDG pictures directory).
std::optional<std::filesystem::path> UserPicturesDir();

// The folder that holds the running executable.
std::filesystem::path ExecutableDir();

}  // namespace vantreel
