// Compiled once per program that embeds a bundle, against that bundle's generated header:
// the digest the bundle code checks the embedded ciphertext against.
#include "BundleDigest.generated.h"

extern "C" const char vantreel_app_web_zip_sha256[] = VANTREEL_EXPECTED_BUNDLE_SHA256;
