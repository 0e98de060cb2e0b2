#include "crypto/Sha256.h"

#include <algorithm>
#include <atomic>
#include <cstring>

#include "crypto/SecureZero.h"

#if defined(__x86_64__) || defined(__i386__)
#include <cpuid.h>
#include <immintrin.h>
#define VANTREEL_SHA256_X86 1
#endif

namespace vantreel {
namespace {

constexpr std::uint32_t kRound[64] = {
    0x428a2f98, 0x71374491, 0xb5c0fbcf, 0xe9b5dba5, 0x3956c25b, 0x59f111f1, 0x923f82a4, 0xab1c5ed5,
    0xd807aa98, 0x12835b01, 0x243185be, 0x550c7dc3, 0x72be5d74, 0x80deb1fe, 0x9bdc06a7, 0xc19bf174,
    0xe49b69c1, 0xefbe4786, 0x0fc19dc6, 0x240ca1cc, 0x2de92c6f, 0x4a7484aa, 0x5cb0a9dc, 0x76f988da,
    0x983e5152, 0xa831c66d, 0xb00327c8, 0xbf597fc7, 0xc6e00bf3, 0xd5a79147, 0x06ca6351, 0x14292967,
    0x27b70a85, 0x2e1b2138, 0x4d2c6dfc, 0x53380d13, 0x650a7354, 0x766a0abb, 0x81c2c92e, 0x92722c85,
    0xa2bfe8a1, 0xa81a664b, 0xc24b8b70, 0xc76c51a3, 0xd192e819, 0xd6990624, 0xf40e3585, 0x106aa070,
    0x19a4c116, 0x1e376c08, 0x2748774c, 0x34b0bcb5, 0x391c0cb3, 0x4ed8aa4a, 0x5b9cca4f, 0x682e6ff3,
    0x748f82ee, 0x78a5636f, 0x84c87814, 0x8cc70208, 0x90befffa, 0xa4506ceb, 0xbef9a3f7, 0xc67178f2};

inline std::uint32_t Rotr(std::uint32_t x, int n) { return (x >> n) | (x << (32 - n)); }

// Portable compression of `blocks` consecutive 64-byte blocks.
void CompressPortable(std::uint32_t state[8], const std::uint8_t* data, std::size_t blocks) {
  std::uint32_t w[64];
  while (blocks--) {
    for (int i = 0; i < 16; ++i) {
      w[i] = (std::uint32_t(data[4 * i]) << 24) | (std::uint32_t(data[4 * i + 1]) << 16) |
             (std::uint32_t(data[4 * i + 2]) << 8) | std::uint32_t(data[4 * i + 3]);
    }
    for (int i = 16; i < 64; ++i) {
      std::uint32_t s0 = Rotr(w[i - 15], 7) ^ Rotr(w[i - 15], 18) ^ (w[i - 15] >> 3);
      std::uint32_t s1 = Rotr(w[i - 2], 17) ^ Rotr(w[i - 2], 19) ^ (w[i - 2] >> 10);
      w[i] = w[i - 16] + s0 + w[i - 7] + s1;
    }
    std::uint32_t a = state[0], b = state[1], c = state[2], d = state[3];
    std::uint32_t e = state[4], f = state[5], g = state[6], h = state[7];
    for (int i = 0; i < 64; ++i) {
      std::uint32_t t1 = h + (Rotr(e, 6) ^ Rotr(e, 11) ^ Rotr(e, 25)) + ((e & f) ^ (~e & g)) + kRound[i] + w[i];
      std::uint32_t t2 = (Rotr(a, 2) ^ Rotr(a, 13) ^ Rotr(a, 22)) + ((a & b) ^ (a & c) ^ (b & c));
      h = g; g = f; f = e; e = d + t1; d = c; c = b; b = a; a = t1 + t2;
    }
    state[0] += a; state[1] += b; state[2] += c; state[3] += d;
    state[4] += e; state[5] += f; state[6] += g; state[7] += h;
    data += 64;
  }
  SecureZero(w, sizeof w);
}

#if VANTREEL_SHA256_X86
// SHA-NI path. The instructions keep the state as ABEF/CDGH halves; each sha256rnds2 runs
// two rounds, and msg1/msg2 extend the schedule four words at a time. The target attribute
// enables the instructions for this function only, so the rest of the program builds for a
// baseline processor and this code runs only where cpuid reports them.
__attribute__((target("sha,sse4.1,ssse3"))) void CompressShaNi(std::uint32_t state[8], const std::uint8_t* data,
                                                               std::size_t blocks) {
  const __m128i byteSwap = _mm_set_epi64x(0x0c0d0e0f08090a0bULL, 0x0405060700010203ULL);
  __m128i tmp = _mm_shuffle_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(&state[0])), 0xB1);  // CDAB
  __m128i state1 = _mm_shuffle_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(&state[4])), 0x1B);  // EFGH
  __m128i state0 = _mm_alignr_epi8(tmp, state1, 8);  // ABEF
  state1 = _mm_blend_epi16(state1, tmp, 0xF0);       // CDGH

  while (blocks--) {
    const __m128i abefSave = state0;
    const __m128i cdghSave = state1;
    __m128i w[4];
#pragma GCC unroll 16
    for (int quad = 0; quad < 16; ++quad) {
      __m128i& current = w[quad % 4];
      if (quad < 4) {
        current = _mm_shuffle_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(data + 16 * quad)), byteSwap);
      }
      __m128i message = _mm_add_epi32(current, _mm_loadu_si128(reinterpret_cast<const __m128i*>(&kRound[4 * quad])));
      state1 = _mm_sha256rnds2_epu32(state1, state0, message);
      if (quad >= 3 && quad <= 14) {
        __m128i& next = w[(quad + 1) % 4];
        next = _mm_add_epi32(next, _mm_alignr_epi8(current, w[(quad + 3) % 4], 4));
        next = _mm_sha256msg2_epu32(next, current);
      }
      message = _mm_shuffle_epi32(message, 0x0E);
      state0 = _mm_sha256rnds2_epu32(state0, state1, message);
      if (quad >= 1 && quad <= 12) {
        __m128i& previous = w[(quad + 3) % 4];
        previous = _mm_sha256msg1_epu32(previous, current);
      }
    }
    state0 = _mm_add_epi32(state0, abefSave);
    state1 = _mm_add_epi32(state1, cdghSave);
    data += 64;
  }

  tmp = _mm_shuffle_epi32(state0, 0x1B);        // FEBA
  state1 = _mm_shuffle_epi32(state1, 0xB1);     // DCHG
  state0 = _mm_blend_epi16(tmp, state1, 0xF0);  // DCBA
  state1 = _mm_alignr_epi8(state1, tmp, 8);     // HGFE
  _mm_storeu_si128(reinterpret_cast<__m128i*>(&state[0]), state0);
  _mm_storeu_si128(reinterpret_cast<__m128i*>(&state[4]), state1);
}

bool DetectShaNi() {
  unsigned eax = 0, ebx = 0, ecx = 0, edx = 0;
  if (!__get_cpuid(1, &eax, &ebx, &ecx, &edx)) return false;
  const bool ssse3 = (ecx & (1u << 9)) != 0;
  const bool sse41 = (ecx & (1u << 19)) != 0;
  if (!__get_cpuid_count(7, 0, &eax, &ebx, &ecx, &edx)) return false;
  const bool sha = (ebx & (1u << 29)) != 0;
  return ssse3 && sse41 && sha;
}
#else
bool DetectShaNi() { return false; }
#endif

const bool gHardware = DetectShaNi();
std::atomic<bool> gForcePortable{false};

void Compress(std::uint32_t state[8], const std::uint8_t* data, std::size_t blocks) {
#if VANTREEL_SHA256_X86
  if (gHardware && !gForcePortable.load(std::memory_order_relaxed)) {
    CompressShaNi(state, data, blocks);
    return;
  }
#endif
  CompressPortable(state, data, blocks);
}

}  // namespace

TSha256::TSha256()
    : FState{0x6a09e667, 0xbb67ae85, 0x3c6ef372, 0xa54ff53a, 0x510e527f, 0x9b05688c, 0x1f83d9ab, 0x5be0cd19} {}

TSha256::~TSha256() {
  SecureZero(FState, sizeof FState);
  SecureZero(FBuffer, sizeof FBuffer);
}

void TSha256::Update(TByteView data) {
  const std::uint8_t* p = data.data();
  std::size_t n = data.size();
  FTotal += n;
  if (FBuffered > 0) {
    std::size_t take = std::min<std::size_t>(64 - FBuffered, n);
    std::memcpy(FBuffer + FBuffered, p, take);
    FBuffered += take;
    p += take;
    n -= take;
    if (FBuffered < 64) return;
    Compress(FState, FBuffer, 1);
    FBuffered = 0;
  }
  if (n >= 64) {
    Compress(FState, p, n / 64);
    p += n / 64 * 64;
    n %= 64;
  }
  if (n > 0) {
    std::memcpy(FBuffer, p, n);
    FBuffered = n;
  }
}

TSha256Digest TSha256::Final() {
  const std::uint64_t bits = FTotal * 8;
  std::uint8_t pad[72] = {0x80};
  std::size_t padLen = (FBuffered < 56) ? 56 - FBuffered : 120 - FBuffered;
  for (int i = 0; i < 8; ++i) pad[padLen + i] = std::uint8_t(bits >> (56 - 8 * i));
  Update(TByteView(pad, padLen + 8));
  TSha256Digest out;
  for (int i = 0; i < 8; ++i) {
    out[4 * i] = std::uint8_t(FState[i] >> 24);
    out[4 * i + 1] = std::uint8_t(FState[i] >> 16);
    out[4 * i + 2] = std::uint8_t(FState[i] >> 8);
    out[4 * i + 3] = std::uint8_t(FState[i]);
  }
  return out;
}

bool Sha256HardwareAvailable() { return gHardware; }

void SetSha256PortableForTesting(bool portable) { gForcePortable.store(portable, std::memory_order_relaxed); }

TSha256Digest ComputeSha256(TByteView data) {
  TSha256 hash;
  hash.Update(data);
  return hash.Final();
}

}  // namespace vantreel
