// Each operation catches its own failures and always returns a whole reply; the folder on
// disk is the whole store. Page-supplied names are checked once, on entry, by SafeName.
#include "media/UAlarmPhotoProvider.h"

#include <chrono>
#include <functional>
#include <optional>
#include <stdexcept>
#include <system_error>

#include "base/LogText.h"
#include "json/JsonBase64.h"
#include "json/JsonReply.h"
#include "json/JsonWriter.h"
#include "media/AlarmPhotoFolder.h"
#include "media/AlarmPhotoNames.h"
#include "media/AtomicFileWriter.h"
#include "media/DataUrl.h"
#include "media/ImageFileReader.h"
#include "media/SafeName.h"
#include "platform/DebugOutput.h"
#include "platform/Utf8Path.h"

namespace vantreel {
namespace {

namespace fs = std::filesystem;

constexpr std::string_view kBadId = "警告ID或设备ID不是合法的文件名";
constexpr std::string_view kBadFileName = "文件名不合法: 只能是图片目录中的单个文件名";
constexpr std::string_view kOutsideFolder = "文件路径不在图片目录内";

TJsonReply StartReply(std::string_view type, const std::string& requestId) {
  return TJsonReply(type, requestId, TReplyOutcome::OkAndSuccess);
}

TJsonWriter& Fail(TJsonReply& reply, std::string_view linePrefix, const std::string& message) {
  OutputDebugLine(std::string(linePrefix) + EscapedForLog(message));
  return reply.Failed(message);
}

bool IsExistingFile(const std::string& path) {
  std::error_code ec;
  return !path.empty() && fs::is_regular_file(PathFromUtf8(path), ec);
}

std::int64_t LastModifiedMs(const fs::file_time_type& time) {
  const auto utc = std::chrono::file_clock::to_sys(time);
  return std::chrono::floor<std::chrono::seconds>(utc).time_since_epoch().count() * 1000;
}

std::string PhotoEntry(const fs::path& folder, const std::string& name) {
  const fs::path path = folder / PathFromUtf8(name);
  TJsonWriter entry;
  entry.AddString("fileName", name).AddString("filePath", Utf8FromPath(path));
  std::error_code sizeError, timeError;
  const std::uintmax_t size = fs::file_size(path, sizeError);
  const fs::file_time_type modified = fs::last_write_time(path, timeError);
  if (!sizeError && !timeError) {
    entry.AddInt64("fileSize", static_cast<std::int64_t>(size)).AddInt64("lastModified", LastModifiedMs(modified));
  }
  if (auto ids = ReadNameIds(name)) entry.AddString("alarmId", ids->alarmId).AddString("deviceId", ids->deviceId);
  return entry.Finish();
}

// A path the page gave, if it names an existing file in the folder. One that would lead
// outside it (or a name that is not a single component) is refused, logged, and then counts
// as naming no file, so that the request falls back to the next way of naming its photo.
void LogRefusal(const std::runtime_error& refusal) {
  OutputDebugLine("[ALARM_PHOTO] 已拒绝: " + EscapedForLog(refusal.what()));
}

std::optional<std::string> GivenFile(const fs::path& folder, std::string_view filePath) {
  try {
    if (auto found = TFileInFolder::Find(folder, filePath, kOutsideFolder)) return found->Text();
  } catch (const std::runtime_error& refusal) {
    LogRefusal(refusal);
  }
  return std::nullopt;
}

std::optional<std::string> NamedFile(const fs::path& folder, std::string_view fileName) {
  try {
    const TSafeName name = TSafeName::Check(std::string(fileName), kBadFileName);
    return GivenFile(folder, Utf8FromPath(folder / PathFromUtf8(name.Text())));
  } catch (const std::runtime_error& refusal) {
    LogRefusal(refusal);
  }
  return std::nullopt;
}

// The ways a request may name its photo, in the order they are tried.
struct TPhotoNaming {
  std::string_view filePath;
  std::string_view fileName;  // tried only by a delete
  std::string_view alarmId;
  std::string_view deviceId;
};

// The first file the request names that `usable` takes (a get: one that reads as an image),
// or empty. What `usable` throws is the request's failure, not a refusal.
std::string LocatePhoto(const fs::path& folder, const TPhotoNaming& naming,
                        const std::function<bool(const std::string& path)>& usable) {
  if (auto given = GivenFile(folder, naming.filePath); given && usable(*given)) return *given;
  if (!naming.fileName.empty()) {
    if (auto named = NamedFile(folder, naming.fileName); named && usable(*named)) return *named;
  }
  if (!naming.alarmId.empty()) {
    std::string byAlarm = FindAlarmPhotoFile(naming.alarmId, naming.deviceId);
    if (!byAlarm.empty() && usable(byAlarm)) return byAlarm;
  }
  return {};
}

// Room for the whole get reply, so that closing it does not copy the photo: the Base64 of
// the bytes, with a thirty-second more for the "\/" escapes (one character in 64 is a
// "/"), the path and its file name escaped, and the other members.
std::size_t GetReplyCapacity(std::size_t photoBytes, std::size_t pathBytes) {
  const std::size_t base64 = (photoBytes + 2) / 3 * 4;
  return base64 * 33 / 32 + pathBytes * 3 + 256;
}

}  // namespace

std::string SaveAlarmPhoto(const std::string& photoData, const std::string& alarmId, const std::string& deviceId,
                           const std::string& mimeType, std::int64_t timestamp, const std::string& requestId) {
  TJsonReply reply = StartReply("alarm_photo_save_response", requestId);
  try {
    if (photoData.empty() || alarmId.empty()) throw std::runtime_error("图片数据或警告ID不能为空");
    // The ids are parts of the name; what must hold is that the whole name is one plain
    // component (so "." or ".." as an id is fine, "a/b" is not).
    const std::string name =
        TSafeName::Check(BuildAlarmPhotoFileName(alarmId, deviceId, timestamp, mimeType), kBadId).Text();

    const TBytes photo = DecodeBoundedDataUrl(photoData);

    const fs::path folder = GetAlarmPhotoDir();
    std::error_code ignored;  // a folder that cannot be made shows up as the write's failure
    fs::create_directories(folder, ignored);
    const fs::path path = folder / PathFromUtf8(name);
    WriteFileAtomically(path, photo);

    reply.Succeeded()
        .AddString("filePath", Utf8FromPath(path))
        .AddString("fileName", name)
        .AddString("message", "图片保存成功");
    OutputDebugLine("[ALARM_PHOTO] 保存成功: " + EscapedForLog(Utf8FromPath(path)));
  } catch (const std::exception& e) {
    Fail(reply, "[ALARM_PHOTO] 保存失败: ", e.what());
  }
  return reply.Finish();
}

std::string GetAlarmPhoto(const std::string& alarmId, const std::string& deviceId, const std::string& filePath,
                          const std::string& requestId) {
  TJsonReply reply = StartReply("alarm_photo_get_response", requestId);
  try {
    // The file is judged by what opening it finds, not by an earlier look at the folder:
    // anyone may swap a link or a FIFO in between.
    std::optional<TBytes> read;
    const std::string path =
        LocatePhoto(GetAlarmPhotoDir(), {.filePath = filePath, .fileName = {}, .alarmId = alarmId, .deviceId = deviceId},
                    [&read](const std::string& candidate) {
                      read = ReadImageFile(PathFromUtf8(candidate));
                      return read.has_value();
                    });
    if (!read) throw std::runtime_error("未找到图片文件");
    const TBytes& bytes = *read;

    TJsonWriter& members = reply.Succeeded();
    std::string& out = members.BeginString("photoData");
    out.reserve(out.size() + GetReplyCapacity(bytes.size(), path.size()));
    out.append("data:image\\/jpeg;base64,");
    AppendBase64JsonEscaped(bytes, out);
    members.EndString();
    members.AddString("filePath", path)
        .AddString("fileName", Utf8FromPath(PathFromUtf8(path).filename()))
        .AddInt64("fileSize", static_cast<std::int64_t>(bytes.size()));
    OutputDebugLine("[ALARM_PHOTO] 读取成功: " + EscapedForLog(path));
  } catch (const std::exception& e) {
    Fail(reply, "[ALARM_PHOTO] 读取失败: ", e.what());
  }
  return reply.Finish();
}

std::string ListAlarmPhotos(const std::string& deviceId, const std::string& requestId) {
  TJsonReply reply = StartReply("alarm_photo_list_response", requestId);
  TJsonArrayWriter photos;
  int count = 0;
  std::string error;
  try {
    const fs::path folder = GetAlarmPhotoDir();
    std::error_code ec;
    if (fs::exists(folder, ec)) {
      ForEachFileInFolder(folder, [&](const std::string& name) {
        if (MatchesDevice(name, deviceId)) {
          photos.AddRaw(PhotoEntry(folder, name));
          ++count;
        }
        return true;
      });
    }
  } catch (const std::exception& e) {
    error = e.what();
    if (error.empty()) error = "列表失败";
  }
  if (error.empty()) {
    reply.Succeeded().AddRaw("photos", photos.Finish());
    OutputDebugLine("[ALARM_PHOTO] 列表: " + std::to_string(count) + " 张图片");
  } else {
    Fail(reply, "[ALARM_PHOTO] 列表失败: ", error).AddRaw("photos", photos.Finish());
  }
  return reply.Finish();
}

std::string DeleteAlarmPhoto(const std::string& alarmId, const std::string& deviceId, const std::string& filePath,
                             const std::string& fileName, const std::string& requestId) {
  TJsonReply reply = StartReply("alarm_photo_delete_response", requestId);
  try {
    // The name is tried only when the file path did not lead to a file: a request that
    // names its file by path is not refused for a bad name it never needed.
    const std::string path = LocatePhoto(
        GetAlarmPhotoDir(), {.filePath = filePath, .fileName = fileName, .alarmId = alarmId, .deviceId = deviceId},
        [](const std::string&) { return true; });
    if (!IsExistingFile(path)) throw std::runtime_error("图片文件不存在");
    std::error_code ec;
    if (!fs::remove(PathFromUtf8(path), ec) || ec) {
      throw std::runtime_error("删除文件失败: " + (ec ? ec.message() : std::string("文件已不存在")));
    }

    reply.Succeeded().AddString("message", "图片删除成功").AddString("deletedPath", path);
    OutputDebugLine("[ALARM_PHOTO] 删除成功: " + EscapedForLog(path));
  } catch (const std::exception& e) {
    Fail(reply, "[ALARM_PHOTO] 删除失败: ", e.what());
  }
  return reply.Finish();
}

}  // namespace vantreel
