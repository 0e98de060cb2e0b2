#include <openssl/sha.h>

#include "tests/crypto/ReferenceSha256.h"

namespace vantreel::test {

Sha256Digest ReferenceSha256(ByteView data) {
  Sha256Digest digest;
  SHA256(data.data(), data.size(), digest.data());
  return digest;
}

}  // namespace vantreel::test
