#include "json/JsonFields.h"

#include <charconv>
#include <stdexcept>

namespace vantreel {
namespace {

const char* KindName(TJsonKind kind) {
  switch (kind) {
    case TJsonKind::Null: return "null";
    case TJsonKind::False:
    case TJsonKind::True: return "a boolean";
    case TJsonKind::Number: return "a number";
    case TJsonKind::String: return "a string";
    case TJsonKind::Array: return "an array";
    case TJsonKind::Object: return "an object";
  }
  return "unknown";
}

[[noreturn]] void ThrowKind(std::string_view name, TJsonKind kind, std::string_view wanted) {
  throw std::runtime_error("JSON member \"" + std::string(name) + "\" is " + KindName(kind) + ", not " +
                           std::string(wanted));
}

}  // namespace

std::string GetJsonString(TJsonValue object, std::string_view name, std::string_view defaultValue) {
  const TJsonValue value = object.Member(name);
  if (value.IsAbsent()) return std::string(defaultValue);
  switch (value.Kind()) {
    case TJsonKind::Null: return std::string(defaultValue);
    case TJsonKind::True: return "true";
    case TJsonKind::False: return "false";
    case TJsonKind::String:
    case TJsonKind::Number: return value.Text();
    case TJsonKind::Array:
    case TJsonKind::Object: break;
  }
  ThrowKind(name, value.Kind(), "a text value");
}

std::int64_t GetJsonInt64(TJsonValue object, std::string_view name, std::int64_t defaultValue) {
  const TJsonValue value = object.Member(name);
  if (value.IsAbsent() || value.Kind() == TJsonKind::Null) return defaultValue;
  if (value.Kind() != TJsonKind::Number && value.Kind() != TJsonKind::String) {
    ThrowKind(name, value.Kind(), "an integer");
  }
  const std::string text = value.Text();
  std::string_view digits = text;
  // from_chars takes a leading '-' but not '+'.
  if (!digits.empty() && digits.front() == '+' && (digits.size() < 2 || digits[1] != '-')) digits.remove_prefix(1);
  std::int64_t result = 0;
  const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), result);
  if (error != std::errc() || end != digits.data() + digits.size()) {
    throw std::runtime_error("JSON member \"" + std::string(name) + "\" is not a 64-bit integer: " + text);
  }
  return result;
}

TJsonValue GetJsonObject(TJsonValue object, std::string_view name, const std::string& absentMessage) {
  const TJsonValue value = object.Member(name);
  if (value.IsAbsent()) throw std::runtime_error(absentMessage);
  if (value.Kind() != TJsonKind::Object) ThrowKind(name, value.Kind(), "an object");
  return value;
}

}  // namespace vantreel
