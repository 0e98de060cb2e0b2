// Text from outside (a file name, a page value, a message that quotes one) made safe to put
// into a diagnostic line: a reader of the log must not be shown a line break that starts a
// forged line, nor text that a bidirectional control turns around. Escaped are the C0
// controls and DEL as \xNN, the C1 controls, the line and paragraph separators and the
// bidirectional marks, embeddings, overrides and isolates as \u{XXXX}, and every byte that
// is not part of valid UTF-8 as \xNN. Everything else, the backslash included (Windows paths
// stay readable), passes through unchanged.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace vantreel {

namespace log_text_detail {

inline void AppendHex(std::string& out, std::uint32_t value, int digits) {
  constexpr char kHex[] = "0123456789ABCDEF";
  for (int shift = (digits - 1) * 4; shift >= 0; shift -= 4) out.push_back(kHex[(value >> shift) & 0xF]);
}

// The length of the valid UTF-8 sequence at the start of `text` and its code point; 0 when
// the bytes there are not one (overlong forms and surrogates included).
inline std::size_t DecodeUtf8(std::string_view text, std::uint32_t& codePoint) {
  const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
  const unsigned char lead = byte(0);
  std::size_t length = 0;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
  } else {
    return 0;
  }
  constexpr std::uint32_t kLeadBits[] = {0, 0, 0x1F, 0x0F, 0x07};
  constexpr std::uint32_t kSmallest[] = {0, 0, 0x80, 0x800, 0x10000};
  codePoint = lead & kLeadBits[length];
  if (text.size() < length) return 0;
  for (std::size_t i = 1; i < length; ++i) {
    if ((byte(i) & 0xC0) != 0x80) return 0;
    codePoint = (codePoint << 6) | (byte(i) & 0x3F);
  }
  if (codePoint < kSmallest[length] || codePoint > 0x10FFFF || (codePoint >= 0xD800 && codePoint <= 0xDFFF)) return 0;
  return length;
}

constexpr bool IsEscapedCodePoint(std::uint32_t c) {
  return (c >= 0x80 && c <= 0x9F) || c == 0x200E || c == 0x200F || (c >= 0x2028 && c <= 0x202E) ||
         (c >= 0x2066 && c <= 0x2069);
}

}  // namespace log_text_detail

inline void AppendEscapedForLog(std::string& out, std::string_view text) {
  using namespace log_text_detail;
  std::size_t i = 0;
  while (i < text.size()) {
    const auto c = static_cast<unsigned char>(text[i]);
    if (c >= 0x20 && c < 0x7F) {
      out.push_back(static_cast<char>(c));
      ++i;
      continue;
    }
    std::uint32_t codePoint = 0;
    const std::size_t length = c < 0x80 ? 0 : DecodeUtf8(text.substr(i), codePoint);
    if (length == 0) {
      out.append("\\x");
      AppendHex(out, c, 2);
      ++i;
    } else if (IsEscapedCodePoint(codePoint)) {
      out.append("\\u{");
      AppendHex(out, codePoint, 4);
      out.push_back('}');
      i += length;
    } else {
      out.append(text.substr(i, length));
      i += length;
    }
  }
}

inline std::string EscapedForLog(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  AppendEscapedForLog(out, text);
  return out;
}

}  // namespace vantreel
