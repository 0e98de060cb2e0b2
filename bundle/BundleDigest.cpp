#include "bundle/BundleDigest.h"

// Defined by the embedded bundle's generated source (see vantreel_embed_web_bundle). Weak,
// so that a program linking the bundle code without a bundle still links and reports the
// bundle as missing.
extern "C" {
extern const char vantreel_app_web_zip_sha256[] __attribute__((weak));
}

namespace vantreel {

std::string_view ExpectedBundleSha256() {
  const char* digest = vantreel_app_web_zip_sha256;
  return digest != nullptr ? std::string_view(digest) : std::string_view();
}

}  // namespace vantreel
