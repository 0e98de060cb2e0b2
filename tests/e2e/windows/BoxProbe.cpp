// Runs under Wine beside the client: waits for the message box that Vantreel.exe shows,
// prints what a person sees (UTF-8, one item per line, line breaks inside a text as "\n"):
// the box's caption and text, the text of the loading overlay behind it, and where the
// window lies against the work area; saves a picture of the screen as a BMP, keeps the box up
// a while longer for a picture taken from outside, dismisses it and ends the client. Exit
// code 0 when a box was found.
//
// usage: box-probe.exe <screenshot.bmp> [seconds to wait] [seconds to hold the box]
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

namespace {

std::string Utf8(const std::wstring& text) {
  if (text.empty()) return {};
  const int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
  std::string result(static_cast<std::size_t>(size), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), result.data(), size, nullptr, nullptr);
  return result;
}

std::wstring TextOf(HWND window) {
  wchar_t buffer[4096] = {};
  GetWindowTextW(window, buffer, 4096);
  return buffer;
}

// One line per item: CR LF and LF become a visible "\n".
std::string OneLine(const std::wstring& text) {
  std::string line;
  for (const char c : Utf8(text)) {
    if (c == '\r') continue;
    if (c == '\n')
      line += "\\n";
    else
      line += c;
  }
  return line;
}

bool IsClientProcess(DWORD pid) {
  HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid);
  if (process == nullptr) return false;
  wchar_t path[MAX_PATH] = {};
  DWORD size = MAX_PATH;
  const bool ok = QueryFullProcessImageNameW(process, 0, path, &size) != 0;
  CloseHandle(process);
  const std::wstring name = ok ? std::wstring(path, size) : L"";
  const std::wstring tail = L"vantreel.exe";
  if (name.size() < tail.size()) return false;
  std::wstring end = name.substr(name.size() - tail.size());
  for (auto& c : end) c = static_cast<wchar_t>(towlower(c));
  return end == tail;
}

struct Found {
  HWND box = nullptr;
  DWORD pid = 0;
};

BOOL CALLBACK FindBox(HWND window, LPARAM param) {
  auto* found = reinterpret_cast<Found*>(param);
  wchar_t className[64] = {};
  GetClassNameW(window, className, 64);
  DWORD pid = 0;
  GetWindowThreadProcessId(window, &pid);
  if (std::wstring(className) == L"#32770" && IsWindowVisible(window) && IsClientProcess(pid)) {
    found->box = window;
    found->pid = pid;
    return FALSE;
  }
  return TRUE;
}

bool SaveScreen(const char* path) {
  const int width = GetSystemMetrics(SM_CXSCREEN);
  const int height = GetSystemMetrics(SM_CYSCREEN);
  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = height;  // bottom-up, as BMP files store it
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 24;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  HGDIOBJ old = SelectObject(memory, bitmap);
  BitBlt(memory, 0, 0, width, height, screen, 0, 0, SRCCOPY);
  GdiFlush();
  const DWORD stride = ((static_cast<DWORD>(width) * 3 + 3) / 4) * 4;
  const DWORD imageSize = stride * static_cast<DWORD>(height);
  BITMAPFILEHEADER file{};
  file.bfType = 0x4D42;
  file.bfOffBits = sizeof file + sizeof info.bmiHeader;
  file.bfSize = file.bfOffBits + imageSize;
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(&file), sizeof file);
  out.write(reinterpret_cast<const char*>(&info.bmiHeader), sizeof info.bmiHeader);
  out.write(static_cast<const char*>(bits), imageSize);
  SelectObject(memory, old);
  DeleteObject(bitmap);
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
  return static_cast<bool>(out);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: box-probe.exe <screenshot.bmp> [seconds]\n");
    return 2;
  }
  const int seconds = argc > 2 ? std::atoi(argv[2]) : 30;
  Found found;
  for (int waited = 0; waited < seconds * 10 && found.box == nullptr; ++waited) {
    EnumWindows(&FindBox, reinterpret_cast<LPARAM>(&found));
    if (found.box == nullptr) Sleep(100);
  }
  if (found.box == nullptr) {
    std::fprintf(stderr, "no message box of Vantreel.exe within %d s\n", seconds);
    return 1;
  }
  Sleep(1000);  // let the box and the window behind it paint
  std::printf("caption: %s\n", Utf8(TextOf(found.box)).c_str());
  // A message box's text is its static control with the id 0xFFFF.
  std::printf("text: %s\n", OneLine(TextOf(GetDlgItem(found.box, 0xFFFF))).c_str());
  if (HWND window = GetWindow(found.box, GW_OWNER)) {
    HWND panel = FindWindowExW(window, nullptr, L"VantreelLoadingPanel", nullptr);
    HWND label = panel != nullptr ? FindWindowExW(panel, nullptr, L"VantreelLoadingLabel", nullptr) : nullptr;
    std::printf("overlay: %s\n", label != nullptr && IsWindowVisible(label) ? OneLine(TextOf(label)).c_str() : "");
    std::printf("overlay-rtl: %s\n",
                label != nullptr && (GetWindowLongPtrW(label, GWL_EXSTYLE) & WS_EX_RTLREADING) ? "yes" : "no");
    RECT outer{};
    GetWindowRect(window, &outer);
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    GetMonitorInfoW(MonitorFromWindow(window, MONITOR_DEFAULTTOPRIMARY), &monitor);
    auto within = [&outer](const RECT& area) {
      return outer.left >= area.left && outer.top >= area.top && outer.right <= area.right &&
             outer.bottom <= area.bottom;
    };
    const RECT& work = monitor.rcWork;
    std::printf("window: %ldx%ld at %ld,%ld; work area %ldx%ld at %ld,%ld: %s; screen: %s\n", outer.right - outer.left,
                outer.bottom - outer.top, outer.left, outer.top, work.right - work.left, work.bottom - work.top,
                work.left, work.top, within(work) ? "inside" : "outside",
                within(monitor.rcMonitor) ? "inside" : "outside");
  }
  std::fflush(stdout);
  const bool saved = SaveScreen(argv[1]);
  Sleep(static_cast<DWORD>(argc > 3 ? std::atoi(argv[3]) : 0) * 1000);
  PostMessageW(found.box, WM_COMMAND, IDOK, 0);
  Sleep(500);
  if (HANDLE client = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, found.pid)) {
    TerminateProcess(client, 0);
    WaitForSingleObject(client, 5000);
    CloseHandle(client);
  }
  return saved ? 0 : 3;
}
