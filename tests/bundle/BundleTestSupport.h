// Shared pieces of the bundle tests: temporary folders, reading files, and bundles built on
// the fly with the packer's own zip writer and encryption.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <fstream>
#include <iterator>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

#include "bundle/UWebAppBundle.h"
#include "tools/packer/BundlePacker.h"
#include "tools/packer/ZipWriter.h"

namespace vantreel::test {

// CNG refuses a ciphertext that is not whole blocks when asked for the output size; OpenSSL
// finds it only at the end of the decryption.
#ifdef _WIN32
inline const std::string kNotWholeBlocksFailure = "BCryptDecrypt(size) 失败: 0x";
#else
inline const std::string kNotWholeBlocksFailure = "BCryptDecrypt 失败: 0x";
#endif

// The message of the error that `action` raises, or "" when it raises none.
inline std::string ErrorOf(const std::function<void()>& action) {
  try {
    action();
  } catch (const std::runtime_error& error) {
    return error.what();
  }
  return "";
}

class TTempDir {
 public:
  TTempDir() {
    std::random_device random;
    for (int attempt = 0; attempt < 16 && FPath.empty(); ++attempt) {
      std::filesystem::path candidate = std::filesystem::temp_directory_path() /
                                        ("vantreel-bundle-" + std::to_string(random()) + std::to_string(random()));
      if (std::filesystem::create_directory(candidate)) FPath = candidate;
    }
    if (FPath.empty()) throw std::runtime_error("no temporary folder");
  }
  ~TTempDir() { std::filesystem::remove_all(FPath); }
  TTempDir(const TTempDir&) = delete;
  TTempDir& operator=(const TTempDir&) = delete;
  const std::filesystem::path& path() const { return FPath; }

 private:
  std::filesystem::path FPath;
};

inline TBytes ReadFileBytes(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return TBytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void WriteFileText(const std::filesystem::path& path, std::string_view text) {
  std::filesystem::create_directories(path.parent_path());
  std::ofstream(path, std::ios::binary).write(text.data(), static_cast<std::streamsize>(text.size()));
}

inline TBytes Bytes(std::string_view text) { return TBytes(text.begin(), text.end()); }

inline std::string Text(const TBytes& bytes) { return std::string(bytes.begin(), bytes.end()); }

// Zip entries from (name, text) pairs.
inline std::vector<TZipSource> Entries(std::initializer_list<std::pair<std::string, std::string>> files) {
  std::vector<TZipSource> entries;
  for (const auto& [name, text] : files) entries.push_back({name, Bytes(text)});
  return entries;
}

// A bundle over caller-owned ciphertext, recording its log lines.
struct TTestBundle {
  explicit TTestBundle(TBytes cipherBytes, std::string expectedSha256 = "")
      : cipher(std::move(cipherBytes)),
        bundle([this](const std::string& line) { log.push_back(line); },
               TWebBundleSource{[this] { return std::optional<TByteView>(cipher); }, std::move(expectedSha256)}) {}

  // The message of the load's exception, or "" when it loaded.
  std::string Load() {
    try {
      bundle.LoadFromResource();
      return "";
    } catch (const std::runtime_error& error) {
      return error.what();
    }
  }

  TBytes cipher;
  std::vector<std::string> log;
  TWebAppBundle bundle;
};

}  // namespace vantreel::test
