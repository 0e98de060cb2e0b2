#include "media/AlarmPhotoNames.h"

#include <algorithm>

#include "base/AsciiText.h"
#include "media/LocalStamp.h"
#include "media/SafeName.h"

namespace vantreel {
namespace {

std::string ExtensionForMimeType(std::string_view mimeType) {
  const std::string lower = AsciiLowered(mimeType);
  if (lower.find("png") != std::string::npos) return ".png";
  if (lower.find("gif") != std::string::npos) return ".gif";
  if (lower.find("webp") != std::string::npos) return ".webp";
  return ".jpg";
}

bool HoldsDevice(std::string_view fileName, std::string_view deviceId) {
  if (deviceId.empty()) return true;
  std::string needle;
  needle.reserve(deviceId.size() + 2);
  needle.append("_").append(deviceId).append("_");
  return fileName.find(needle) != std::string_view::npos;
}

}  // namespace

bool IsImageFile(std::string_view fileName) {
  const std::size_t slash = fileName.find_last_of("/\\");
  if (slash != std::string_view::npos) fileName.remove_prefix(slash + 1);
  const std::size_t dot = fileName.rfind('.');
  if (dot == std::string_view::npos) return false;
  const std::string ext = AsciiLowered(fileName.substr(dot));
  return ext == ".jpg" || ext == ".jpeg" || ext == ".png" || ext == ".gif" || ext == ".webp";
}

std::string BuildAlarmPhotoFileName(const TSafeName& alarmId, const std::optional<TSafeName>& deviceId,
                                    std::int64_t timestamp, std::string_view mimeType) {
  return BuildAlarmPhotoFileName(alarmId.Text(), deviceId ? std::string_view(deviceId->Text()) : std::string_view(),
                                 timestamp, mimeType);
}

std::string BuildAlarmPhotoFileName(std::string_view alarmId, std::string_view deviceId, std::int64_t timestamp,
                                    std::string_view mimeType) {
  // C++ division truncates towards zero, as the stamp requires for times before 1970.
  const std::string stamp = FormatLocalStamp(timestamp / 1000);
  std::string name(alarmId);
  name.append("_").append(deviceId.empty() ? std::string_view("unknown") : deviceId).append("_");
  return name + stamp + ExtensionForMimeType(mimeType);
}

std::optional<TPhotoNameIds> ReadNameIds(std::string_view fileName) {
  const std::size_t first = fileName.find('_');
  if (first == std::string_view::npos) return std::nullopt;
  const std::size_t second = fileName.find('_', first + 1);
  const std::size_t deviceEnd = second == std::string_view::npos ? fileName.size() : second;
  return TPhotoNameIds{std::string(fileName.substr(0, first)),
                       std::string(fileName.substr(first + 1, deviceEnd - first - 1))};
}

bool MatchesAlarm(std::string_view fileName, std::string_view alarmId, std::string_view deviceId) {
  return IsImageFile(fileName) && fileName.size() > alarmId.size() && fileName.starts_with(alarmId) &&
         fileName[alarmId.size()] == '_' && HoldsDevice(fileName, deviceId);
}

bool MatchesDevice(std::string_view fileName, std::string_view deviceId) {
  return IsImageFile(fileName) && HoldsDevice(fileName, deviceId);
}

}  // namespace vantreel
