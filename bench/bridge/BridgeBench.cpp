// Messages per second through ProcessWebMessage for the three auth types, and the JSON
// reader's speed on 1 MB requests against nlohmann-json on the same text, printed as ratios
// at the end of the run.
#include <benchmark/benchmark.h>

#include <dlfcn.h>

#include <cstdio>
#include <cstring>
#include <map>
#include <nlohmann/json.hpp>
#include <string>

#include "auth/EnvironmentCheck.h"
#include "json/JsonReader.h"
#include "bridge/UWebViewBridge.h"
#include "platform/DebugOutput.h"

namespace {

using vantreel::TJsonDocument;
using vantreel::TJsonKind;
using vantreel::TJsonValue;

void ProcessMessages(benchmark::State& state, const std::string& message) {
  vantreel::SetDebugOutputSinkForTesting([](std::string_view) {});
  std::string reply;
  for (auto _ : state) {
    if (!vantreel::ProcessWebMessage(message, reply)) state.SkipWithError("no reply");
    benchmark::DoNotOptimize(reply.data());
  }
  state.SetItemsProcessed(state.iterations());
  vantreel::SetDebugOutputSinkForTesting({});
}

BENCHMARK_CAPTURE(ProcessMessages, generate_token,
                  std::string(R"({"type":"generate_token","requestId":"req-1","identifier":"device-4f1c9a"})"));
BENCHMARK_CAPTURE(ProcessMessages, auth_challenge,
                  std::string(R"({"type":"auth_challenge","Webdata":{"clientType":"pc","identifier":"device-4f1c9a",)"
                              R"("challenge":{"timestamp":"1700000000123","random":"9f8e7d6c5b4a"}}})"));
BENCHMARK_CAPTURE(ProcessMessages, auth_seed_request, std::string(R"({"type":"auth_seed_request","requestId":"req-1"})"));

// The environment check alone, which each auth message runs two or three times. Its cost
// grows with the executable mappings it judges: "with_client_libraries" first loads GTK and
// WebKitGTK, which brings the mappings to what the client's own process holds.
void EnvironmentCheck(benchmark::State& state, bool clientLibraries) {
  if (clientLibraries) {
    for (const char* library : {"libgtk-3.so.0", "libwebkit2gtk-4.1.so.0"})
      if (dlopen(library, RTLD_NOW | RTLD_GLOBAL) == nullptr) state.SkipWithError(library);
  }
  int mappings = 0;
  if (std::FILE* maps = std::fopen("/proc/self/maps", "r")) {
    char line[4352];
    while (std::fgets(line, sizeof line, maps)) {
      char perms[5] = {};
      std::sscanf(line, "%*x-%*x %4s", perms);
      mappings += perms[2] == 'x' && std::strchr(line, '/') != nullptr;
    }
    std::fclose(maps);
  }
  for (auto _ : state) benchmark::DoNotOptimize(vantreel::IsEnvironmentAcceptable());
  state.counters["file_code_mappings"] = mappings;
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK_CAPTURE(EnvironmentCheck, bench_process, false)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(EnvironmentCheck, with_client_libraries, true)->Unit(benchmark::kMicrosecond);

// An alarm photo as the page sends it: one large Base64 member.
std::string PhotoRequest() {
  static const char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string data = "data:image/jpeg;base64,";
  for (std::size_t i = 0; data.size() < 1'000'000; ++i) data.push_back(kAlphabet[(i * 2654435761u >> 7) % 64]);
  return R"({"type":"alarm_photo_save","requestId":"req-7","alarmId":"alarm-1","deviceId":"dev-1",)"
         R"("mimetype":"image/jpeg","timestamp":1700000000123,"photoData":")" +
         data + "\"}";
}

// Many small members: numbers, escapes, non-ASCII, nesting.
std::string StructuredRequest() {
  std::string text = R"({"type":"sync","requestId":"req-8","items":[)";
  for (int i = 0; text.size() < 1'000'000; ++i) {
    if (i) text += ',';
    text += R"({"id":)" + std::to_string(i * 7919) + R"(,"name":"学生电脑 \")" + std::to_string(i) +
            R"(\"","url":"https:\/\/app.example\/p\/)" + std::to_string(i) +
            R"(","score":-12.5e-3,"tags":["a","\u00e9\ud83d\ude00",true,false,null],"nested":{"x":[1,2,{"y":[]}]}})";
  }
  return text + "]}";
}

// Ours does the work nlohmann does: parse and produce every string and number text.
void MaterialiseAll(TJsonValue value) {
  switch (value.Kind()) {
    case TJsonKind::String:
    case TJsonKind::Number: benchmark::DoNotOptimize(value.Text()); break;
    case TJsonKind::Array: value.ForEachElement(MaterialiseAll); break;
    case TJsonKind::Object:
      value.ForEachMember([](const std::string& name, TJsonValue member) {
        benchmark::DoNotOptimize(name.data());
        MaterialiseAll(member);
      });
      break;
    default: break;
  }
}

void ParseOurs(benchmark::State& state, const std::string& text) {
  for (auto _ : state) {
    TJsonDocument doc;
    if (!doc.Parse(text)) state.SkipWithError("refused");
    MaterialiseAll(doc.Root());
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
}

void ParseNlohmann(benchmark::State& state, const std::string& text) {
  for (auto _ : state) {
    auto doc = nlohmann::json::parse(text);
    benchmark::DoNotOptimize(doc);
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
}

BENCHMARK_CAPTURE(ParseOurs, photo_1MB, PhotoRequest());
BENCHMARK_CAPTURE(ParseNlohmann, photo_1MB, PhotoRequest());
BENCHMARK_CAPTURE(ParseOurs, structured_1MB, StructuredRequest());
BENCHMARK_CAPTURE(ParseNlohmann, structured_1MB, StructuredRequest());

// Prints, after the usual table, our parse speed over nlohmann's for each document.
class TRatioReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& run : runs) {
      const auto found = run.counters.find("bytes_per_second");
      if (found != run.counters.end()) FBytesPerSecond[run.benchmark_name()] = found->second.value;
    }
    ConsoleReporter::ReportRuns(runs);
  }
  void Finalize() override {
    ConsoleReporter::Finalize();
    for (const char* document : {"photo_1MB", "structured_1MB"}) {
      const double ours = FBytesPerSecond[std::string("ParseOurs/") + document];
      const double theirs = FBytesPerSecond[std::string("ParseNlohmann/") + document];
      if (ours > 0 && theirs > 0) {
        std::printf("JSON parse %-15s ours %8.1f MB/s, nlohmann-json %8.1f MB/s, ratio %.2fx\n", document, ours / 1e6,
                    theirs / 1e6, ours / theirs);
      }
    }
  }

 private:
  std::map<std::string, double> FBytesPerSecond;
};

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  TRatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
  return 0;
}
