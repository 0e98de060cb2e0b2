// The in-memory web application: a map from normalised paths to file bytes, filled once
// from the encrypted resource embedded in the executable, then only read. Created, loaded,
// queried and destroyed on the user-interface thread; no locks. The one other thread is the
// optional preparation worker (StartPreparing), a std::jthread the bundle owns that runs the
// same load into a record of its own, which the owner reads after joining it.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "base/Bytes.h"

namespace vantreel {

using TWebBundleLogProc = std::function<void(const std::string& message)>;

// Where a load finds its ciphertext and the digest it must have. The product reads the
// executable's own resource and the digest compiled in beside it; tests and tools pass
// other bytes. The bytes must stay valid for as long as a load runs.
struct TWebBundleSource {
  std::function<std::optional<TByteView>()> findResource;
  std::string expectedSha256;  // empty or 64 "0" digits: no check
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
  // After StartPreparing it takes the prepared result instead, waiting for it if needed, and
  // only then writes the load's log lines and raises its error: the caller sees the same
  // lines, in the same place, and the same error as from a load run here.
  void LoadFromResource();

  // Runs the work of the next LoadFromResource on a worker thread now, so that the key
  // derivation and unpacking overlap whatever the caller does until then. Does nothing while
  // a preparation is pending; a thread that cannot be started leaves the load to run in
  // LoadFromResource. A bundle destroyed first stops the work at its next step and waits for
  // it, which costs at most the step under way (the key derivation being the longest).
  void StartPreparing();

  // The file for a request URL (or bare path), or the entry page for any miss. The bytes are
  // shared, never copied or changed. On false both outputs are empty.
  bool TryGetFile(std::string_view url, std::shared_ptr<const TBytes>& content, std::string& mimeType) const;

  std::string BuildEntryUrl() const;

  // Every stored file by key, in key order (for tools that list a bundle).
  std::vector<std::pair<std::string, std::shared_ptr<const TBytes>>> Files() const;

 private:
  struct TPreparation;

  void WriteLogLine(const std::string& line) const;

  TWebBundleLogProc FLogProc;
  std::unordered_map<std::string, std::shared_ptr<const TBytes>> FFileMap;
  bool FLoaded = false;
  TWebBundleSource FSource;
  std::unique_ptr<TPreparation> FPreparation;
};

}  // namespace vantreel
