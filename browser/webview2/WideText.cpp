#include "browser/webview2/WideText.h"

#include <objbase.h>

#include <cstring>

namespace vantreel::webview2 {

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
