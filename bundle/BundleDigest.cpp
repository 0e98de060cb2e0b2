#include "bundle/BundleDigest.h"

// Defined by the embedded bundle's generated source (see vantreel_embed_web_bundle), or else
// by the empty default in DefaultBundleDigest.cpp, which the linker takes from the archive
// only when nothing else defined it. Not visible here, so no compiler folds the default in.
extern "C" const char vantreel_app_web_zip_sha256[];

namespace vantreel {

std::string_view ExpectedBundleSha256() { return std::string_view(vantreel_app_web_zip_sha256); }

}  // namespace vantreel
