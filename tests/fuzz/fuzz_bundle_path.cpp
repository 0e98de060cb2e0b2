// Normalisation and lookup on arbitrary URLs against a loaded bundle: every key is a valid
// map key, and a loaded bundle with an entry page answers every URL.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "bundle/BundlePath.h"
#include "bundle/UWebAppBundle.h"
#include "tools/packer/BundlePacker.h"
#include "tools/packer/ZipWriter.h"

namespace {

vantreel::TWebAppBundle& LoadedBundle() {
  using namespace vantreel;
  static const TBytes cipher = EncryptBundle(WriteZip({
      {"index.html", {'<', 'p', '>'}},
      {"assets/app.js", {'x'}},
      {"Img\\Logo.PNG", {'p'}},
  }));
  static TWebAppBundle bundle([](const std::string&) {},
                              TWebBundleSource{[] { return std::optional<TByteView>(cipher); }, ""});
  if (!bundle.Loaded()) bundle.LoadFromResource();
  return bundle;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace vantreel;
  const std::string url(reinterpret_cast<const char*>(data), size);
  const std::string key = NormalizeBundlePath(url);
  if (key.empty() || key.find_first_of("?#\\") != std::string::npos) __builtin_trap();
  for (char c : key) {
    if (c >= 'A' && c <= 'Z') __builtin_trap();
  }
  if (MimeTypeForPath(key).empty()) __builtin_trap();

  std::shared_ptr<const TBytes> content;
  std::string mime;
  if (!LoadedBundle().TryGetFile(url, content, mime) || !content || mime.empty()) __builtin_trap();
  return 0;
}
