// How the alarm-photo store names its files and reads names back.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace vantreel {

class TSafeName;

// True for the extensions ".jpg", ".jpeg", ".png", ".gif" and ".webp", ASCII letters in any
// case. The extension runs from the last "." of the last path component ("x/.png" has one).
bool IsImageFile(std::string_view fileName);

// "<alarm>_<device or unknown>_<yyyymmdd_hhnnss>.<ext>": the stamp is the local time of
// `timestamp` (milliseconds) divided by 1000 towards zero; the extension comes from the MIME
// type alone. The ids arrive checked, so the result is a plain name too. Throws
// std::runtime_error when the time cannot be written as a date.
std::string BuildAlarmPhotoFileName(const TSafeName& alarmId, const std::optional<TSafeName>& deviceId,
                                    std::int64_t timestamp, std::string_view mimeType);
// The same from unchecked ids (an empty device id stands for "unknown"); the caller checks
// that the result is one plain name, which is what keeps the photo in its folder.
std::string BuildAlarmPhotoFileName(std::string_view alarmId, std::string_view deviceId, std::int64_t timestamp,
                                    std::string_view mimeType);

// Fields 1 and 2 of a name split at every "_" (empty fields count), when there are two.
struct TPhotoNameIds {
  std::string alarmId;
  std::string deviceId;
};
std::optional<TPhotoNameIds> ReadNameIds(std::string_view fileName);

// The find rule: an image file starting with "<alarm>_" and, for a non-empty device id,
// holding "_<device>_"; both case-sensitive.
bool MatchesAlarm(std::string_view fileName, std::string_view alarmId, std::string_view deviceId);

// The list filter: an image file holding "_<device>_" unless the device id is empty.
bool MatchesDevice(std::string_view fileName, std::string_view deviceId);

}  // namespace vantreel
