// Temporary: replaced by the real services.
#include "bridge/JsonWriter.h"
#include "media/UAlarmPhotoProvider.h"
#include "media/UImageSaveProvider.h"

namespace vantreel {
namespace {
std::string NotYet(const char* type, const std::string& requestId) {
  TJsonWriter w;
  w.AddString("type", type).AddString("requestId", requestId).AddBool("ok", false).AddBool("success", false);
  w.AddString("error", "not available");
  return w.Finish();
}
}  // namespace

std::string SaveAlarmPhoto(const std::string&, const std::string&, const std::string&, const std::string&,
                           std::int64_t, const std::string& requestId) {
  return NotYet("alarm_photo_save_response", requestId);
}
std::string GetAlarmPhoto(const std::string&, const std::string&, const std::string&, const std::string& requestId) {
  return NotYet("alarm_photo_get_response", requestId);
}
std::string ListAlarmPhotos(const std::string&, const std::string& requestId) {
  return NotYet("alarm_photo_list_response", requestId);
}
std::string DeleteAlarmPhoto(const std::string&, const std::string&, const std::string&, const std::string&,
                             const std::string& requestId) {
  return NotYet("alarm_photo_delete_response", requestId);
}
std::string SaveImage(const std::string&, const std::string&, const std::string&, const std::string& requestId) {
  return NotYet("image_save_response", requestId);
}

}  // namespace vantreel
