// vantreel-packer: builds the bundle resource from a web folder, and lists a built bundle
// through the client's own loading code.
//
//   vantreel-packer pack [--no-digest] WEB_DIR OUT_BIN OUT_HEADER
//   vantreel-packer list [--expect SHA256] FILE
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <stdexcept>
#include <string>
#include <vector>

#include "bundle/BundleCrypto.h"
#include "bundle/BundlePath.h"
#include "bundle/UWebAppBundle.h"
#include "tools/packer/BundlePacker.h"

namespace fs = std::filesystem;
using namespace vantreel;

namespace {

constexpr const char* kUsage =
    "usage: vantreel-packer pack [--no-digest] WEB_DIR OUT_BIN OUT_HEADER\n"
    "       vantreel-packer list [--expect SHA256] FILE\n";

// Temporary file then rename, so that a build never sees half a bundle.
void WriteFileAtomically(const fs::path& path, const char* data, std::size_t size) {
  if (path.has_parent_path()) fs::create_directories(path.parent_path());
  const fs::path temporary = path.string() + ".tmp";
  {
    std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
    out.write(data, static_cast<std::streamsize>(size));
    out.flush();
    if (!out) throw std::runtime_error("cannot write " + temporary.string());
  }
  fs::rename(temporary, path);
}

int Pack(const std::vector<std::string>& args) {
  bool digest = true;
  std::vector<std::string> paths;
  for (const std::string& arg : args) {
    if (arg == "--no-digest") {
      digest = false;
    } else {
      paths.push_back(arg);
    }
  }
  if (paths.size() != 3) throw std::invalid_argument(kUsage);
  const TPackedBundle packed = PackWebFolder(paths[0]);
  WriteFileAtomically(paths[1], reinterpret_cast<const char*>(packed.cipherText.data()), packed.cipherText.size());
  const std::string header = DigestHeaderText(digest ? packed.sha256 : std::string());
  WriteFileAtomically(paths[2], header.data(), header.size());
  std::printf("packed %zu files, %zu bytes, sha256 %s%s\n", packed.fileCount, packed.cipherText.size(),
              packed.sha256.c_str(), digest ? "" : " (digest check off)");
  return 0;
}

int List(const std::vector<std::string>& args) {
  std::string expected;
  std::string file;
  for (std::size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "--expect" && i + 1 < args.size()) {
      expected = args[++i];
    } else if (file.empty()) {
      file = args[i];
    } else {
      throw std::invalid_argument(kUsage);
    }
  }
  if (file.empty()) throw std::invalid_argument(kUsage);
  std::ifstream in(file, std::ios::binary);
  if (!in) throw std::runtime_error("cannot read " + file);
  const TBytes cipher((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());

  TWebAppBundle bundle([](const std::string& line) { std::fprintf(stderr, "%s\n", line.c_str()); },
                       TWebBundleSource{[&] { return std::optional<TByteView>(cipher); }, expected});
  bundle.LoadFromResource();
  std::printf("sha256 %s\n", Sha256Hex(cipher).c_str());
  for (const auto& [key, content] : bundle.Files()) {
    std::printf("%s\t%zu\t%.*s\n", key.c_str(), content->size(), static_cast<int>(MimeTypeForPath(key).size()),
                MimeTypeForPath(key).data());
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::string> args(argv + std::min(argc, 2), argv + argc);
  const std::string command = argc > 1 ? argv[1] : "";
  try {
    if (command == "pack") return Pack(args);
    if (command == "list") return List(args);
    if (command == "--help" || command == "-h") {
      std::fputs(kUsage, stdout);
      return 0;
    }
    throw std::invalid_argument(kUsage);
  } catch (const std::invalid_argument& usage) {
    std::fputs(usage.what(), stderr);
    return 2;
  } catch (const std::exception& error) {
    std::fprintf(stderr, "vantreel-packer: %s\n", error.what());
    return 1;
  }
}
