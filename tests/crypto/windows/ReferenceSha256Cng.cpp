#include <windows.h>
#include <bcrypt.h>

#include <stdexcept>

#include "tests/crypto/ReferenceSha256.h"

namespace vantreel::test {

TSha256Digest ReferenceSha256(TByteView data) {
  TSha256Digest digest;
  BCRYPT_ALG_HANDLE algorithm = nullptr;
  if (BCryptOpenAlgorithmProvider(&algorithm, BCRYPT_SHA256_ALGORITHM, nullptr, 0) != 0)
    throw std::runtime_error("BCryptOpenAlgorithmProvider failed");
  const NTSTATUS status = BCryptHash(algorithm, nullptr, 0, const_cast<PUCHAR>(data.data()),
                                     static_cast<ULONG>(data.size()), digest.data(), static_cast<ULONG>(digest.size()));
  BCryptCloseAlgorithmProvider(algorithm, 0);
  if (status != 0) throw std::runtime_error("BCryptHash failed");
  return digest;
}

}  // namespace vantreel::test
