// Every string crosses the WebView2 boundary as UTF-16 (the platform layer converts); ours are
// UTF-8. Strings that the runtime hands out were allocated with CoTaskMemAlloc and are freed
// here after copying; strings that we hand out are allocated the same way for the runtime to
// free.
#pragma once

#include <windows.h>
#include <objbase.h>

#include <string>
#include <string_view>

#include "platform/windows/WideText.h"

namespace vantreel::webview2 {

using win::Narrow;
using win::Widen;
// Copies `text` (may be null: empty) and frees it with CoTaskMemFree.
std::string TakeCoTaskString(LPWSTR text);
// A CoTaskMemAlloc copy for an out-parameter; null when memory runs out.
LPWSTR CoTaskCopy(std::wstring_view text);
// Reads a string property through its getter, e.g. ReadString([&](LPWSTR* s) { return args->get_Uri(s); }, uri).
template <typename Getter>
HRESULT ReadString(Getter&& getter, std::string& value) {
  LPWSTR text = nullptr;
  const HRESULT hr = getter(&text);
  if (FAILED(hr)) {
    if (text != nullptr) CoTaskMemFree(text);
    return hr;
  }
  value = TakeCoTaskString(text);
  return hr;
}

}  // namespace vantreel::webview2
