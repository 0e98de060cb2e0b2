// Prints, in one run: a 5 MB alarm_photo_get through ProcessWebMessage in MB/s, the same file
// read and Base64-encoded with OpenSSL's EVP_EncodeBlock as the yardstick, their ratio (goal:
// at least 0.5), and how many 100 KB photos alarm_photo_save stores per second.
#include <benchmark/benchmark.h>
#include <openssl/evp.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "bridge/UWebViewBridge.h"
#include "crypto/Base64.h"
#include "media/AlarmPhotoFolder.h"
#include "platform/DebugOutput.h"

namespace vantreel {
namespace {

namespace fs = std::filesystem;

constexpr std::size_t kGetBytes = 5 * 1024 * 1024;
constexpr std::size_t kSaveBytes = 100 * 1024;

struct TBenchFolder {
  TBenchFolder() {
    folder = fs::temp_directory_path() / ("vt-media-bench-" + std::to_string(std::random_device()()));
    fs::create_directories(folder);
    SetAlarmPhotoDirForTesting(folder);
    std::mt19937 random(7);
    std::string bytes(kGetBytes, '\0');
    for (char& c : bytes) c = static_cast<char>(random());
    photo = folder / "A1_D9_20231115_061320.jpg";
    std::ofstream(photo, std::ios::binary) << bytes;
  }
  ~TBenchFolder() {
    SetAlarmPhotoDirForTesting(std::nullopt);
    std::error_code ec;
    fs::remove_all(folder, ec);
  }
  fs::path folder;
  fs::path photo;
};

TBenchFolder& Folder() {
  static TBenchFolder folder;
  return folder;
}

void AlarmPhotoGetThroughBridge(benchmark::State& state) {
  const std::string request =
      "{\"type\":\"alarm_photo_get\",\"requestId\":\"b1\",\"filePath\":\"" + Folder().photo.string() + "\"}";
  std::string reply;
  for (auto _ : state) {
    if (!ProcessWebMessage(request, reply) || reply.find("\"ok\":true") == std::string::npos) {
      state.SkipWithError("the get failed");
      break;
    }
    benchmark::DoNotOptimize(reply.data());
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * kGetBytes));
}

void ReadAndEvpEncodeBlock(benchmark::State& state) {
  const fs::path path = Folder().photo;
  for (auto _ : state) {
    std::ifstream in(path, std::ios::binary);
    std::vector<unsigned char> bytes(fs::file_size(path));
    in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    std::string out((bytes.size() + 2) / 3 * 4 + 1, '\0');
    EVP_EncodeBlock(reinterpret_cast<unsigned char*>(out.data()), bytes.data(), static_cast<int>(bytes.size()));
    benchmark::DoNotOptimize(out.data());
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * kGetBytes));
}

void AlarmPhotoSaveThroughBridge(benchmark::State& state) {
  Folder();
  std::mt19937 random(11);
  TBytes bytes(kSaveBytes);
  for (auto& b : bytes) b = static_cast<std::uint8_t>(random());
  const std::string request = "{\"type\":\"alarm_photo_save\",\"requestId\":\"b2\",\"alarmId\":\"S1\",\"deviceId\":"
                              "\"D9\",\"mimetype\":\"image/jpeg\",\"timestamp\":1700000000123,\"photoData\":\"data:"
                              "image/jpeg;base64," + Base64Encode(bytes) + "\"}";
  std::string reply;
  for (auto _ : state) {
    if (!ProcessWebMessage(request, reply) || reply.find("\"ok\":true") == std::string::npos) {
      state.SkipWithError("the save failed");
      break;
    }
  }
  state.SetItemsProcessed(state.iterations());
}

BENCHMARK(AlarmPhotoGetThroughBridge)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(ReadAndEvpEncodeBlock)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(AlarmPhotoSaveThroughBridge)->Unit(benchmark::kMicrosecond)->UseRealTime();

// Keeps each run's rate so that the ratio can be printed after the table.
class TRateReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& run : runs) {
      for (const char* counter : {"bytes_per_second", "items_per_second"}) {
        auto it = run.counters.find(counter);
        if (it != run.counters.end()) rates[run.benchmark_name()] = it->second.value;
      }
    }
    ConsoleReporter::ReportRuns(runs);
  }
  std::map<std::string, double> rates;
};

}  // namespace
}  // namespace vantreel

int main(int argc, char** argv) {
  // The services' diagnostic lines would drown the table.
  vantreel::SetDebugOutputSinkForTesting([](std::string_view) {});
  benchmark::Initialize(&argc, argv);
  vantreel::TRateReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  const double get = reporter.rates["AlarmPhotoGetThroughBridge/real_time"];
  const double yardstick = reporter.rates["ReadAndEvpEncodeBlock/real_time"];
  const double saves = reporter.rates["AlarmPhotoSaveThroughBridge/real_time"];
  constexpr double kMB = 1024.0 * 1024.0;
  std::printf("\n5 MB alarm_photo_get through ProcessWebMessage: %.0f MB/s\n", get / kMB);
  std::printf("read + EVP_EncodeBlock of the same file:       %.0f MB/s\n", yardstick / kMB);
  if (yardstick > 0) std::printf("ratio: %.2f (goal >= 0.5)\n", get / yardstick);
  std::printf("alarm_photo_save of a 100 KB photo: %.0f saves/s\n", saves);
  benchmark::Shutdown();
  vantreel::SetDebugOutputSinkForTesting({});
  return 0;
}
