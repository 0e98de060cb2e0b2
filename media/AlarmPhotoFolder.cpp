#include "media/AlarmPhotoFolder.h"

#include <stdexcept>

#include "media/AlarmPhotoNames.h"
#include "media/ImageFileReader.h"
#include "platform/KnownFolders.h"
#include "platform/Utf8Path.h"

namespace vantreel {
namespace {

namespace fs = std::filesystem;

std::optional<fs::path>& FolderOverride() {
  static std::optional<fs::path> folder;
  return folder;
}

[[noreturn]] void ListingFailed(const std::error_code& ec) {
  throw std::runtime_error("读取目录失败: " + ec.message());
}

// Regular files only: a link in a folder that anyone may write into could make another
// user's photo (or any file) show up as one of this folder's.
bool CountsAsFile(const fs::directory_entry& entry) {
  std::error_code ec;
  return fs::is_regular_file(entry.symlink_status(ec)) && !ec && IsPlainFileEntry(entry.path());
}

}  // namespace

fs::path GetAlarmPhotoDir() {
  if (FolderOverride()) return *FolderOverride();
  return ExecutableDir() / "alarm_photos";
}

void SetAlarmPhotoDirForTesting(std::optional<fs::path> folder) { FolderOverride() = std::move(folder); }

void ForEachFileInFolder(const fs::path& folder, const std::function<bool(const std::string&)>& visit) {
  std::error_code ec;
  fs::directory_iterator it(folder, ec);
  if (ec) ListingFailed(ec);
  for (; it != fs::directory_iterator(); it.increment(ec)) {
    if (CountsAsFile(*it) && !visit(Utf8FromPath(it->path().filename()))) return;
  }
  if (ec) ListingFailed(ec);
}

std::string FindAlarmPhotoFile(std::string_view alarmId, std::string_view deviceId) {
  const fs::path folder = GetAlarmPhotoDir();
  std::error_code ec;
  if (!fs::exists(folder, ec)) return {};
  std::string found;
  ForEachFileInFolder(folder, [&](const std::string& name) {
    if (MatchesAlarm(name, alarmId, deviceId)) found = Utf8FromPath(folder / PathFromUtf8(name));
    return found.empty();
  });
  return found;
}

}  // namespace vantreel
