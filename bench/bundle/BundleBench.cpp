// Loading and lookup costs of the web bundle on a generated 20 MB / 500-file application:
// LoadFromResource against the same work done straight with OpenSSL and zlib (also in
// alternating pairs, whose ratio a busy machine moves far less), our SHA-256 against
// OpenSSL's, TryGetFile per lookup, and the extra memory a load holds at its peak.
#include <benchmark/benchmark.h>
#include <malloc.h>
#include <openssl/evp.h>
#include <openssl/sha.h>
#include <time.h>
#include <zlib.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <new>
#include <random>
#include <string>
#include <vector>

#include "bundle/BundleConstants.h"
#include "bundle/BundleCrypto.h"
#include "bundle/BundleOrigin.h"
#include "bundle/UWebAppBundle.h"
#include "crypto/Sha256.h"
#include "tools/packer/BundlePacker.h"
#include "tools/packer/ZipWriter.h"

// Every operator new of the process is counted, so that a load's peak can be read off.
namespace {
std::atomic<std::size_t> gLiveBytes{0};
std::atomic<std::size_t> gPeakBytes{0};

void* CountedAlloc(std::size_t size) {
  void* p = std::malloc(size ? size : 1);
  if (!p) throw std::bad_alloc();
  const std::size_t live = gLiveBytes += malloc_usable_size(p);
  std::size_t peak = gPeakBytes.load();
  while (live > peak && !gPeakBytes.compare_exchange_weak(peak, live)) {
  }
  return p;
}

void CountedFree(void* p) {
  if (!p) return;
  gLiveBytes -= malloc_usable_size(p);
  std::free(p);
}
}  // namespace

void* operator new(std::size_t size) { return CountedAlloc(size); }
void* operator new[](std::size_t size) { return CountedAlloc(size); }
void operator delete(void* p) noexcept { CountedFree(p); }
void operator delete[](void* p) noexcept { CountedFree(p); }
void operator delete(void* p, std::size_t) noexcept { CountedFree(p); }
void operator delete[](void* p, std::size_t) noexcept { CountedFree(p); }

namespace vantreel {
namespace {

constexpr std::size_t kFiles = 500;
constexpr std::size_t kTotalBytes = 20u << 20;

// Three files in five are text (scripts, styles, pages: deflate well), two are binary
// (images, fonts: stored), with sizes spread around the mean.
std::vector<TZipSource> GenerateApp() {
  std::mt19937_64 random(2024);
  static const char* kWords[] = {"function", "return", "const", "this.", "=>", "{", "}", "(", ")", ";",
                                 "document", "window", "class", "await", "div", "span", "style", "0px",
                                 "color", "var(--x)", "import", "export", "if", "else", "\n", "  "};
  std::vector<TZipSource> files;
  files.push_back({"index.html", {}});
  for (std::size_t i = 1; i < kFiles; ++i) {
    const bool text = i % 5 < 3;
    files.push_back({(text ? "js/module" : "img/picture") + std::to_string(i) + (text ? ".js" : ".png"), {}});
  }
  const std::size_t mean = kTotalBytes / kFiles;
  for (TZipSource& file : files) {
    const std::size_t size = mean / 2 + random() % mean;
    const bool text = !file.name.ends_with(".png");
    file.data.reserve(size + 16);
    while (file.data.size() < size) {
      if (text) {
        const char* word = kWords[random() % std::size(kWords)];
        file.data.insert(file.data.end(), word, word + std::strlen(word));
        file.data.push_back(' ');
      } else {
        file.data.push_back(static_cast<std::uint8_t>(random()));
      }
    }
  }
  return files;
}

struct TFixture {
  TFixture() {
    const std::vector<TZipSource> app = GenerateApp();
    for (const TZipSource& file : app) plainBytes += file.data.size();
    archiveBytes = WriteZip(app).size();
    cipher = EncryptBundle(WriteZip(app));
    digest = Sha256Hex(cipher);
    for (const TZipSource& file : app) urls.push_back(std::string(kBundleOriginPrefix) + file.name);
    urls.push_back(std::string(kBundleOriginPrefix) + "route/not/in/bundle");
  }
  TBytes cipher;
  std::string digest;
  std::size_t plainBytes = 0;
  std::size_t archiveBytes = 0;
  std::vector<std::string> urls;
};

const TFixture& Fixture() {
  static const TFixture fixture;
  return fixture;
}

TWebBundleSource FixtureSource() {
  return {[] { return std::optional<TByteView>(Fixture().cipher); }, Fixture().digest};
}

void Quiet(const std::string&) {}

void LoadOnce() {
  TWebAppBundle bundle(Quiet, FixtureSource());
  bundle.LoadFromResource();
  benchmark::DoNotOptimize(bundle.Loaded());
}

void BM_LoadFromResource(benchmark::State& state) {
  const TFixture& fixture = Fixture();
  for (auto _ : state) LoadOnce();
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * fixture.cipher.size()));
}

std::uint32_t Le32(const TBytes& b, std::size_t at) {
  return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | (std::uint32_t(b[at + 3]) << 24);
}

// The same work with the libraries called directly and no checks beyond the digest.
void BaselineOnce() {
  const TFixture& fixture = Fixture();
  static const TBytes salt = HexToBytes(BundleSaltHex);
  static const TBytes iv = HexToBytes(BundleIvHex);
  std::uint8_t digest[32];
  SHA256(fixture.cipher.data(), fixture.cipher.size(), digest);
  benchmark::DoNotOptimize(digest);
  std::uint8_t key[32];
  PKCS5_PBKDF2_HMAC(BundlePassword.data(), static_cast<int>(BundlePassword.size()), salt.data(),
                    static_cast<int>(salt.size()), BundleIterations, EVP_sha256(), 32, key);
  EVP_CIPHER_CTX* ctx = EVP_CIPHER_CTX_new();
  EVP_DecryptInit_ex(ctx, EVP_aes_256_cbc(), nullptr, key, iv.data());
  TBytes plain(fixture.cipher.size() + 16);
  int n = 0, tail = 0;
  EVP_DecryptUpdate(ctx, plain.data(), &n, fixture.cipher.data(), static_cast<int>(fixture.cipher.size()));
  EVP_DecryptFinal_ex(ctx, plain.data() + n, &tail);
  EVP_CIPHER_CTX_free(ctx);
  plain.resize(static_cast<std::size_t>(n + tail));

  std::map<std::string, TBytes> files;
  const std::size_t end = plain.size() - 22;
  std::size_t at = Le32(plain, end + 16);
  for (std::size_t i = 0, count = plain[end + 10] | (plain[end + 11] << 8); i < count; ++i) {
    const std::uint16_t method = plain[at + 10] | (plain[at + 11] << 8);
    const std::uint32_t packed = Le32(plain, at + 20), size = Le32(plain, at + 24), local = Le32(plain, at + 42);
    const std::size_t nameLength = plain[at + 28] | (plain[at + 29] << 8);
    const std::size_t skip = nameLength + (plain[at + 30] | (plain[at + 31] << 8)) + (plain[at + 32] | (plain[at + 33] << 8));
    const std::size_t data = local + 30 + (plain[local + 26] | (plain[local + 27] << 8)) + (plain[local + 28] | (plain[local + 29] << 8));
    TBytes out(size);
    if (method == 0) {
      std::copy_n(plain.begin() + static_cast<std::ptrdiff_t>(data), size, out.begin());
    } else {
      z_stream z{};
      inflateInit2(&z, -MAX_WBITS);
      z.next_in = plain.data() + data;
      z.avail_in = packed;
      z.next_out = out.data();
      z.avail_out = size;
      inflate(&z, Z_FINISH);
      inflateEnd(&z);
    }
    files.emplace(std::string(reinterpret_cast<const char*>(&plain[at + 46]), nameLength), std::move(out));
    at += 46 + skip;
  }
  benchmark::DoNotOptimize(files.size());
}

void BM_BaselineOpenSslZlib(benchmark::State& state) {
  for (auto _ : state) BaselineOnce();
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * Fixture().cipher.size()));
}

double ThreadCpuSeconds() {
  timespec now{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

template <typename F>
double CpuSecondsOf(F work) {
  const double start = ThreadCpuSeconds();
  work();
  return ThreadCpuSeconds() - start;
}

constexpr int kPairs = 61;

struct TPairFigures {
  double median = 0, low = 0, high = 0, q1 = 0, q3 = 0;
  bool done = false;
} gPairs;

// Load and baseline one right after the other, the order swapped each pair, so that a
// neighbour's burst on the machine falls on both sides of a ratio alike.
void BM_LoadOverBaselinePairs(benchmark::State& state) {
  std::vector<double> ratios;
  for (auto _ : state) {
    LoadOnce();
    BaselineOnce();  // one unmeasured pair: caches and the allocator settle
    for (int i = 0; i < kPairs; ++i) {
      double load = 0, baseline = 0;
      if (i % 2 == 0) {
        load = CpuSecondsOf(LoadOnce);
        baseline = CpuSecondsOf(BaselineOnce);
      } else {
        baseline = CpuSecondsOf(BaselineOnce);
        load = CpuSecondsOf(LoadOnce);
      }
      ratios.push_back(load / baseline);
    }
    state.SetIterationTime(1);
  }
  std::sort(ratios.begin(), ratios.end());
  const auto at = [&](double q) { return ratios[static_cast<std::size_t>(q * static_cast<double>(ratios.size() - 1) + 0.5)]; };
  gPairs = {at(0.5), ratios.front(), ratios.back(), at(0.25), at(0.75), true};
  state.counters["ratio_median"] = gPairs.median;
  state.counters["ratio_min"] = gPairs.low;
  state.counters["ratio_max"] = gPairs.high;
  state.counters["pairs"] = kPairs;
}

void BM_Sha256Ours(benchmark::State& state) {
  const TBytes& data = Fixture().cipher;
  for (auto _ : state) benchmark::DoNotOptimize(ComputeSha256(data));
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * data.size()));
}

void BM_Sha256OpenSsl(benchmark::State& state) {
  const TBytes& data = Fixture().cipher;
  std::uint8_t digest[32];
  for (auto _ : state) {
    SHA256(data.data(), data.size(), digest);
    benchmark::DoNotOptimize(digest);
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * data.size()));
}

void BM_TryGetFile(benchmark::State& state) {
  const TFixture& fixture = Fixture();
  TWebAppBundle bundle(Quiet, FixtureSource());
  bundle.LoadFromResource();
  std::shared_ptr<const TBytes> content;
  std::string mime;
  std::size_t i = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(bundle.TryGetFile(fixture.urls[i], content, mime));
    if (++i == fixture.urls.size()) i = 0;
  }
}

void BM_LoadPeakMemory(benchmark::State& state) {
  const TFixture& fixture = Fixture();
  std::size_t peakExtra = 0, resident = 0;
  for (auto _ : state) {
    const std::size_t before = gLiveBytes.load();
    gPeakBytes = before;
    auto bundle = std::make_unique<TWebAppBundle>(Quiet, FixtureSource());
    bundle->LoadFromResource();
    peakExtra = gPeakBytes.load() - before;
    resident = gLiveBytes.load() - before;
  }
  constexpr double kMiB = 1024.0 * 1024.0;
  state.counters["peak_extra_MiB"] = peakExtra / kMiB;
  state.counters["kept_MiB"] = resident / kMiB;
  state.counters["cipher_MiB"] = fixture.cipher.size() / kMiB;
  state.counters["archive_MiB"] = fixture.archiveBytes / kMiB;
  state.counters["files_MiB"] = fixture.plainBytes / kMiB;
}

BENCHMARK(BM_LoadFromResource)->Unit(benchmark::kMillisecond)->MinTime(3);
BENCHMARK(BM_BaselineOpenSslZlib)->Unit(benchmark::kMillisecond)->MinTime(3);
BENCHMARK(BM_LoadOverBaselinePairs)->UseManualTime()->Unit(benchmark::kSecond)->Iterations(1);
BENCHMARK(BM_Sha256Ours)->Unit(benchmark::kMillisecond)->MinTime(2);
BENCHMARK(BM_Sha256OpenSsl)->Unit(benchmark::kMillisecond)->MinTime(2);
BENCHMARK(BM_TryGetFile);
BENCHMARK(BM_LoadPeakMemory)->Unit(benchmark::kMillisecond)->Iterations(1);

// Prints the ratios the targets are stated in, from the same run's figures.
class TRatioReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& run : runs) {
      // With repetitions, the median stands for the benchmark.
      if (run.run_type == Run::RT_Aggregate && run.aggregate_name != "median") continue;
      const std::string& name = run.run_name.function_name;
      FSeconds[name] = run.GetAdjustedCPUTime();
      if (auto bytes = run.counters.find("bytes_per_second"); bytes != run.counters.end()) FRate[name] = bytes->second;
    }
    ConsoleReporter::ReportRuns(runs);
  }
  void Finalize() override {
    ConsoleReporter::Finalize();
    const auto time = [&](const char* name) { return FSeconds.count(name) ? FSeconds[name] : 0.0; };
    const auto rate = [&](const char* name) { return FRate.count(name) ? FRate[name] : 0.0; };
    if (time("BM_BaselineOpenSslZlib") > 0) {
      std::printf("load / baseline CPU time, separate runs: %.3f\n",
                  time("BM_LoadFromResource") / time("BM_BaselineOpenSslZlib"));
    }
    if (gPairs.done) {
      std::printf("load / baseline CPU time, %d alternating pairs: median %.3f, quartiles %.3f-%.3f, range %.3f-%.3f "
                  "(target <= 1.10 by the median: %s)\n",
                  kPairs, gPairs.median, gPairs.q1, gPairs.q3, gPairs.low, gPairs.high,
                  gPairs.median <= 1.10 ? "met" : "MISSED");
    }
    if (rate("BM_Sha256OpenSsl") > 0) {
      std::printf("SHA-256 ours %.0f MB/s, OpenSSL %.0f MB/s, ratio %.3f (target >= 0.9)\n",
                  rate("BM_Sha256Ours") / 1e6, rate("BM_Sha256OpenSsl") / 1e6,
                  rate("BM_Sha256Ours") / rate("BM_Sha256OpenSsl"));
    }
    if (time("BM_TryGetFile") > 0) std::printf("TryGetFile: %.0f ns per lookup (target <= 300)\n", time("BM_TryGetFile"));
  }

 private:
  std::map<std::string, double> FSeconds;
  std::map<std::string, double> FRate;
};

}  // namespace
}  // namespace vantreel

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  vantreel::TRatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
  return 0;
}
