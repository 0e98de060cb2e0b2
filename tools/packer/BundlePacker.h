// Packs a web application folder into the bundle resource: a deterministic zip archive with
// "index.html" at its root, encrypted with the bundle's fixed key, salt and IV, so that the
// same folder always gives the same ciphertext and digest.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "base/Bytes.h"
#include "tools/packer/ZipWriter.h"

namespace vantreel {

// The folder's regular files, named relative to it with "/" and sorted bytewise. Refuses a
// folder without "index.html", a file that would not be served under its own name, and two
// names that normalise to the same key.
std::vector<TZipSource> CollectWebFolder(const std::filesystem::path& folder);

// PBKDF2-HMAC-SHA-256 key and AES-256-CBC with the bundle's constants (the key is wiped).
TBytes EncryptBundle(TByteView archive);

struct TPackedBundle {
  TBytes cipherText;
  std::string sha256;  // lower-case hex of CipherText
  std::size_t fileCount = 0;
};

TPackedBundle PackWebFolder(const std::filesystem::path& folder);

// The generated header that compiles the digest into the program.
std::string DigestHeaderText(const std::string& digest);

}  // namespace vantreel
