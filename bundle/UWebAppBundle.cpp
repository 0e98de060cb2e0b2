#include "bundle/UWebAppBundle.h"

#include <algorithm>
#include <exception>
#include <functional>
#include <stdexcept>
#include <stop_token>
#include <system_error>
#include <thread>
#include <unordered_map>
#include <vector>

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

using TFileMap = std::unordered_map<std::string, std::shared_ptr<const TBytes>>;
using TLogLine = std::function<void(std::string line)>;

std::string NormalizedDigest(std::string_view digest) {
  return AsciiLowered(TrimBlanks(digest));
}

// Thrown inside a load whose owner asked it to stop; never leaves the worker.
struct TLoadStopped {};

void ThrowIfStopped(const std::stop_token& stop) {
  if (stop.stop_requested()) throw TLoadStopped{};
}

void VerifyDigest(TByteView resource, std::string_view expectedSha256) {
  const std::string expected = NormalizedDigest(expectedSha256);
  if (expected.empty() || expected == std::string(64, '0')) return;
  const std::string actual = Sha256Hex(resource);
  if (expected != actual) {
    throw std::runtime_error("资源包 SHA256 校验失败，expected=" + expected + ", actual=" + actual);
  }
}

// The archive is read straight from the plaintext buffer: a stream copy of it would change
// nothing but the memory peak.
TFileMap UnpackArchive(TByteView archive, const std::stop_token& stop) {
  TFileMap files;
  // An empty resource decrypts to nothing, which counts as an archive without files; the
  // load then fails on the file count rather than on the container.
  if (archive.empty()) return files;
  const TZipArchive zip(archive);
  for (const TZipEntry& entry : zip.Entries()) {
    ThrowIfStopped(stop);
    std::string mapKey = NormalizeBundlePath(entry.name);
    if (mapKey.back() == '/') continue;
    // Read "by name": the first entry whose name matches ignoring ASCII case, which is not
    // always this one (A.js then a.js both give A.js's bytes).
    const TZipEntry& source = zip.Entries()[entry.firstOfName];
    files.insert_or_assign(std::move(mapKey), std::make_shared<const TBytes>(zip.Read(source)));
  }
  return files;
}

// One whole load, from the resource to the file map, on whichever thread runs it. Writes
// its lines through `log` as it goes and throws a message fit to show.
TFileMap LoadBundleFiles(const TWebBundleSource& source, const TLogLine& log, const std::stop_token& stop) {
  // The resource is read where it lies: it stays mapped for the life of the process, so a
  // byte-array copy would only hold the ciphertext twice.
  const std::optional<TByteView> found = source.findResource ? source.findResource() : std::nullopt;
  if (!found) {
    throw std::runtime_error("未找到 Web 资源包，请先运行 scripts/build-webview2-resource 并确保资源已编译进 EXE。");
  }
  const TByteView resource = *found;

  VerifyDigest(resource, source.expectedSha256);
  log("[WEB_BUNDLE] 资源包 SHA256 校验成功。");

  ThrowIfStopped(stop);
  const TBytes salt = HexToBytes(BundleSaltHex);
  TBytes iv = HexToBytes(BundleIvHex);
  TWipeOnExit wipeIv(iv);
  TBytes key = DeriveKeyPbkdf2Sha256(BundlePassword, salt, BundleIterations);
  TBytes plain;
  {
    TWipeOnExit wipeKey(key);
    ThrowIfStopped(stop);
    plain = AesCbcDecrypt(resource, key, iv);
  }
  log("[WEB_BUNDLE] 资源包解密完成。");

  TFileMap files = UnpackArchive(plain, stop);
  plain = TBytes();  // release the archive before the map is handed out

  if (files.empty()) throw std::runtime_error("资源包解压后文件数为 0，疑似构建流程异常。");
  log("[WEB_BUNDLE] 资源包加载完成，内存文件数 " + std::to_string(files.size()) + "。");
  return files;
}

}  // namespace

// What the worker leaves for the owner: written by the worker, read by the owner only after
// the join, which is all the synchronisation the two need.
struct TWebAppBundle::TPreparation {
  TFileMap files;
  std::vector<std::string> logLines;  // whole lines, "[WEB_BUNDLE] " included
  std::exception_ptr error;
  // Last, so that it is destroyed first: asks the load to stop and joins it before the
  // fields it writes go.
  std::jthread worker;
};

TWebBundleSource EmbeddedWebBundleSource() {
  return {[] { return FindAppResource(BundleResourceName); }, std::string(ExpectedBundleSha256())};
}

TWebAppBundle::TWebAppBundle(TWebBundleLogProc logProc) : TWebAppBundle(std::move(logProc), EmbeddedWebBundleSource()) {}

TWebAppBundle::TWebAppBundle(TWebBundleLogProc logProc, TWebBundleSource source)
    : FLogProc(std::move(logProc)), FSource(std::move(source)) {}

// A preparation still running is stopped and joined unseen: no log line, no error, nothing kept.
TWebAppBundle::~TWebAppBundle() = default;

void TWebAppBundle::WriteLogLine(const std::string& line) const {
  if (FLogProc) {
    FLogProc(line);
  } else {
    OutputDebugLine(line);
  }
}

void TWebAppBundle::StartPreparing() {
  if (FPreparation) return;
  auto preparation = std::make_unique<TPreparation>();
  try {
    // The source is copied: the worker shares nothing with this bundle but the record.
    preparation->worker = std::jthread([record = preparation.get(), source = FSource](std::stop_token stop) {
      // Nothing may leave the thread function: every error is the load's, for the owner.
      try {
        record->files = LoadBundleFiles(
            source, [record](std::string line) { record->logLines.push_back(std::move(line)); }, stop);
      } catch (const TLoadStopped&) {
        // The owner is going; it wants nothing.
      } catch (...) {
        record->error = std::current_exception();
      }
    });
  } catch (const std::system_error&) {
    return;  // no thread to be had: LoadFromResource does the work itself
  }
  FPreparation = std::move(preparation);
}

void TWebAppBundle::LoadFromResource() {
  FFileMap.clear();
  FLoaded = false;
  if (const std::unique_ptr<TPreparation> preparation = std::move(FPreparation)) {
    preparation->worker.join();
    for (const std::string& line : preparation->logLines) WriteLogLine(line);
    if (preparation->error) std::rethrow_exception(preparation->error);
    FFileMap = std::move(preparation->files);
  } else {
    FFileMap = LoadBundleFiles(FSource, [this](std::string line) { WriteLogLine(line); }, {});
  }
  FLoaded = true;
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
