#include "json/JsonBase64.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>

namespace vantreel {
namespace {

constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

// Two output characters per 12 input bits, first character in the low byte, so that on a
// little-endian machine four pairs make the eight characters of two groups in one word.
constexpr std::array<std::uint16_t, 4096> MakePairs() {
  std::array<std::uint16_t, 4096> pairs{};
  for (unsigned i = 0; i < 4096; ++i) {
    pairs[i] = static_cast<std::uint16_t>(static_cast<unsigned char>(kAlphabet[i >> 6]) |
                                          (static_cast<unsigned char>(kAlphabet[i & 63]) << 8));
  }
  return pairs;
}
constexpr auto kPairs = MakePairs();

// Bit 0 of each sextet of the result is set when that sextet is all ones, i.e. encodes "/".
constexpr std::uint32_t kSextetLowBits = 0x041041;
inline bool HoldsSlash(std::uint32_t v) {
  return ((v & (v >> 1) & (v >> 2) & (v >> 3) & (v >> 4) & (v >> 5)) & kSextetLowBits) != 0;
}

// The eight characters of groups `a` and `b` in memory order (little-endian machines only).
inline std::uint64_t EightChars(std::uint32_t a, std::uint32_t b) {
  return std::uint64_t(kPairs[a >> 12]) | (std::uint64_t(kPairs[a & 0xfff]) << 16) |
         (std::uint64_t(kPairs[b >> 12]) << 32) | (std::uint64_t(kPairs[b & 0xfff]) << 48);
}

// Whether any of the eight characters is "/" (the classic has-zero-byte test on word ^ "////////").
inline bool HoldsSlash8(std::uint64_t chars) {
  const std::uint64_t x = chars ^ 0x2f2f2f2f2f2f2f2fULL;
  return ((x - 0x0101010101010101ULL) & ~x & 0x8080808080808080ULL) != 0;
}

// Writes into a buffer sized for the usual share of "/" (one character in 64), growing it
// in the rare case that the data holds more.
class TEscapedOut {
 public:
  TEscapedOut(std::string& out, std::size_t expected) : FOut(out), FStart(out.size()) {
    Grow(expected + expected / 32 + 16);
  }
  // How many groups of four characters fit even if every character is escaped; grows the
  // buffer when none would.
  std::size_t GroupsThatFit() {
    if (FRoom - FPos < 8) Grow(FRoom + FRoom / 2 + 16);
    return (FRoom - FPos) / 8;
  }
  void PutPlainGroup(std::uint32_t v) {
    for (int shift = 18; shift >= 0; shift -= 6) FBase[FPos++] = kAlphabet[(v >> shift) & 63];
  }
  void PutEight(std::uint64_t chars) {
    std::memcpy(FBase + FPos, &chars, 8);
    FPos += 8;
  }
  // Eight characters of which some are "/": a backslash is written before every character
  // and kept only where the character is "/", without a branch per character.
  void PutEightEscaped(std::uint64_t chars) {
    for (int i = 0; i < 8; ++i, chars >>= 8) {
      const char c = static_cast<char>(chars & 0xff);
      FBase[FPos] = '\\';
      FPos += c == '/';
      FBase[FPos++] = c;
    }
  }
  void PutGroup(std::uint32_t v) {
    if (!HoldsSlash(v)) [[likely]] {
      PutPlainGroup(v);
      return;
    }
    for (int shift = 18; shift >= 0; shift -= 6) Put((v >> shift) & 63);
  }
  void Put(unsigned sextet) {
    if (sextet == 63) FBase[FPos++] = '\\';
    FBase[FPos++] = kAlphabet[sextet];
  }
  void PutChar(char c) { FBase[FPos++] = c; }
  void Finish() { FOut.resize(FStart + FPos); }

 private:
  void Grow(std::size_t room) {
    FRoom = room;
    FOut.resize(FStart + FRoom);
    FBase = FOut.data() + FStart;
  }
  std::string& FOut;
  std::size_t FStart;
  std::size_t FRoom = 0;
  std::size_t FPos = 0;
  char* FBase = nullptr;
};

std::uint32_t Load24(const std::uint8_t* p) {
  return (std::uint32_t(p[0]) << 16) | (std::uint32_t(p[1]) << 8) | p[2];
}

}  // namespace

void AppendBase64JsonEscaped(TByteView data, std::string& out) {
  TEscapedOut o(out, (data.size() + 2) / 3 * 4);
  const std::uint8_t* p = data.data();
  std::size_t n = data.size();
  while (n >= 3) {
    // Checking room once per run of groups keeps the inner loop free of it.
    std::size_t groups = std::min(o.GroupsThatFit(), n / 3);
    n -= groups * 3;
    // Two groups at a time: one test for "/" covers eight characters, and only about one
    // pair in 8 takes the slow path.
    for (; groups >= 2; groups -= 2, p += 6) {
      const std::uint32_t a = Load24(p), b = Load24(p + 3);
      if constexpr (std::endian::native == std::endian::little) {
        const std::uint64_t chars = EightChars(a, b);
        if (!HoldsSlash8(chars)) [[likely]] {
          o.PutEight(chars);
        } else {
          o.PutEightEscaped(chars);
        }
        continue;
      }
      o.PutGroup(a);
      o.PutGroup(b);
    }
    if (groups == 1) {
      o.PutGroup(Load24(p));
      p += 3;
    }
  }
  if (n > 0) {
    std::uint32_t v = std::uint32_t(p[0]) << 16;
    if (n == 2) v |= std::uint32_t(p[1]) << 8;
    o.GroupsThatFit();
    o.Put(v >> 18);
    o.Put((v >> 12) & 63);
    if (n == 2) {
      o.Put((v >> 6) & 63);
    } else {
      o.PutChar('=');
    }
    o.PutChar('=');
  }
  o.Finish();
}

}  // namespace vantreel
