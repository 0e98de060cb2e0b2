// The web application's own figures: how big web/ is once packed into the client (raw files,
// the zip, the encrypted resource), and how long the real client takes from its start to the
// page's first message, the moment its loading overlay goes.
// Needs a display; without one it runs itself again under xvfb-run.
#include <benchmark/benchmark.h>
#include <gtk/gtk.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "bench/BenchDisplay.h"
#include "browser/webkitgtk/WebKitRenderer.h"
#include "tests/browser/webkit/WebKitTestSupport.h"
#include "tests/e2e/ClientUnderTest.h"
#include "tools/packer/BundlePacker.h"
#include "tools/packer/ZipWriter.h"

namespace {

using namespace std::chrono_literals;
using vantreel::test::TClientUnderTest;
using vantreel::test::TLogEntry;

void BM_PackedSizeOfWeb(benchmark::State& state) {
  std::size_t raw = 0, zip = 0, packed = 0, files = 0;
  for (auto _ : state) {
    const auto sources = vantreel::CollectWebFolder(VANTREEL_WEB_DIR);
    raw = 0;
    for (const auto& source : sources) raw += source.data.size();
    zip = vantreel::WriteZip(sources).size();
    const auto bundle = vantreel::PackWebFolder(VANTREEL_WEB_DIR);
    packed = bundle.cipherText.size();
    files = bundle.fileCount;
  }
  state.counters["files"] = static_cast<double>(files);
  state.counters["raw_bytes"] = static_cast<double>(raw);
  state.counters["zip_bytes"] = static_cast<double>(zip);
  state.counters["packed_bytes"] = static_cast<double>(packed);
}
BENCHMARK(BM_PackedSizeOfWeb)->Unit(benchmark::kMillisecond)->Iterations(3);

// One client per iteration, built as the program entry builds it, with the bundle packed from
// web/; the time runs from its construction to the overlay's hide line, which the window
// writes when the page's first message arrives.
void BM_StartToFirstPageMessage(benchmark::State& state) {
  double overlayMs = 0;
  for (auto _ : state) {
    TLogEntry hidden;
    double elapsed = 0;
    {
      TClientUnderTest client(VANTREEL_WEBEXT_DIR);
      if (!client.WaitForLog("加载遮罩已隐藏", &hidden, 30s)) {
        state.SkipWithError("the page never sent a message");
        break;
      }
      elapsed = std::chrono::duration<double>(hidden.at - client.StartedAt()).count();
      // The window's own figure: how long the overlay was shown.
      const auto at = hidden.line.find("耗时=");
      if (at != std::string::npos) overlayMs = std::atof(hidden.line.c_str() + at + std::string("耗时=").size());
    }
    state.SetIterationTime(elapsed);
    vantreel::test::RunFor(300ms);
  }
  state.counters["overlay_shown_ms"] = overlayMs;
}
BENCHMARK(BM_StartToFirstPageMessage)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);

}  // namespace

int main(int argc, char** argv) {
  vantreel::bench::EnsureDisplayOrRerun(argc, argv);
  benchmark::Initialize(&argc, argv);
  if (!gtk_init_check(&argc, &argv)) return 1;
  // The client's caches and files go to a scratch home, not the user's.
  vantreel::test::TTempDir scratch;
  setenv("HOME", scratch.Path().c_str(), 1);
  setenv("XDG_DATA_HOME", (scratch.Path() / "data").c_str(), 1);
  setenv("XDG_CONFIG_HOME", (scratch.Path() / "config").c_str(), 1);
  vantreel::webkitgtk::ChooseWebKitRenderer();
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
