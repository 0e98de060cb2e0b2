// ProcessWebMessage on arbitrary messages, real services included: never crashes or lets an
// error out, posts nothing without a reply, and every reply is strict JSON: an object whose
// first member is "type". The image types are left out: their services write files outside any temp dir.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "base/LogText.h"
#include "json/JsonFields.h"
#include "json/JsonReader.h"
#include "bridge/UWebViewBridge.h"
#include "platform/DebugOutput.h"
#include "tests/fuzz/FuzzRequests.h"

namespace {

void Check(bool condition) {
  if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  // Every diagnostic line is one line of plain text, whatever names or values it quotes.
  vantreel::SetDebugOutputSinkForTesting([](std::string_view line) { Check(vantreel::EscapedForLog(line) == line); });
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  if (vantreel::test::IsImageRequest(text)) return 0;
  std::string reply = "stale";
  if (!vantreel::ProcessWebMessage(text, reply)) {
    Check(reply.empty());
    return 0;
  }
  Check(reply.rfind("{\"type\":\"", 0) == 0);
  vantreel::TJsonDocument doc;
  Check(doc.Parse(reply) && doc.Root().Is(vantreel::TJsonKind::Object));
  return 0;
}
