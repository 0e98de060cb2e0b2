#include "crypto/Base64.h"

#include <array>

namespace vantreel {
namespace {

constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

constexpr std::array<std::int8_t, 256> MakeDecodeTable() {
  std::array<std::int8_t, 256> table{};
  for (auto& v : table) v = -1;
  for (int i = 0; i < 64; ++i) table[static_cast<unsigned char>(kAlphabet[i])] = static_cast<std::int8_t>(i);
  return table;
}
constexpr auto kDecode = MakeDecodeTable();

}  // namespace

void Base64EncodeAppend(TByteView data, std::string& out) {
  const std::size_t start = out.size();
  out.resize(start + (data.size() + 2) / 3 * 4);
  char* o = out.data() + start;
  const std::uint8_t* p = data.data();
  std::size_t n = data.size();
  while (n >= 3) {
    std::uint32_t v = (std::uint32_t(p[0]) << 16) | (std::uint32_t(p[1]) << 8) | p[2];
    o[0] = kAlphabet[v >> 18];
    o[1] = kAlphabet[(v >> 12) & 63];
    o[2] = kAlphabet[(v >> 6) & 63];
    o[3] = kAlphabet[v & 63];
    o += 4;
    p += 3;
    n -= 3;
  }
  if (n > 0) {
    std::uint32_t v = std::uint32_t(p[0]) << 16;
    if (n == 2) v |= std::uint32_t(p[1]) << 8;
    o[0] = kAlphabet[v >> 18];
    o[1] = kAlphabet[(v >> 12) & 63];
    o[2] = n == 2 ? kAlphabet[(v >> 6) & 63] : '=';
    o[3] = '=';
  }
}

std::string Base64Encode(TByteView data) {
  std::string out;
  Base64EncodeAppend(data, out);
  return out;
}

TBytes Base64DecodeLenient(std::string_view text) {
  TBytes out;
  out.reserve(text.size() / 4 * 3 + 3);
  std::uint32_t acc = 0;
  int bits = 0;
  for (unsigned char c : text) {
    const int v = kDecode[c];
    if (v < 0) continue;
    acc = (acc << 6) | static_cast<std::uint32_t>(v);
    bits += 6;
    if (bits >= 8) {
      bits -= 8;
      out.push_back(static_cast<std::uint8_t>(acc >> bits));
      acc &= (1u << bits) - 1;
    }
  }
  return out;
}

}  // namespace vantreel
