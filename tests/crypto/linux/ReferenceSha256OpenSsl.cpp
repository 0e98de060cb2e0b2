#include <openssl/sha.h>

#include "tests/crypto/ReferenceSha256.h"

namespace vantreel::test {

TSha256Digest ReferenceSha256(TByteView data) {
  TSha256Digest digest;
  SHA256(data.data(), data.size(), digest.data());
  return digest;
}

}  // namespace vantreel::test
