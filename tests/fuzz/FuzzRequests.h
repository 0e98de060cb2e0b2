// What the fuzz targets that drive the bridge leave out.
#pragma once

#include <exception>
#include <string>

#include "json/JsonFields.h"
#include "json/JsonReader.h"

namespace vantreel::test {

// The image types: their services write into the user's folders, not into a scratch one.
inline bool IsImageRequest(const std::string& text) {
  TJsonDocument doc;
  if (!doc.Parse(text)) return false;
  try {
    const std::string type = GetJsonString(doc.Root(), "type", "");
    return type.rfind("alarm_photo_", 0) == 0 || type == "image_save";
  } catch (const std::exception&) {
    return false;  // the bridge refuses it before any service runs
  }
}

}  // namespace vantreel::test
