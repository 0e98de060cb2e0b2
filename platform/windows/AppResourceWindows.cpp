// The program's own RCDATA resources. A loaded resource lives in the mapped image for the
// life of the process, so the view points straight into it.
#include <windows.h>

#include <string>

#include "platform/AppResource.h"
#include "platform/windows/WideText.h"

namespace vantreel {

std::optional<TByteView> FindAppResource(std::string_view name) {
  const std::wstring wideName = win::Widen(name);
  if (wideName.empty()) return std::nullopt;
  HMODULE module = GetModuleHandleW(nullptr);
  HRSRC info = FindResourceW(module, wideName.c_str(), MAKEINTRESOURCEW(10) /* RT_RCDATA */);
  if (info == nullptr) return std::nullopt;
  const DWORD size = SizeofResource(module, info);
  if (size == 0) return TByteView();
  HGLOBAL handle = LoadResource(module, info);
  if (handle == nullptr) return std::nullopt;
  const void* data = LockResource(handle);
  if (data == nullptr) return std::nullopt;
  return TByteView(static_cast<const std::uint8_t*>(data), size);
}

}  // namespace vantreel
