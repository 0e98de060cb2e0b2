// The in-memory web application: a map from normalised paths to file bytes, filled once
// from the encrypted resource embedded in the executable, then only read.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>

#include "crypto/Bytes.h"

namespace vantreel {

using TWebBundleLogProc = std::function<void(const std::string& message)>;

class TWebAppBundle {
 public:
  explicit TWebAppBundle(TWebBundleLogProc logProc);
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

 private:
  void Log(const std::string& message) const;
  void EnsureFilesLoaded() const;

  TWebBundleLogProc FLogProc;
  std::unordered_map<std::string, std::shared_ptr<const TBytes>> FFileMap;
  bool FLoaded = false;
};

}  // namespace vantreel
