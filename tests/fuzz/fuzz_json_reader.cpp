// The JSON reader on arbitrary bytes: never crashes, and what it accepts holds together:
// every value's source text parses again on its own, and every decoded string written back
// by the reply writer reads back unchanged.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "json/JsonReader.h"
#include "json/JsonWriter.h"

namespace {

using vantreel::TJsonDocument;
using vantreel::TJsonKind;
using vantreel::TJsonValue;

void Check(bool condition) {
  if (!condition) std::abort();
}

void CheckString(const std::string& text) {
  std::string written;
  vantreel::AppendJsonString(written, text);
  TJsonDocument again;
  Check(again.Parse(written));
  Check(again.Root().Text() == text);
}

void Walk(TJsonValue value) {
  TJsonDocument alone;
  Check(alone.Parse(value.Raw()));
  Check(alone.Root().Kind() == value.Kind());
  switch (value.Kind()) {
    case TJsonKind::String: CheckString(value.Text()); break;
    case TJsonKind::Array: value.ForEachElement([](TJsonValue element) { Walk(element); }); break;
    case TJsonKind::Object:
      value.ForEachMember([&](const std::string& name, TJsonValue member) {
        CheckString(name);
        Check(!value.Member(name).IsAbsent());
        Walk(member);
      });
      break;
    default: break;
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  TJsonDocument doc;
  if (doc.Parse(std::string_view(reinterpret_cast<const char*>(data), size))) Walk(doc.Root());
  return 0;
}
