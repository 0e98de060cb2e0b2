// The real client under a long mixed load: tokens, seeds, challenges, 1 MB alarm photos
// (over 20 alarm ids, so files are replaced), lists of some 3000 photos and image saves,
// posted from inside the page on the raw channel one after another. After each tenth of
// the run the proportional set size of the UI process (this one), the web process and the
// network process is read; at the end, the growth per 10 000 requests after warm-up, by a
// least-squares line over the samples after batches 3..10. Flat is the goal.
//
// VANTREEL_SOAK_REQUESTS sets the number of requests (default 100 000).
// Needs a display; without one it runs itself again under xvfb-run.
#include <gtk/gtk.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "bench/BenchDisplay.h"
#include "bench/shell/ColdStart.h"
#include "browser/webkitgtk/WebKitRenderer.h"
#include "media/AlarmPhotoFolder.h"
#include "media/AlarmPhotoNames.h"
#include "platform/DebugOutput.h"
#include "tests/browser/webkit/WebKitTestSupport.h"
#include "tests/e2e/ClientUnderTest.h"

namespace {

using namespace std::chrono_literals;
namespace ts = vantreel::test;
namespace fs = std::filesystem;

constexpr long kDefaultRequests = 100000;
constexpr int kBatches = 10;
constexpr int kFirstFittedBatch = 3;
constexpr int kListedPhotos = 3000;
constexpr int kPhotoBytes = 1 << 20;
constexpr int kImageBytes = 256 << 10;
constexpr int kAlarmIds = 20;
constexpr int kImageNames = 4;
// Requests per call into the page: the host's loop turns between calls, so a stuck page
// shows as a timeout of one chunk rather than of a whole batch.
constexpr long kChunk = 1000;

// The driver in the page. Each request waits for its reply before the next goes, matched by
// requestId (a challenge's reply carries none: it is matched by its type). Replies are
// checked for ok, and a list for the photos it must hold.
constexpr const char* kDriverScript = R"JS(
if (window.__soak) return true;
const webview = window.chrome.webview;
let pending = null;
webview.addEventListener('message', (event) => {
  if (!pending || typeof event.data !== 'string') return;
  let reply;
  try { reply = JSON.parse(event.data); } catch (e) { return; }
  const key = reply.type === 'auth_response' ? 'auth_response' : reply.requestId;
  if (key !== pending.key) return;
  const done = pending.resolve;
  pending = null;
  done(reply);
});
function base64(size, seed) {
  const bytes = new Uint8Array(size);
  let x = seed >>> 0;
  for (let i = 0; i < size; ++i) { x = (Math.imul(x, 1103515245) + 12345) >>> 0; bytes[i] = x >>> 24; }
  let text = '';
  for (let i = 0; i < size; i += 0x8000) text += String.fromCharCode.apply(null, bytes.subarray(i, i + 0x8000));
  return btoa(text);
}
const photo = base64(photoBytes, 7);
const image = base64(imageBytes, 11);
function request(n) {
  const id = 'soak-' + n;
  const slot = n % 20;
  const cycle = Math.floor(n / 20);
  if (slot === 0)
    return { type: 'alarm_photo_save', requestId: id, alarmId: 'soak' + (cycle % alarmIds), deviceId: 'soakdev',
             timestamp: 1700000000000, mimetype: 'image/jpeg', photoData: photo };
  if (slot === 1) return { type: 'alarm_photo_list', requestId: id, deviceId: '' };
  if (slot === 2)
    return { type: 'image_save', requestId: id, imageData: image, albumName: 'Soak',
             fileName: 'soak-' + (cycle % imageNames) + '.png' };
  if (slot < 10) return { type: 'generate_token', requestId: id, identifier: 'device-' + (n % 50) };
  if (slot < 15) return { type: 'auth_seed_request', requestId: id };
  return { type: 'auth_challenge', requestId: id,
           Webdata: { clientType: 'pc', identifier: 'device-42',
                      challenge: { timestamp: String(Date.now()), random: (n * 2654435761 >>> 0).toString(16) } } };
}
// Milliseconds and count per request type, for the figures at the end.
window.__soakTimes = {};
function send(n) {
  const message = request(n);
  const key = message.type === 'auth_challenge' ? 'auth_response' : message.requestId;
  const start = performance.now();
  return new Promise((resolve) => {
    pending = { key, resolve };
    webview.postMessage(message);
  }).then((reply) => {
    const time = window.__soakTimes[message.type] || (window.__soakTimes[message.type] = { ms: 0, count: 0 });
    time.ms += performance.now() - start;
    ++time.count;
    if (reply.ok !== true) return message.type + ': ' + JSON.stringify(reply).slice(0, 200);
    if (message.type === 'alarm_photo_list' && !(reply.photos.length >= listedPhotos))
      return 'alarm_photo_list: ' + reply.photos.length + ' photos';
    return null;
  });
}
window.__soak = async (from, count) => {
  let failures = 0, first = null;
  for (let n = from; n < from + count; ++n) {
    const error = await send(n);
    if (error !== null) { ++failures; if (first === null) first = error; }
  }
  return { failures, first };
};
return true;
)JS";

long RequestCount() {
  const char* text = std::getenv("VANTREEL_SOAK_REQUESTS");
  if (!text || !*text) return kDefaultRequests;
  char* end = nullptr;
  const long count = std::strtol(text, &end, 10);
  if (*end != '\0' || count < kBatches) {
    std::fprintf(stderr, "VANTREEL_SOAK_REQUESTS must be a whole number of at least %d\n", kBatches);
    std::exit(2);
  }
  return count;
}

std::string Replace(std::string text, std::string_view name, const std::string& value) {
  for (std::size_t at = 0; (at = text.find(name, at)) != std::string::npos; at += value.size())
    text.replace(at, name.size(), value);
  return text;
}

// PSS in MiB of the UI process and of the web and network processes below it (their
// command names are cut at 15 bytes; under bubblewrap they are grandchildren). The anonymous
// part ("... anon") is kept apart: shared library pages move between processes' PSS as other
// programs on the machine map and drop them, which is not growth of ours.
std::map<std::string, double> SamplePss() {
  std::map<std::string, double> pss;
  for (const char* kind : {"UI", "web", "network"}) pss[kind] = pss[std::string(kind) + " anon"] = 0;
  for (const auto& process : vantreel::bench::ReadProcessTreeMemory(getpid())) {
    std::string kind;
    if (process.name == "UI") kind = "UI";
    else if (process.name.rfind("WebKitWebProces", 0) == 0) kind = "web";
    else if (process.name.rfind("WebKitNetworkPr", 0) == 0) kind = "network";
    else continue;
    pss[kind] += process.pss;
    pss[kind + " anon"] += process.pssAnon;
  }
  pss["total"] = pss["UI"] + pss["web"] + pss["network"];
  pss["total anon"] = pss["UI anon"] + pss["web anon"] + pss["network anon"];
  return pss;
}

struct TLine {
  double slope = 0, slopeError = 0;  // per step of x, with its standard error
  double residual = 0;               // standard deviation of the residuals
};

TLine FitLine(const std::vector<double>& x, const std::vector<double>& y) {
  const double n = static_cast<double>(x.size());
  double sx = 0, sy = 0;
  for (std::size_t i = 0; i < x.size(); ++i) sx += x[i], sy += y[i];
  const double mx = sx / n, my = sy / n;
  double sxx = 0, sxy = 0;
  for (std::size_t i = 0; i < x.size(); ++i) sxx += (x[i] - mx) * (x[i] - mx), sxy += (x[i] - mx) * (y[i] - my);
  TLine line;
  line.slope = sxx > 0 ? sxy / sxx : 0;
  double sr = 0;
  for (std::size_t i = 0; i < x.size(); ++i) {
    const double r = y[i] - (my + line.slope * (x[i] - mx));
    sr += r * r;
  }
  line.residual = n > 2 ? std::sqrt(sr / (n - 2)) : 0;
  line.slopeError = sxx > 0 ? line.residual / std::sqrt(sxx) : 0;
  return line;
}

// The photos a list must hold, named as the store names them, each a few bytes.
void FillPhotoFolder(const fs::path& folder) {
  fs::create_directories(folder);
  const std::string body(2048, 'p');
  for (int i = 0; i < kListedPhotos; ++i) {
    const std::string name = vantreel::BuildAlarmPhotoFileName("listed" + std::to_string(i), "listdev",
                                                               1690000000000 + 1000LL * i, "image/jpeg");
    std::ofstream(folder / name, std::ios::binary) << body;
  }
}

// What the run left on disk: every alarm photo and image whole, nothing else beside them.
bool CheckFiles(const fs::path& photos, const fs::path& album) {
  bool whole = true;
  std::size_t photoFiles = 0, soakPhotos = 0;
  for (const auto& entry : fs::directory_iterator(photos)) {
    ++photoFiles;
    if (entry.path().filename().string().rfind("soak", 0) != 0) continue;
    ++soakPhotos;
    if (entry.file_size() != static_cast<std::uintmax_t>(kPhotoBytes)) {
      std::printf("  photo %s holds %ju bytes\n", entry.path().filename().c_str(), entry.file_size());
      whole = false;
    }
  }
  std::size_t images = 0;
  for (const auto& entry : fs::directory_iterator(album)) {
    ++images;
    if (entry.file_size() != static_cast<std::uintmax_t>(kImageBytes)) {
      std::printf("  image %s holds %ju bytes\n", entry.path().filename().c_str(), entry.file_size());
      whole = false;
    }
  }
  std::printf("files: %zu in the photo folder (%zu saved by the run), %zu in the album\n", photoFiles, soakPhotos,
              images);
  return whole;
}

}  // namespace

int main(int argc, char** argv) {
  vantreel::bench::EnsureDisplayOrRerun(argc, argv);
  if (!gtk_init_check(&argc, &argv)) return 1;
  const long total = RequestCount();
  const long batch = total / kBatches;

  // Scratch folders in memory where there is a memory file system: a million fsyncs of
  // photos on a shared disk would measure the disk.
  std::error_code ec;
  if (!std::getenv("TMPDIR") && fs::is_directory("/dev/shm", ec)) setenv("TMPDIR", "/dev/shm", 1);
  ts::TTempDir scratch;
  const fs::path home = scratch.Path();
  setenv("HOME", home.c_str(), 1);
  setenv("XDG_DATA_HOME", (home / "data").c_str(), 1);
  setenv("XDG_CONFIG_HOME", (home / "config").c_str(), 1);
  setenv("XDG_CACHE_HOME", (home / "cache").c_str(), 1);
  fs::create_directories(home / "config");
  std::ofstream(home / "config" / "user-dirs.dirs") << "XDG_PICTURES_DIR=\"$HOME/Pictures\"\n";
  const fs::path photos = home / "alarm_photos";
  FillPhotoFolder(photos);
  vantreel::SetAlarmPhotoDirForTesting(photos);
  vantreel::webkitgtk::ChooseWebKitRenderer();

  // The services' diagnostic lines are counted, not kept or printed.
  long debugLines = 0;
  vantreel::SetDebugOutputSinkForTesting([&debugLines](std::string_view) { ++debugLines; });

  int status = 0;
  {
    ts::TClientUnderTest client(VANTREEL_WEBEXT_DIR);
    if (!ts::RunUntil([&] { return client.View() != nullptr; }, 30s)) {
      std::fprintf(stderr, "the client made no browser\n");
      return 1;
    }
    WebKitWebView* view = client.View();
    const auto ready = [&] {
      return ts::CallPage(view, "return document.readyState === 'complete' && !!(window.chrome && window.chrome.webview);") ==
             "true";
    };
    if (!ts::RunUntil(ready, 60s)) {
      std::fprintf(stderr, "the page never loaded\n");
      return 1;
    }
    std::string driver = Replace(kDriverScript, "photoBytes", std::to_string(kPhotoBytes));
    driver = Replace(driver, "imageBytes", std::to_string(kImageBytes));
    driver = Replace(driver, "alarmIds", std::to_string(kAlarmIds));
    driver = Replace(driver, "imageNames", std::to_string(kImageNames));
    driver = Replace(driver, "listedPhotos", std::to_string(kListedPhotos));
    const std::string installed = ts::CallPage(view, driver, ts::TPageWait::Blocking, 60s);
    if (installed != "true") {
      std::fprintf(stderr, "the driver did not install: %s\n", installed.c_str());
      return 1;
    }
    ts::RunFor(1s);

    std::printf("soak: %ld requests in %d batches of %ld, one at a time; per 20: 1 alarm photo save (1 MiB), "
                "1 list (%d+ photos), 1 image save (256 KiB), 7 tokens, 5 seeds, 5 challenges\n",
                total, kBatches, batch, kListedPhotos);
    std::printf("PSS in MiB, the anonymous part in brackets\n");
    std::printf("%-6s %10s %9s %16s %16s %16s %16s\n", "batch", "requests", "seconds", "UI", "web", "network",
                "total");
    std::vector<std::map<std::string, double>> samples = {SamplePss()};
    const auto printSample = [&](int index, long done, double seconds) {
      const auto& s = samples.back();
      std::printf("%-6d %10ld %9.1f", index, done, seconds);
      for (const std::string kind : {"UI", "web", "network", "total"})
        std::printf(" %7.1f (%6.1f)", s.at(kind), s.at(kind + " anon"));
      std::printf("\n");
      std::fflush(stdout);
    };
    printSample(0, 0, 0);
    long failures = 0;
    const auto start = std::chrono::steady_clock::now();
    for (int b = 1; b <= kBatches && status == 0; ++b) {
      const long first = (b - 1) * batch;
      const long end = b == kBatches ? total : b * batch;
      for (long n = first; n < end; n += kChunk) {
        const long count = std::min(kChunk, end - n);
        const std::string result =
            ts::CallPage(view, "const r = await window.__soak(" + std::to_string(n) + ", " + std::to_string(count) +
                                   "); return [r.failures, r.first];",
                         ts::TPageWait::Blocking, 10min);
        if (result.rfind("[0,", 0) == 0) continue;
        std::printf("requests %ld..%ld: %s\n", n, n + count - 1, result.substr(0, 300).c_str());
        if (result.rfind("[", 0) != 0) {
          status = 1;
          break;
        }
        failures += std::atol(result.c_str() + 1);
      }
      // Let replies still on their way and freed page memory settle before the reading.
      ts::RunFor(500ms);
      samples.push_back(SamplePss());
      printSample(b, end, std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    }
    if (status == 0) {
      std::vector<double> x;
      std::map<std::string, std::vector<double>> y;
      for (int b = kFirstFittedBatch; b <= kBatches; ++b) {
        x.push_back(b);
        for (const auto& [kind, value] : samples[static_cast<std::size_t>(b)]) y[kind].push_back(value);
      }
      const double per10k = 10000.0 / static_cast<double>(batch);
      std::printf("growth after warm-up (least squares over batches %d..%d, +- its standard error), "
                  "per 10 000 requests:\n",
                  kFirstFittedBatch, kBatches);
      for (const std::string kind : {"UI", "web", "network", "total"}) {
        const TLine all = FitLine(x, y[kind]);
        const TLine anon = FitLine(x, y[kind + " anon"]);
        std::printf("  %-8s PSS %+7.2f +- %.2f MiB, anonymous %+7.2f +- %.2f MiB\n", kind.c_str(),
                    all.slope * per10k, all.slopeError * per10k, anon.slope * per10k, anon.slopeError * per10k);
      }
      std::printf("mean time per request type (ms, in the page, from post to reply): %s\n",
                  ts::CallPage(view,
                               "return Object.entries(window.__soakTimes).map(([t, v]) => t + ' ' + "
                               "(v.ms / v.count).toFixed(2) + ' x' + v.count).join(', ');")
                      .c_str());
      std::printf("failed replies: %ld; diagnostic lines: %ld; window log lines: %zu\n", failures, debugLines,
                  client.Log().size());
      if (failures != 0) status = 1;
    }
  }
  ts::RunFor(300ms);
  if (!CheckFiles(photos, home / "Pictures" / "Soak")) status = 1;
  vantreel::SetDebugOutputSinkForTesting({});
  vantreel::SetAlarmPhotoDirForTesting(std::nullopt);
  return status;
}
