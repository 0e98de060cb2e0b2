// Tells the client's main window what Windows would: `resume` (the power broadcast after
// sleep), `minimize` (the title bar's button); `visible` prints whether the window shows.
#include <windows.h>

#include <cstdio>
#include <cwchar>

int wmain(int argc, wchar_t** argv) {
  if (argc < 2) return 2;
  HWND window = FindWindowW(L"VantreelMainForm", nullptr);
  if (window == nullptr) {
    std::fputs("no window\n", stderr);
    return 1;
  }
  if (std::wcscmp(argv[1], L"resume") == 0) return PostMessageW(window, WM_POWERBROADCAST, PBT_APMRESUMEAUTOMATIC, 0) ? 0 : 1;
  if (std::wcscmp(argv[1], L"minimize") == 0) return PostMessageW(window, WM_SYSCOMMAND, SC_MINIMIZE, 0) ? 0 : 1;
  if (std::wcscmp(argv[1], L"visible") == 0) {
    std::printf("%d\n", IsWindowVisible(window) && !IsIconic(window) ? 1 : 0);
    return 0;
  }
  return 2;
}
