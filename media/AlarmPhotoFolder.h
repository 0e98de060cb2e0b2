// The alarm-photo store's folder: where it is and which of its entries count as photo files.
#pragma once

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace vantreel {

// "alarm_photos" in the folder that holds the executable.
std::filesystem::path GetAlarmPhotoDir();

// Tests point the store at a temporary folder; nullopt restores the real one.
void SetAlarmPhotoDirForTesting(std::optional<std::filesystem::path> folder);

// Calls `visit` with the name of each regular file directly in `folder`, in the order the
// file system yields them, unsorted, until it returns false. Subfolders, symbolic links,
// FIFOs and the like are skipped. Throws std::runtime_error when listing fails, after the
// files seen so far have been visited.
void ForEachFileInFolder(const std::filesystem::path& folder, const std::function<bool(const std::string&)>& visit);

// The full path of the first image file for the alarm (and device, when not empty), in the
// file system's order; empty when the folder does not exist or nothing matches.
std::string FindAlarmPhotoFile(std::string_view alarmId, std::string_view deviceId);

}  // namespace vantreel
