// The in-memory web application: a map from normalised paths to file bytes, filled once
// from the encrypted resource embedded in the executable, then only read. Created, loaded,
// queried and destroyed on the user-interface thread; no locks.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "crypto/Bytes.h"

namespace vantreel {

using TWebBundleLogProc = std::function<void(const std::string& message)>;

// Where a load finds its ciphertext and the digest it must have. The product reads the
// executable's own resource and the digest compiled in beside it; tests and tools pass
// other bytes. The bytes must stay valid for as long as a load runs.
struct TWebBundleSource {
  std::function<std::optional<ByteView>()> FindResource;
  std::string ExpectedSha256;  // empty or 64 "0" digits: no check
};

// The resource "APP_WEB_ZIP" of this executable and its compiled-in digest.
TWebBundleSource EmbeddedWebBundleSource();

class TWebAppBundle {
 public:
  explicit TWebAppBundle(TWebBundleLogProc logProc);
  TWebAppBundle(TWebBundleLogProc logProc, TWebBundleSource source);
  virtual ~TWebAppBundle();
  TWebAppBundle(const TWebAppBundle&) = delete;
  TWebAppBundle& operator=(const TWebAppBundle&) = delete;

  bool Loaded() const { return FLoaded; }

  // Reads, verifies, decrypts and unpacks the resource; throws with a message fit to show.
  void LoadFromResource();

  // The file for a request URL (or bare path), or the entry page for any miss. The bytes are
  // shared, never copied or changed. On false both outputs are empty.
  bool TryGetFile(std::string_view url, std::shared_ptr<const TBytes>& content, std::string& mimeType) const;

  std::string BuildEntryUrl() const;

  // Every stored file by key, in key order (for tools that list a bundle).
  std::vector<std::pair<std::string, std::shared_ptr<const TBytes>>> Files() const;

 private:
  void Log(const std::string& message) const;
  void EnsureFilesLoaded() const;
  void VerifyDigest(ByteView resource) const;
  void UnpackArchive(ByteView archive);

  TWebBundleLogProc FLogProc;
  std::unordered_map<std::string, std::shared_ptr<const TBytes>> FFileMap;
  bool FLoaded = false;
  TWebBundleSource FSource;
};

}  // namespace vantreel
