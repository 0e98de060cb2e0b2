// ASCII-only text rules: the system compares schemes, hosts, paths, MIME types and hex digests
// without regard to the user's locale, so nothing here consults one. Bytes outside A-Z (UTF-8
// included) pass through unchanged.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace vantreel {

constexpr char AsciiLower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }
constexpr char AsciiUpper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

// In place, so that a secret being lower-cased leaves no copy behind.
inline void LowerAsciiInPlace(std::string& text) {
  for (char& c : text) c = AsciiLower(c);
}

inline std::string AsciiLowered(std::string_view text) {
  std::string out(text);
  LowerAsciiInPlace(out);
  return out;
}

constexpr bool EqualsIgnoringAsciiCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (AsciiLower(a[i]) != AsciiLower(b[i])) return false;
  }
  return true;
}

constexpr bool StartsWithIgnoringAsciiCase(std::string_view text, std::string_view prefix) {
  return text.size() >= prefix.size() && EqualsIgnoringAsciiCase(text.substr(0, prefix.size()), prefix);
}

// The system's one notion of blank: character codes 0 to 32.
constexpr bool IsBlankChar(char c) { return static_cast<unsigned char>(c) <= 32; }

constexpr bool IsBlank(std::string_view text) {
  for (char c : text) {
    if (!IsBlankChar(c)) return false;
  }
  return true;
}

constexpr std::string_view TrimBlanks(std::string_view text) {
  while (!text.empty() && IsBlankChar(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlankChar(text.back())) text.remove_suffix(1);
  return text;
}

}  // namespace vantreel
