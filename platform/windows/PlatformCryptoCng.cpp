// PBKDF2-HMAC-SHA-256 and AES-256-CBC through CNG (bcrypt), in the order of calls whose
// names the callers' messages carry. Every path closes what it opened and wipes the key
// object and the IV working copy.
#include <windows.h>
#include <bcrypt.h>

#include <vector>

#include "crypto/SecureZero.h"
#include "platform/PlatformCrypto.h"

namespace vantreel {
namespace {

struct TProvider {
  BCRYPT_ALG_HANDLE handle = nullptr;
  ~TProvider() {
    if (handle != nullptr) BCryptCloseAlgorithmProvider(handle, 0);
  }
};

struct TKey {
  BCRYPT_KEY_HANDLE handle = nullptr;
  std::vector<UCHAR> object;
  ~TKey() {
    if (handle != nullptr) BCryptDestroyKey(handle);
    SecureZero(object.data(), object.size());
  }
};

std::uint32_t Status(NTSTATUS status) { return static_cast<std::uint32_t>(status); }

using TCryptCall = NTSTATUS(WINAPI*)(BCRYPT_KEY_HANDLE, PUCHAR, ULONG, VOID*, PUCHAR, ULONG, PUCHAR, ULONG,
                                     ULONG*, ULONG);

// CNG would take a 16- or 24-byte key as AES-128 or AES-192; only AES-256 is meant here.
constexpr std::uint32_t kInvalidParameter = 0xC000000D;  // STATUS_INVALID_PARAMETER

TCryptoResult AesCbc(TCryptCall crypt, TByteView in, TByteView key, TByteView iv, TBytes& out) {
  out.clear();
  if (key.size() != 32) return {TCryptoStep::GenerateKey, kInvalidParameter};
  if (iv.size() != 16) return {TCryptoStep::CryptSize, kInvalidParameter};
  TProvider provider;
  NTSTATUS status = BCryptOpenAlgorithmProvider(&provider.handle, BCRYPT_AES_ALGORITHM, nullptr, 0);
  if (status != 0) {
    provider.handle = nullptr;
    return {TCryptoStep::OpenProvider, Status(status)};
  }
  // The value with its terminating zero, its size in bytes.
  const wchar_t mode[] = BCRYPT_CHAIN_MODE_CBC;
  status = BCryptSetProperty(provider.handle, BCRYPT_CHAINING_MODE,
                             reinterpret_cast<PUCHAR>(const_cast<wchar_t*>(mode)), sizeof mode, 0);
  if (status != 0) return {TCryptoStep::SetChainingMode, Status(status)};

  DWORD objectLength = 0;
  ULONG written = 0;
  status = BCryptGetProperty(provider.handle, BCRYPT_OBJECT_LENGTH, reinterpret_cast<PUCHAR>(&objectLength),
                             sizeof objectLength, &written, 0);
  if (status != 0) return {TCryptoStep::GetObjectLength, Status(status)};

  TKey keyObject;
  keyObject.object.resize(objectLength);
  status = BCryptGenerateSymmetricKey(provider.handle, &keyObject.handle, keyObject.object.data(), objectLength,
                                      const_cast<PUCHAR>(key.data()), static_cast<ULONG>(key.size()), 0);
  if (status != 0) {
    keyObject.handle = nullptr;
    return {TCryptoStep::GenerateKey, Status(status)};
  }

  // Each call advances the IV in place, so both start from a fresh copy.
  std::vector<UCHAR> ivCopy(iv.begin(), iv.end());
  TCryptoResult result;
  ULONG size = 0;
  status = crypt(keyObject.handle, const_cast<PUCHAR>(in.data()), static_cast<ULONG>(in.size()), nullptr,
                 ivCopy.data(), static_cast<ULONG>(ivCopy.size()), nullptr, 0, &size, BCRYPT_BLOCK_PADDING);
  if (status != 0) {
    result = {TCryptoStep::CryptSize, Status(status)};
  } else {
    out.resize(size);
    std::copy(iv.begin(), iv.end(), ivCopy.begin());
    ULONG produced = 0;
    status = crypt(keyObject.handle, const_cast<PUCHAR>(in.data()), static_cast<ULONG>(in.size()), nullptr,
                   ivCopy.data(), static_cast<ULONG>(ivCopy.size()), out.data(), size, &produced,
                   BCRYPT_BLOCK_PADDING);
    if (status != 0) {
      result = {TCryptoStep::Crypt, Status(status)};
      SecureZero(out.data(), out.size());
      out.clear();
    } else {
      out.resize(produced);
    }
  }
  SecureZero(ivCopy.data(), ivCopy.size());
  return result;
}

}  // namespace

TCryptoResult Pbkdf2HmacSha256(TByteView password, TByteView salt, std::uint32_t iterations,
                              std::uint8_t out[32]) {
  TProvider provider;
  NTSTATUS status =
      BCryptOpenAlgorithmProvider(&provider.handle, BCRYPT_SHA256_ALGORITHM, nullptr, BCRYPT_ALG_HANDLE_HMAC_FLAG);
  if (status != 0) {
    provider.handle = nullptr;
    SecureZero(out, 32);
    return {TCryptoStep::OpenProvider, Status(status)};
  }
  status = BCryptDeriveKeyPBKDF2(provider.handle, password.empty() ? nullptr : const_cast<PUCHAR>(password.data()),
                                 static_cast<ULONG>(password.size()),
                                 salt.empty() ? nullptr : const_cast<PUCHAR>(salt.data()),
                                 static_cast<ULONG>(salt.size()), iterations, out, 32, 0);
  if (status != 0) {
    SecureZero(out, 32);
    return {TCryptoStep::DeriveKey, Status(status)};
  }
  return {};
}

TCryptoResult AesCbcPkcs7Encrypt(TByteView plain, TByteView key, TByteView iv, TBytes& out) {
  return AesCbc(&BCryptEncrypt, plain, key, iv, out);
}

TCryptoResult AesCbcPkcs7Decrypt(TByteView cipher, TByteView key, TByteView iv, TBytes& out) {
  return AesCbc(&BCryptDecrypt, cipher, key, iv, out);
}

}  // namespace vantreel
