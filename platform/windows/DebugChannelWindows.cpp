// The debugger channel of Windows: one OutputDebugStringW per line, as the line stands (a
// debugger shows each call as one line of its own).
#include <windows.h>

#include <string>
#include <string_view>

#include "platform/windows/WideText.h"

namespace vantreel {

void WriteDebugChannel(std::string_view line) {
  const std::wstring wide = win::Widen(line);
  OutputDebugStringW(wide.c_str());
}

}  // namespace vantreel
