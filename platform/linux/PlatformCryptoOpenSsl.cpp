#include <openssl/err.h>
#include <openssl/evp.h>

#include <memory>

#include "crypto/SecureZero.h"
#include "platform/PlatformCrypto.h"

namespace vantreel {
namespace {

std::uint32_t LastError() {
  unsigned long code = ERR_get_error();
  ERR_clear_error();
  // An OpenSSL call may fail without queueing a reason; 1 still reads as a failure.
  return code ? static_cast<std::uint32_t>(code) : 1u;
}

struct TCtxFree {
  void operator()(EVP_CIPHER_CTX* ctx) const { EVP_CIPHER_CTX_free(ctx); }  // cleanses the key schedule
};

TCryptoResult AesCbc(bool encrypt, TByteView in, TByteView key, TByteView iv, TBytes& out) {
  out.clear();
  if (key.size() != 32) return {TCryptoStep::GenerateKey, 1};
  if (iv.size() != 16) return {TCryptoStep::CryptSize, 1};
  std::unique_ptr<EVP_CIPHER_CTX, TCtxFree> ctx(EVP_CIPHER_CTX_new());
  if (!ctx) return {TCryptoStep::OpenProvider, LastError()};
  std::uint8_t ivCopy[16];
  std::copy(iv.begin(), iv.end(), ivCopy);
  TCryptoResult result;
  if (EVP_CipherInit_ex(ctx.get(), EVP_aes_256_cbc(), nullptr, key.data(), ivCopy, encrypt ? 1 : 0) != 1) {
    result = {TCryptoStep::GenerateKey, LastError()};
  } else {
    out.resize(in.size() + 16);
    int written = 0;
    int tail = 0;
    if (EVP_CipherUpdate(ctx.get(), out.data(), &written, in.data(), static_cast<int>(in.size())) != 1) {
      result = {TCryptoStep::Crypt, LastError()};
    } else if (EVP_CipherFinal_ex(ctx.get(), out.data() + written, &tail) != 1) {
      result = {TCryptoStep::Crypt, LastError()};
    } else {
      out.resize(static_cast<std::size_t>(written + tail));
    }
    if (!result.ok()) {
      SecureZero(out.data(), out.size());
      out.clear();
    }
  }
  SecureZero(ivCopy, sizeof ivCopy);
  return result;
}

}  // namespace

TCryptoResult Pbkdf2HmacSha256(TByteView password, TByteView salt, std::uint32_t iterations,
                              std::uint8_t out[32]) {
  static const std::uint8_t kEmpty = 0;
  if (PKCS5_PBKDF2_HMAC(password.empty() ? reinterpret_cast<const char*>(&kEmpty)
                                         : reinterpret_cast<const char*>(password.data()),
                        static_cast<int>(password.size()), salt.empty() ? &kEmpty : salt.data(),
                        static_cast<int>(salt.size()), static_cast<int>(iterations), EVP_sha256(), 32,
                        out) != 1) {
    SecureZero(out, 32);
    return {TCryptoStep::DeriveKey, LastError()};
  }
  return {};
}

TCryptoResult AesCbcPkcs7Encrypt(TByteView plain, TByteView key, TByteView iv, TBytes& out) {
  return AesCbc(true, plain, key, iv, out);
}

TCryptoResult AesCbcPkcs7Decrypt(TByteView cipher, TByteView key, TByteView iv, TBytes& out) {
  return AesCbc(false, cipher, key, iv, out);
}

}  // namespace vantreel
