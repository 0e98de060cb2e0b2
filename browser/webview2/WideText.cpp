#include "browser/webview2/WideText.h"

#include <objbase.h>

#include <cstring>

namespace vantreel::webview2 {

// Invalid UTF-8 or UTF-16 becomes U+FFFD rather than a failure: the texts are page data and
// log lines, where a replaced character is better than a lost message.
std::wstring Widen(std::string_view utf8) {
  if (utf8.empty()) return {};
  const int size = static_cast<int>(utf8.size());
  const int length = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, nullptr, 0);
  std::wstring result(static_cast<std::size_t>(length), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, result.data(), length);
  return result;
}

std::string Narrow(std::wstring_view utf16) {
  if (utf16.empty()) return {};
  const int size = static_cast<int>(utf16.size());
  const int length = WideCharToMultiByte(CP_UTF8, 0, utf16.data(), size, nullptr, 0, nullptr, nullptr);
  std::string result(static_cast<std::size_t>(length), '\0');
  WideCharToMultiByte(CP_UTF8, 0, utf16.data(), size, result.data(), length, nullptr, nullptr);
  return result;
}

std::string TakeCoTaskString(LPWSTR text) {
  if (text == nullptr) return {};
  std::string result = Narrow(text);
  CoTaskMemFree(text);
  return result;
}

LPWSTR CoTaskCopy(std::wstring_view text) {
  auto* copy = static_cast<LPWSTR>(CoTaskMemAlloc((text.size() + 1) * sizeof(wchar_t)));
  if (copy == nullptr) return nullptr;
  std::memcpy(copy, text.data(), text.size() * sizeof(wchar_t));
  copy[text.size()] = L'\0';
  return copy;
}

}  // namespace vantreel::webview2
