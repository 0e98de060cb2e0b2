#include "bundle/UWebAppBundle.h"

#include <algorithm>
#include <exception>
#include <stdexcept>
#include <system_error>
#include <thread>

#include "base/AsciiText.h"
#include "bundle/BundleConstants.h"
#include "bundle/BundleCrypto.h"
#include "bundle/BundleDigest.h"
#include "bundle/BundleOrigin.h"
#include "bundle/BundlePath.h"
#include "bundle/zip/ZipArchive.h"
#include "crypto/Wipe.h"
#include "platform/AppResource.h"
#include "platform/DebugOutput.h"

namespace vantreel {
namespace {

std::string NormalizedDigest(std::string_view digest) {
  return AsciiLowered(TrimBlanks(digest));
}

// Thrown on the worker when its owner has gone; never leaves the worker.
struct TPreparationCancelled {};

}  // namespace

// What the worker leaves for the owner. The worker writes the fields, the owner reads them
// only after joining it; the join is the only synchronisation they need.
struct TWebAppBundle::TPreparation {
  std::atomic<bool> Cancelled{false};
  std::vector<std::string> LogLines;  // whole lines, "[WEB_BUNDLE] " included
  std::unordered_map<std::string, std::shared_ptr<const TBytes>> FileMap;
  bool Loaded = false;
  std::exception_ptr Error;
  std::thread Worker;
};

TWebBundleSource EmbeddedWebBundleSource() {
  return {[] { return FindAppResource(BundleResourceName); }, std::string(ExpectedBundleSha256())};
}

TWebAppBundle::TWebAppBundle(TWebBundleLogProc logProc) : TWebAppBundle(std::move(logProc), EmbeddedWebBundleSource()) {}

TWebAppBundle::TWebAppBundle(TWebBundleLogProc logProc, TWebBundleSource source)
    : FLogProc(std::move(logProc)), FSource(std::move(source)) {}

TWebAppBundle::~TWebAppBundle() {
  if (!FPreparation) return;
  // The result is dropped unseen: no log line, no error, nothing kept.
  FPreparation->Cancelled = true;
  FPreparation->Worker.join();
}

void TWebAppBundle::Log(const std::string& message) const { WriteLogLine("[WEB_BUNDLE] " + message); }

void TWebAppBundle::WriteLogLine(const std::string& line) const {
  if (FLogProc) {
    FLogProc(line);
  } else {
    OutputDebugLine(line);
  }
}

void TWebAppBundle::EnsureFilesLoaded() const {
  if (FFileMap.empty()) throw std::runtime_error("资源包解压后文件数为 0，疑似构建流程异常。");
}

void TWebAppBundle::StartPreparing() {
  if (FPreparation) return;
  auto preparation = std::make_unique<TPreparation>();
  TPreparation* shared = preparation.get();
  try {
    // The worker loads into a bundle of its own, so that it shares nothing with this one
    // but the preparation record; the source is copied for the same reason.
    preparation->Worker = std::thread([shared, source = FSource] {
      // Nothing may leave the thread function: every error is the load's, for the owner.
      try {
        TWebAppBundle worker([shared](const std::string& line) { shared->LogLines.push_back(line); }, source);
        worker.FCancelled = &shared->Cancelled;
        try {
          worker.LoadFromResource();
        } catch (const TPreparationCancelled&) {
          throw;
        } catch (...) {
          shared->Error = std::current_exception();
        }
        shared->FileMap = std::move(worker.FFileMap);
        shared->Loaded = worker.FLoaded;
      } catch (const TPreparationCancelled&) {
        // The owner is going; it wants nothing.
      } catch (...) {
        shared->Error = std::current_exception();
      }
    });
  } catch (const std::system_error&) {
    return;  // no thread to be had: LoadFromResource does the work itself
  }
  FPreparation = std::move(preparation);
}

void TWebAppBundle::ThrowIfCancelled() const {
  if (FCancelled && FCancelled->load(std::memory_order_relaxed)) throw TPreparationCancelled{};
}

void TWebAppBundle::TakePreparedLoad() {
  const std::unique_ptr<TPreparation> preparation = std::move(FPreparation);
  preparation->Worker.join();
  FFileMap = std::move(preparation->FileMap);
  FLoaded = preparation->Loaded;
  for (const std::string& line : preparation->LogLines) WriteLogLine(line);
  if (preparation->Error) std::rethrow_exception(preparation->Error);
}

void TWebAppBundle::LoadFromResource() {
  if (FPreparation) {
    TakePreparedLoad();
    return;
  }
  FFileMap.clear();
  FLoaded = false;

  // The resource is read where it lies: it stays mapped for the life of the process, so a
  // byte-array copy would only hold the ciphertext twice.
  const std::optional<TByteView> found = FSource.findResource ? FSource.findResource() : std::nullopt;
  if (!found) {
    throw std::runtime_error("未找到 Web 资源包，请先运行 scripts/build-webview2-resource 并确保资源已编译进 EXE。");
  }
  const TByteView resource = *found;

  VerifyDigest(resource);
  Log("资源包 SHA256 校验成功。");

  ThrowIfCancelled();
  const TBytes salt = HexToBytes(BundleSaltHex);
  TBytes iv = HexToBytes(BundleIvHex);
  TWipeOnExit wipeIv(iv);
  TBytes key = DeriveKeyPbkdf2Sha256(BundlePassword, salt, BundleIterations);
  TBytes plain;
  {
    TWipeOnExit wipeKey(key);
    ThrowIfCancelled();
    plain = AesCbcDecrypt(resource, key, iv);
  }
  Log("资源包解密完成。");

  UnpackArchive(plain);
  plain = TBytes();  // release the archive before the map is handed out

  EnsureFilesLoaded();
  FLoaded = true;
  Log("资源包加载完成，内存文件数 " + std::to_string(FFileMap.size()) + "。");
}

void TWebAppBundle::VerifyDigest(TByteView resource) const {
  const std::string expected = NormalizedDigest(FSource.expectedSha256);
  if (expected.empty() || expected == std::string(64, '0')) return;
  const std::string actual = Sha256Hex(resource);
  if (expected != actual) {
    throw std::runtime_error("资源包 SHA256 校验失败，expected=" + expected + ", actual=" + actual);
  }
}

// The archive is read straight from the plaintext buffer: a stream copy of it would change
// nothing but the memory peak.
void TWebAppBundle::UnpackArchive(TByteView archive) {
  // An empty resource decrypts to nothing, which counts as an archive without files; the
  // load then fails on the file count rather than on the container.
  if (archive.empty()) return;
  const TZipArchive zip(archive);
  for (const TZipEntry& entry : zip.Entries()) {
    ThrowIfCancelled();
    std::string mapKey = NormalizeBundlePath(entry.name);
    if (mapKey.back() == '/') continue;
    // Read "by name": the first entry whose name matches ignoring ASCII case, which is not
    // always this one (A.js then a.js both give A.js's bytes).
    const TZipEntry& source = zip.Entries()[entry.firstOfName];
    FFileMap.insert_or_assign(std::move(mapKey), std::make_shared<const TBytes>(zip.Read(source)));
  }
}

bool TWebAppBundle::TryGetFile(std::string_view url, std::shared_ptr<const TBytes>& content,
                               std::string& mimeType) const {
  content.reset();
  mimeType.clear();
  if (!FLoaded) return false;
  const std::string path = NormalizeBundlePath(url);
  if (const auto found = FFileMap.find(path); found != FFileMap.end()) {
    content = found->second;
    mimeType = MimeTypeForPath(path);
    return true;
  }
  if (const auto index = FFileMap.find("index.html"); index != FFileMap.end()) {
    content = index->second;
    mimeType = "text/html; charset=utf-8";
    return true;
  }
  return false;
}

std::string TWebAppBundle::BuildEntryUrl() const { return std::string(kBundleOriginPrefix); }

std::vector<std::pair<std::string, std::shared_ptr<const TBytes>>> TWebAppBundle::Files() const {
  std::vector<std::pair<std::string, std::shared_ptr<const TBytes>>> files(FFileMap.begin(), FFileMap.end());
  std::sort(files.begin(), files.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
  return files;
}

}  // namespace vantreel
