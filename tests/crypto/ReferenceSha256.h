// SHA-256 from the platform's own library (OpenSSL, CNG), the yardstick for ours.
#pragma once

#include "crypto/Sha256.h"

namespace vantreel::test {

TSha256Digest ReferenceSha256(TByteView data);

}  // namespace vantreel::test
