// The bridge's two readers of request members. Names match exactly; the first occurrence
// of a name counts; nothing is trimmed. Objects and arrays, and for GetJsonInt64 anything
// but an integer in the signed 64-bit range, raise std::runtime_error.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "json/JsonReader.h"

namespace vantreel {

// Absent or null: `defaultValue`. A string: its content. A number: its text as written
// (1.50 stays "1.50"). true / false: "true" / "false".
std::string GetJsonString(TJsonValue object, std::string_view name, std::string_view defaultValue);

// Absent or null: `defaultValue`. A number or a string whose text is an integer (an
// optional sign and decimal digits) within range: its value.
std::int64_t GetJsonInt64(TJsonValue object, std::string_view name, std::int64_t defaultValue);

// The member as an object. Absent: raises `absentMessage`; any other kind, null included:
// raises a type error.
TJsonValue GetJsonObject(TJsonValue object, std::string_view name, const std::string& absentMessage);

}  // namespace vantreel
