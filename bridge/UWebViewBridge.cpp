#include "bridge/UWebViewBridge.h"

#include <stdexcept>
#include <string_view>

#include "auth/UAuthResponseProvider.h"
#include "auth/UAuthSeedProvider.h"
#include "auth/UTokenGenerator.h"
#include "base/AsciiText.h"
#include "base/LogText.h"
#include "crypto/Wipe.h"
#include "json/JsonFields.h"
#include "json/JsonReader.h"
#include "json/JsonReply.h"
#include "media/UAlarmPhotoProvider.h"
#include "media/UImageSaveProvider.h"
#include "platform/DebugOutput.h"

namespace vantreel {
namespace {

// The bridge's own reply for a blank identifier.
constexpr std::string_view kBlankIdentifier = "identifier 参数不能为空";

// The detail is a page value or a message that may quote one: escaped, so that it cannot
// break the line or turn its text around.
void Log(std::string_view text, std::string_view detail = {}) {
  std::string line;
  line.reserve(text.size() + detail.size());
  line.append(text);
  AppendEscapedForLog(line, detail);
  OutputDebugLine(line);
}

std::string ReadText(TJsonValue request, std::string_view name) { return GetJsonString(request, name, ""); }

bool HandleAuthSeedRequest(TJsonValue request, std::string& reply) {
  std::string requestId = ReadText(request, "requestId");
  if (IsBlank(requestId)) requestId = "missing_request_id";
  reply = BuildAuthSeedResponse(requestId);
  Log("[WEBVIEW_BRIDGE] 已处理 auth_seed_request");
  return true;
}

bool HandleAuthChallenge(TJsonValue request, std::string& reply) {
  const TJsonValue webdata = GetJsonObject(request, "Webdata", "auth_challenge 缺少 Webdata");
  const TJsonValue challenge = GetJsonObject(webdata, "challenge", "auth_challenge 缺少 challenge");
  const std::string timestamp = ReadText(challenge, "timestamp");
  const std::string random = ReadText(challenge, "random");
  const std::string clientType = ReadText(webdata, "clientType");
  const std::string identifier = ReadText(webdata, "identifier");

  TJsonReply answer("auth_response", TReplyOutcome::Ok);
  try {
    std::string response = ComputeAuthResponse(timestamp, random, clientType, identifier);
    TWipeOnExit wipe(response);
    answer.Succeeded().AddString("response", response);
  } catch (const std::exception& error) {
    answer.Failed(error.what());
    Log("[WEBVIEW_BRIDGE] auth_challenge 失败: ", error.what());
  }
  reply = answer.Finish();
  Log("[WEBVIEW_BRIDGE] 已处理 auth_challenge");
  return true;
}

bool HandleGenerateToken(TJsonValue request, std::string& reply) {
  const std::string requestId = ReadText(request, "requestId");
  const std::string identifier = ReadText(request, "identifier");

  TJsonReply answer("generate_token_response", requestId, TReplyOutcome::Ok);
  try {
    std::string token = GenerateToken(identifier);
    TWipeOnExit wipe(token);
    answer.Succeeded().AddString("token", token);
    Log("[WEBVIEW_BRIDGE] Token 生成成功");
  } catch (const std::exception& error) {
    // The page has its own text for a blank identifier; the generator's is for direct callers.
    const bool blank = dynamic_cast<const TBlankIdentifierError*>(&error) != nullptr;
    const std::string_view message = blank ? kBlankIdentifier : error.what();
    answer.Failed(message);
    Log("[WEBVIEW_BRIDGE] generate_token 失败: ", message);
  }
  reply = answer.Finish();
  return true;
}

// The image handlers read their members in the order listed (requestId first), so that a
// conversion error names the first bad member.
bool HandleAlarmPhotoSave(TJsonValue request, std::string& reply) {
  const std::string requestId = ReadText(request, "requestId");
  const std::string photoData = ReadText(request, "photoData");
  const std::string alarmId = ReadText(request, "alarmId");
  const std::string deviceId = ReadText(request, "deviceId");
  const std::string mimeType = GetJsonString(request, "mimetype", "image/jpeg");
  const std::int64_t timestamp = GetJsonInt64(request, "timestamp", 0);
  reply = SaveAlarmPhoto(photoData, alarmId, deviceId, mimeType, timestamp, requestId);
  Log("[WEBVIEW_BRIDGE] 已处理 alarm_photo_save");
  return true;
}

bool HandleAlarmPhotoGet(TJsonValue request, std::string& reply) {
  const std::string requestId = ReadText(request, "requestId");
  const std::string alarmId = ReadText(request, "alarmId");
  const std::string deviceId = ReadText(request, "deviceId");
  const std::string filePath = ReadText(request, "filePath");
  reply = GetAlarmPhoto(alarmId, deviceId, filePath, requestId);
  Log("[WEBVIEW_BRIDGE] 已处理 alarm_photo_get");
  return true;
}

bool HandleAlarmPhotoList(TJsonValue request, std::string& reply) {
  const std::string requestId = ReadText(request, "requestId");
  const std::string deviceId = ReadText(request, "deviceId");
  reply = ListAlarmPhotos(deviceId, requestId);
  Log("[WEBVIEW_BRIDGE] 已处理 alarm_photo_list");
  return true;
}

bool HandleAlarmPhotoDelete(TJsonValue request, std::string& reply) {
  const std::string requestId = ReadText(request, "requestId");
  const std::string alarmId = ReadText(request, "alarmId");
  const std::string deviceId = ReadText(request, "deviceId");
  const std::string filePath = ReadText(request, "filePath");
  const std::string fileName = ReadText(request, "fileName");
  reply = DeleteAlarmPhoto(alarmId, deviceId, filePath, fileName, requestId);
  Log("[WEBVIEW_BRIDGE] 已处理 alarm_photo_delete");
  return true;
}

bool HandleImageSave(TJsonValue request, std::string& reply) {
  const std::string requestId = ReadText(request, "requestId");
  const std::string imageData = ReadText(request, "imageData");
  const std::string fileName = ReadText(request, "fileName");
  const std::string albumName = GetJsonString(request, "albumName", std::string(kDefaultAlbumName));
  reply = SaveImage(imageData, fileName, albumName, requestId);
  Log("[WEBVIEW_BRIDGE] 已处理 image_save");
  return true;
}

struct TDispatchRow {
  std::string_view type;
  bool (*handler)(TJsonValue request, std::string& reply);
};

constexpr TDispatchRow kDispatch[] = {
    {"auth_seed_request", HandleAuthSeedRequest},
    {"auth_challenge", HandleAuthChallenge},
    {"generate_token", HandleGenerateToken},
    {"alarm_photo_save", HandleAlarmPhotoSave},
    {"alarm_photo_get", HandleAlarmPhotoGet},
    {"alarm_photo_list", HandleAlarmPhotoList},
    {"alarm_photo_delete", HandleAlarmPhotoDelete},
    {"image_save", HandleImageSave},
};

bool Dispatch(TJsonValue request, std::string& reply) {
  if (!request.Is(TJsonKind::Object)) throw std::runtime_error("message is not a JSON object");
  const std::string type = ReadText(request, "type");
  Log("[WEBVIEW_BRIDGE] 收到消息类型: ", type);
  for (const TDispatchRow& row : kDispatch) {
    if (row.type == type) return row.handler(request, reply);
  }
  Log("[WEBVIEW_BRIDGE] 未知消息类型: ", type);
  return false;
}

}  // namespace

bool ProcessWebMessage(const std::string& text, std::string& reply) {
  reply.clear();
  TJsonDocument document;
  if (!document.Parse(text)) return false;
  bool result = false;
  try {
    result = Dispatch(document.Root(), reply);
  } catch (const std::exception& error) {
    Log("[WEBVIEW_BRIDGE] 消息处理异常: ", error.what());
    result = false;
  } catch (...) {
    Log("[WEBVIEW_BRIDGE] 消息处理异常: ", "unknown error");
    result = false;
  }
  if (!result) reply.clear();
  return result;
}

}  // namespace vantreel
