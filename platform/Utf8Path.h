// Paths from and to the program's UTF-8 text. On Windows a narrow std::string converts
// through the ANSI code page, which would mangle a Chinese or emoji name; char8_t text is
// UTF-8 on every platform (and byte for byte on Linux). Invalid UTF-8 throws on Windows.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace vantreel {

inline std::filesystem::path PathFromUtf8(std::string_view text) {
  return std::filesystem::path(std::u8string(text.begin(), text.end()));
}

inline std::string Utf8FromPath(const std::filesystem::path& path) {
  const std::u8string text = path.u8string();
  return std::string(text.begin(), text.end());
}

}  // namespace vantreel
