// The shell against a bare WebKitGTK program on the same page:
//  - cold start to the entry page's load-finished, each run a fresh process with empty
//    folders, client and bare in turn; the target is client <= 1.05 x bare;
//  - proportional set size of all of a program's processes once its page has settled,
//    client and bare in turn; the target is client <= 1.10 x bare;
//  both also against the bare program with the client's own settings (its renderer, and its
//  web-process sandbox where the client would turn it on here), which compares like with like;
//  - page -> host -> page round trips of a small message, timed in the page with
//    performance.now() and in the host between one request's arrival and the next; the
//    target is <= 1.2 x the bare echo and a median under 0.25 ms.
// Each section prints its figures; a summary with the ratios and targets follows.
// Needs a display; without one it runs itself again under xvfb-run.
#include <benchmark/benchmark.h>
#include <gtk/gtk.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "bench/BenchDisplay.h"
#include "bench/shell/BareWebView.h"
#include "bench/shell/ColdStart.h"
#include "bridge/UWebViewBridge.h"
#include "browser/webkitgtk/SandboxProbe.h"
#include "browser/webkitgtk/WebKitRenderer.h"
#include "platform/DebugOutput.h"
#include "platform/PlatformCrypto.h"
#include "tests/browser/webkit/WebKitTestSupport.h"
#include "tests/e2e/ClientUnderTest.h"

namespace {

using namespace std::chrono_literals;
namespace ts = vantreel::test;

constexpr int kColdRuns = 7;
constexpr int kRoundTrips = 1000;
constexpr int kWarmUpTrips = 100;

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  const std::size_t n = values.size();
  return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

// Nearest-rank percentile.
double Percentile(std::vector<double> values, double p) {
  std::sort(values.begin(), values.end());
  std::size_t rank = static_cast<std::size_t>(p / 100.0 * static_cast<double>(values.size()) + 0.999999);
  rank = std::clamp<std::size_t>(rank, 1, values.size());
  return values[rank - 1];
}

struct TFigures {
  double coldClientMs = 0, coldBareMs = 0, coldBareClientSettingsMs = 0, pbkdf2Ms = 0;
  double clockStepMs = 0;
  bool coldDone = false, pbkdf2Done = false;
} gFigures;

constexpr int kMemoryRuns = 3;
constexpr auto kSettle = std::chrono::seconds(3);
// The client's own settings for the bare program: its renderer (browser/webkitgtk/WebKitRenderer.h)
// and its web-process sandbox, on where the client's probe finds it usable.
std::vector<std::string> ClientSettings() {
  std::vector<std::string> settings = {"WEBKIT_DMABUF_RENDERER_FORCE_SHM=1", "WEBKIT_SKIA_ENABLE_CPU_RENDERING=1"};
  if (vantreel::webkitgtk::ProbeWebProcessSandbox().usable) settings.push_back("VANTREEL_BENCH_SANDBOX=1");
  return settings;
}

// Median PSS per process kind and in total over a program's runs.
struct TMemory {
  std::map<std::string, double> pss, anon, file, shmem, rss;
  double total = 0;
  bool done = false;
};
TMemory gClientMemory, gBareMemory, gBareClientSettingsMemory;

// The web and network processes by their kind; their command names are cut at 15 bytes.
std::string ProcessKind(const std::string& name) {
  if (name == "UI") return "UI";
  if (name.rfind("WebKitWebProces", 0) == 0) return "web";
  if (name.rfind("WebKitNetworkPr", 0) == 0) return "network";
  return name;
}

TMemory Summarise(const std::vector<std::vector<vantreel::bench::TProcessMemory>>& runs) {
  std::map<std::string, std::vector<double>> pss, anon, file, shmem, rss;
  std::vector<double> totals;
  for (const auto& run : runs) {
    std::map<std::string, double> p, a, f, sh, r;
    double total = 0;
    for (const auto& process : run) {
      const std::string kind = ProcessKind(process.name);
      p[kind] += process.pss;
      a[kind] += process.pssAnon;
      f[kind] += process.pssFile;
      sh[kind] += process.pssShmem;
      r[kind] += process.rss;
      total += process.pss;
    }
    for (const auto& [kind, value] : p) pss[kind].push_back(value);
    for (const auto& [kind, value] : a) anon[kind].push_back(value);
    for (const auto& [kind, value] : f) file[kind].push_back(value);
    for (const auto& [kind, value] : sh) shmem[kind].push_back(value);
    for (const auto& [kind, value] : r) rss[kind].push_back(value);
    totals.push_back(total);
  }
  TMemory memory;
  for (const auto& [kind, values] : pss) memory.pss[kind] = Median(values);
  for (const auto& [kind, values] : anon) memory.anon[kind] = Median(values);
  for (const auto& [kind, values] : file) memory.file[kind] = Median(values);
  for (const auto& [kind, values] : shmem) memory.shmem[kind] = Median(values);
  for (const auto& [kind, values] : rss) memory.rss[kind] = Median(values);
  memory.total = Median(totals);
  memory.done = true;
  return memory;
}

// Client, bare and bare with the client's settings in turn, each run a fresh process tree
// left three seconds to settle after load-finished.
void BM_SettledMemory(benchmark::State& state) {
  std::vector<std::vector<vantreel::bench::TProcessMemory>> client, bare, bareClientSettings;
  const std::vector<std::string> settings = ClientSettings();
  for (auto _ : state) {
    try {
      for (int i = 0; i < kMemoryRuns; ++i) {
        client.push_back(vantreel::bench::MeasureSettledMemory(CLIENT_START, {}, kSettle));
        bare.push_back(vantreel::bench::MeasureSettledMemory(BARE_START, {}, kSettle));
        bareClientSettings.push_back(vantreel::bench::MeasureSettledMemory(BARE_START, settings, kSettle));
      }
    } catch (const std::exception& e) {
      state.SkipWithError(e.what());
      return;
    }
    state.SetIterationTime(1);
  }
  gClientMemory = Summarise(client);
  gBareMemory = Summarise(bare);
  gBareClientSettingsMemory = Summarise(bareClientSettings);
  state.counters["client_pss_MiB"] = gClientMemory.total;
  state.counters["bare_pss_MiB"] = gBareMemory.total;
  state.counters["bare_client_settings_pss_MiB"] = gBareClientSettingsMemory.total;
  state.counters["runs"] = kMemoryRuns;
}
BENCHMARK(BM_SettledMemory)->UseManualTime()->Unit(benchmark::kSecond)->Iterations(1);

// Client, bare and bare with the client's settings started in turn, so that drift of the
// machine falls on all alike.
void BM_ColdStartToLoadFinished(benchmark::State& state) {
  std::vector<double> client, bare, bareClientSettings;
  const std::vector<std::string> settings = ClientSettings();
  for (auto _ : state) {
    try {
      // One unmeasured start each first: the executables' pages come into the page cache.
      vantreel::bench::TimeColdStart(CLIENT_START);
      vantreel::bench::TimeColdStart(BARE_START);
      vantreel::bench::TimeColdStart(BARE_START, settings);
      for (int i = 0; i < kColdRuns; ++i) {
        client.push_back(vantreel::bench::TimeColdStart(CLIENT_START));
        bare.push_back(vantreel::bench::TimeColdStart(BARE_START));
        bareClientSettings.push_back(vantreel::bench::TimeColdStart(BARE_START, settings));
      }
    } catch (const std::exception& e) {
      state.SkipWithError(e.what());
      return;
    }
    state.SetIterationTime(Median(client) / 1000);
  }
  gFigures.coldClientMs = Median(client);
  gFigures.coldBareMs = Median(bare);
  gFigures.coldBareClientSettingsMs = Median(bareClientSettings);
  gFigures.coldDone = true;
  state.counters["client_median_ms"] = gFigures.coldClientMs;
  state.counters["client_min_ms"] = *std::min_element(client.begin(), client.end());
  state.counters["client_max_ms"] = *std::max_element(client.begin(), client.end());
  state.counters["bare_median_ms"] = gFigures.coldBareMs;
  state.counters["bare_min_ms"] = *std::min_element(bare.begin(), bare.end());
  state.counters["bare_max_ms"] = *std::max_element(bare.begin(), bare.end());
  state.counters["bare_client_settings_median_ms"] = gFigures.coldBareClientSettingsMs;
  state.counters["runs"] = kColdRuns;
}
BENCHMARK(BM_ColdStartToLoadFinished)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(1);

void BM_Pbkdf2_120000(benchmark::State& state) {
  static constexpr char kPassword[] = "Lantern over fjord";
  static constexpr std::array<std::uint8_t, 16> kSalt = {0x5c, 0x19, 0xe7, 0xa2, 0xf0, 0x8d, 0x4b, 0x63,
                                                         0xc7, 0xe2, 0xa9, 0x15, 0xd0, 0xf4, 0xb8, 0xe6};
  std::vector<double> times;
  for (auto _ : state) {
    std::uint8_t key[32];
    const auto start = std::chrono::steady_clock::now();
    const auto result = vantreel::Pbkdf2HmacSha256(
        vantreel::TByteView(reinterpret_cast<const std::uint8_t*>(kPassword), sizeof kPassword - 1),
        vantreel::TByteView(kSalt.data(), kSalt.size()), 120000, key);
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    benchmark::DoNotOptimize(key);
    if (!result.ok()) {
      state.SkipWithError("PBKDF2 failed");
      return;
    }
    state.SetIterationTime(seconds);
    times.push_back(seconds * 1000);
  }
  gFigures.pbkdf2Ms = Median(times);
  gFigures.pbkdf2Done = true;
  state.counters["median_ms"] = gFigures.pbkdf2Ms;
}
BENCHMARK(BM_Pbkdf2_120000)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(10);

struct TTrips {
  double median = 0, p99 = 0, mean = 0;
  double hostMedian = 0, hostP99 = 0, hostMean = 0;  // between arrivals, on the host's clock
  bool done = false;
};

// When each request of the measured run reached the host. One arrival to the next spans a
// whole trip as the host sees it: its answer to the page, the page's handling of it and
// the page's next request.
std::vector<std::chrono::steady_clock::time_point> gArrivals;
bool gStamping = false;

void StampArrival() {
  if (gStamping) gArrivals.push_back(std::chrono::steady_clock::now());
}

std::vector<double> ArrivalGapsMs() {
  std::vector<double> gaps;
  for (std::size_t i = 1; i < gArrivals.size(); ++i)
    gaps.push_back(std::chrono::duration<double, std::milli>(gArrivals[i] - gArrivals[i - 1]).count());
  return gaps;
}

TTrips gClientTrips, gBareTrips;

// The round-trip times (ms) the page measured, as the JSON array CallPage returns.
std::vector<double> ParseTimes(const std::string& json) {
  std::vector<double> times;
  if (json.empty() || json.front() != '[') return times;
  const char* at = json.c_str() + 1;
  while (*at && *at != ']') {
    char* end = nullptr;
    times.push_back(std::strtod(at, &end));
    if (end == at) return {};
    at = end;
    if (*at == ',') ++at;
  }
  return times;
}

// The main loop blocks between events while the page times its trips, as gtk_main does.
constexpr ts::TPageWait kWait = ts::TPageWait::Blocking;

// Waits for the bench script, warms the path up, then has the page time kRoundTrips trips.
bool RunRoundTrips(WebKitWebView* view, benchmark::State& state, std::vector<double>& times, double& meanMs) {
  if (!ts::RunUntil([&] { return ts::CallPage(view, "return typeof benchRoundTrips;") == "\"function\""; }, 30s)) {
    state.SkipWithError("the bench page never loaded");
    return false;
  }
  gFigures.clockStepMs = std::atof(ts::CallPage(view, "return benchClockStep();").c_str());
  ts::CallPage(view, "return (await benchRoundTrips(" + std::to_string(kWarmUpTrips) + ")).length;", kWait, 60s);
  gArrivals.clear();
  gStamping = true;
  const std::string json =
      ts::CallPage(view, "return await benchRoundTrips(" + std::to_string(kRoundTrips) + ");", kWait, 60s);
  gStamping = false;
  times = ParseTimes(json);
  if (times.size() != static_cast<std::size_t>(kRoundTrips)) {
    state.SkipWithError(("the page did not return its times: " + json.substr(0, 200)).c_str());
    return false;
  }
  meanMs = std::atof(ts::CallPage(view, "return benchLastTotalMs;", kWait, 60s).c_str()) / kRoundTrips;
  return true;
}

void ReportTrips(benchmark::State& state, const std::vector<double>& times, double meanMs, TTrips& trips) {
  trips.median = Median(times);
  trips.p99 = Percentile(times, 99);
  trips.mean = meanMs;
  const std::vector<double> gaps = ArrivalGapsMs();
  if (gaps.size() + 1 != times.size()) {
    std::printf("host timing: %zu arrivals seen for %zu trips; the arrival mark no longer matches\n", gArrivals.size(),
                times.size());
  } else {
    trips.hostMedian = Median(gaps);
    trips.hostP99 = Percentile(gaps, 99);
    double sum = 0;
    for (double gap : gaps) sum += gap;
    trips.hostMean = sum / static_cast<double>(gaps.size());
  }
  trips.done = true;
  state.counters["host_median_ms"] = trips.hostMedian;
  state.counters["host_p99_ms"] = trips.hostP99;
  state.counters["mean_ms"] = meanMs;
  state.counters["median_ms"] = trips.median;
  state.counters["p99_ms"] = trips.p99;
  state.counters["max_ms"] = *std::max_element(times.begin(), times.end());
  state.counters["messages"] = static_cast<double>(times.size());
}

// The real client in this process: page, WebKitGTK channel, main window, bridge (a seed
// request), reply back through the channel.
void BM_RoundTripClient(benchmark::State& state) {
  std::vector<double> times;
  double meanMs = 0;
  for (auto _ : state) {
    ts::TClientUnderTest client(VANTREEL_WEBEXT_DIR);
    if (!ts::RunUntil([&] { return client.View() != nullptr; }, 30s)) {
      state.SkipWithError("the client made no browser");
      return;
    }
    if (!RunRoundTrips(client.View(), state, times, meanMs)) return;
    state.SetIterationTime(meanMs / 1000);
  }
  ReportTrips(state, times, meanMs, gClientTrips);
}
BENCHMARK(BM_RoundTripClient)->UseManualTime()->Unit(benchmark::kMicrosecond)->Iterations(1);

void BM_RoundTripBareEcho(benchmark::State& state) {
  std::vector<double> times;
  double meanMs = 0;
  for (auto _ : state) {
    ts::TTempDir data;
    vantreel::bench::TBareWebView bare(data.Path());
    bare.SetEchoObserver(&StampArrival);
    bare.Load();
    if (!RunRoundTrips(bare.View(), state, times, meanMs)) return;
    state.SetIterationTime(meanMs / 1000);
  }
  ReportTrips(state, times, meanMs, gBareTrips);
}
BENCHMARK(BM_RoundTripBareEcho)->UseManualTime()->Unit(benchmark::kMicrosecond)->Iterations(1);

// The host's share of a client round trip: the bridge answering the same request, with
// no browser around it.
void BM_BridgeSeedRequest(benchmark::State& state) {
  const std::string request = R"({"type":"auth_seed_request","requestId":"1"})";
  std::string reply;
  for (auto _ : state) {
    vantreel::ProcessWebMessage(request, reply);
    benchmark::DoNotOptimize(reply.data());
  }
}
BENCHMARK(BM_BridgeSeedRequest)->Unit(benchmark::kMicrosecond);

const char* Verdict(bool met) { return met ? "met" : "MISSED"; }

void PrintSummary() {
  const TFigures& f = gFigures;
  std::printf("\nShell against bare WebKitGTK\n");
  const bool sandbox = vantreel::webkitgtk::ProbeWebProcessSandbox().usable;
  std::printf("  the client's settings given to the bare program: its renderer, web-process sandbox %s\n",
              sandbox ? "on (the client's probe finds it usable here)" : "off (the client's probe refuses it here)");
  if (f.coldDone) {
    std::printf("  cold start to load-finished (median of %d, in turn): client %.1f ms, bare %.1f ms, "
                "bare with the client's settings %.1f ms\n",
                kColdRuns, f.coldClientMs, f.coldBareMs, f.coldBareClientSettingsMs);
    if (f.pbkdf2Done) std::printf("    (PBKDF2 120000 iterations alone: %.1f ms, now off the UI thread's path)\n", f.pbkdf2Ms);
    std::printf("  target client <= 1.05 x bare: ratio %.3f, %s (against bare with the client's settings: %.3f)\n",
                f.coldClientMs / f.coldBareMs, Verdict(f.coldClientMs <= 1.05 * f.coldBareMs),
                f.coldClientMs / f.coldBareClientSettingsMs);
  }
  const TMemory& cm = gClientMemory;
  const TMemory& bm = gBareMemory;
  const TMemory& bo = gBareClientSettingsMemory;
  if (cm.done && bm.done) {
    std::printf("  settled memory, PSS over all processes (median of %d, in turn, %lld s after load-finished):\n",
                kMemoryRuns, static_cast<long long>(kSettle.count()));
    std::printf("    %-8s %28s %28s %28s\n", "process", "client PSS (anon/file/shm)", "bare PSS (anon/file/shm)",
                "bare+client settings PSS");
    std::map<std::string, bool> kinds;
    for (const auto* m : {&cm, &bm, &bo})
      for (const auto& [kind, value] : m->pss) kinds[kind] = true;
    const auto cell = [](const TMemory& m, const std::string& kind) {
      char text[64];
      const auto at = [&](const std::map<std::string, double>& values) {
        const auto found = values.find(kind);
        return found == values.end() ? 0.0 : found->second;
      };
      std::snprintf(text, sizeof text, "%6.1f (%5.1f/%5.1f/%5.1f)", at(m.pss), at(m.anon), at(m.file), at(m.shmem));
      return std::string(text);
    };
    for (const auto& [kind, unused] : kinds)
      std::printf("    %-8s %28s %28s %28s\n", kind.c_str(), cell(cm, kind).c_str(), cell(bm, kind).c_str(),
                  cell(bo, kind).c_str());
    std::printf("    %-8s %28.1f %28.1f %28.1f  MiB\n", "total", cm.total, bm.total, bo.total);
    std::printf("  target client <= 1.10 x bare: ratio %.3f, %s (against bare with the client's settings: %.3f)\n",
                cm.total / bm.total, Verdict(cm.total <= 1.10 * bm.total), cm.total / bo.total);
  }
  const TTrips& c = gClientTrips;
  const TTrips& b = gBareTrips;
  if (c.done && b.done) {
    std::printf("  round trips (%d messages, after %d unmeasured), performance.now() step %.3f ms:\n", kRoundTrips,
                kWarmUpTrips, f.clockStepMs);
    std::printf("    client:    median %.3f ms, p99 %.3f ms, mean %.4f ms\n", c.median, c.p99, c.mean);
    std::printf("    bare echo: median %.3f ms, p99 %.3f ms, mean %.4f ms\n", b.median, b.p99, b.mean);
    const auto ratio = [](double client, double bare) { return bare > 0 ? client / bare : NAN; };
    std::printf("    ratio client/bare: median %.3f, p99 %.3f, mean %.3f (nan: a bare figure of 0 on this clock)\n",
                ratio(c.median, b.median), ratio(c.p99, b.p99), ratio(c.mean, b.mean));
    std::printf("  round trips on the host's clock (one request's arrival to the next, %d gaps):\n", kRoundTrips - 1);
    std::printf("    client:    median %.4f ms, p99 %.4f ms, mean %.4f ms\n", c.hostMedian, c.hostP99, c.hostMean);
    std::printf("    bare echo: median %.4f ms, p99 %.4f ms, mean %.4f ms\n", b.hostMedian, b.hostP99, b.hostMean);
    std::printf("    ratio client/bare: median %.3f, p99 %.3f, mean %.3f\n", ratio(c.hostMedian, b.hostMedian),
                ratio(c.hostP99, b.hostP99), ratio(c.hostMean, b.hostMean));
    // A median read off a clock coarser than the figure it is held to says little; the
    // mean of the whole run is exact whatever the step, so it stands in, and says so.
    const bool coarse = f.clockStepMs > 0.05;
    const double client = coarse ? c.mean : c.median;
    const double bare = coarse ? b.mean : b.median;
    const char* basis = coarse ? "mean (clock too coarse for the median)" : "median";
    std::printf("  target <= 1.2 x bare, by %s: %.3f, %s\n", basis, client / bare, Verdict(client <= 1.2 * bare));
    std::printf("  target < 0.25 ms, by %s: %.4f ms, %s\n", basis, client, Verdict(client < 0.25));
  }
}

}  // namespace

int main(int argc, char** argv) {
  vantreel::bench::EnsureDisplayOrRerun(argc, argv);
  benchmark::Initialize(&argc, argv);
  if (!gtk_init_check(&argc, &argv)) return 1;
  // The in-process client's caches and files go to a scratch home, not the user's.
  ts::TTempDir scratch;
  setenv("HOME", scratch.Path().c_str(), 1);
  setenv("XDG_DATA_HOME", (scratch.Path() / "data").c_str(), 1);
  setenv("XDG_CONFIG_HOME", (scratch.Path() / "config").c_str(), 1);
  setenv("XDG_CACHE_HOME", (scratch.Path() / "cache").c_str(), 1);
  vantreel::webkitgtk::ChooseWebKitRenderer();
  // The bridge's diagnostic lines would go to this terminal; its line for each seed request
  // marks the request's arrival in the client.
  vantreel::SetDebugOutputSinkForTesting([](std::string_view line) {
    if (line == "[WEBVIEW_BRIDGE] 已处理 auth_seed_request") StampArrival();
  });
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  PrintSummary();
  return 0;
}
