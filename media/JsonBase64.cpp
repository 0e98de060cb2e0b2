#include "media/JsonBase64.h"

#include <array>
#include <cstring>

namespace vantreel {
namespace {

constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

// Two output characters per 12 input bits: half the lookups of a per-character table.
constexpr std::array<char, 2 * 4096> MakePairs() {
  std::array<char, 2 * 4096> pairs{};
  for (unsigned i = 0; i < 4096; ++i) {
    pairs[2 * i] = kAlphabet[i >> 6];
    pairs[2 * i + 1] = kAlphabet[i & 63];
  }
  return pairs;
}
constexpr auto kPairs = MakePairs();

// Bit 0 of each sextet of the result is set when that sextet is all ones, i.e. encodes "/".
constexpr std::uint32_t kSextetLowBits = 0x041041;
inline bool HoldsSlash(std::uint32_t v) {
  return ((v & (v >> 1) & (v >> 2) & (v >> 3) & (v >> 4) & (v >> 5)) & kSextetLowBits) != 0;
}

// Writes into a buffer sized for the usual share of "/" (one character in 64), growing it
// in the rare case that the data holds more.
class TEscapedOut {
 public:
  TEscapedOut(std::string& out, std::size_t expected) : out_(out), start_(out.size()) {
    Grow(expected + expected / 32 + 16);
  }
  // Room for one more group of four characters, each possibly escaped.
  void Reserve() {
    if (room_ - pos_ < 8) Grow(room_ + room_ / 2 + 16);
  }
  void PutGroup(std::uint32_t v) {
    if (!HoldsSlash(v)) {
      std::memcpy(base_ + pos_, &kPairs[2 * (v >> 12)], 2);
      std::memcpy(base_ + pos_ + 2, &kPairs[2 * (v & 0xfff)], 2);
      pos_ += 4;
      return;
    }
    for (int shift = 18; shift >= 0; shift -= 6) Put((v >> shift) & 63);
  }
  void Put(unsigned sextet) {
    if (sextet == 63) base_[pos_++] = '\\';
    base_[pos_++] = kAlphabet[sextet];
  }
  void PutChar(char c) { base_[pos_++] = c; }
  void Finish() { out_.resize(start_ + pos_); }

 private:
  void Grow(std::size_t room) {
    room_ = room;
    out_.resize(start_ + room_);
    base_ = out_.data() + start_;
  }
  std::string& out_;
  std::size_t start_;
  std::size_t room_ = 0;
  std::size_t pos_ = 0;
  char* base_ = nullptr;
};

}  // namespace

void AppendBase64JsonEscaped(ByteView data, std::string& out) {
  TEscapedOut o(out, (data.size() + 2) / 3 * 4);
  const std::uint8_t* p = data.data();
  std::size_t n = data.size();
  for (; n >= 3; p += 3, n -= 3) {
    o.Reserve();
    o.PutGroup((std::uint32_t(p[0]) << 16) | (std::uint32_t(p[1]) << 8) | p[2]);
  }
  if (n > 0) {
    std::uint32_t v = std::uint32_t(p[0]) << 16;
    if (n == 2) v |= std::uint32_t(p[1]) << 8;
    o.Reserve();
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
