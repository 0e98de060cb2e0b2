// The alarm-photo store: photos in the folder "alarm_photos" beside the executable; save,
// get, list and delete, each returning its complete JSON reply.
#pragma once

#include <cstdint>
#include <string>

namespace vantreel {

std::string SaveAlarmPhoto(const std::string& photoData, const std::string& alarmId, const std::string& deviceId,
                           const std::string& mimeType, std::int64_t timestamp, const std::string& requestId);
std::string GetAlarmPhoto(const std::string& alarmId, const std::string& deviceId, const std::string& filePath,
                          const std::string& requestId);
std::string ListAlarmPhotos(const std::string& deviceId, const std::string& requestId);
std::string DeleteAlarmPhoto(const std::string& alarmId, const std::string& deviceId, const std::string& filePath,
                             const std::string& fileName, const std::string& requestId);

}  // namespace vantreel
