#include "app/win32/Win32MainFormUi.h"

#include <algorithm>
#include <stdexcept>
#include <utility>

#include "app/win32/Win32Controls.h"
#include "platform/windows/WideText.h"

namespace vantreel::win32ui {
namespace {

constexpr wchar_t kWindowClass[] = L"VantreelMainForm";
constexpr UINT kInvokeMessage = WM_APP + 2;
constexpr UINT kShownMessage = WM_APP + 3;

void RegisterWindowClass(WNDPROC proc) {
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof wc;
  wc.style = CS_HREDRAW | CS_VREDRAW;
  wc.lpfnWndProc = proc;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
  wc.hIcon = LoadAppIcon(GetSystemMetrics(SM_CXICON));
  wc.hIconSm = LoadAppIcon(GetSystemMetrics(SM_CXSMICON));
  wc.lpszClassName = kWindowClass;
  RegisterClassExW(&wc);  // a second window of the process finds the class registered
}

}  // namespace

TWin32MainFormUi::TWin32MainFormUi() {
  RegisterWindowClass(&TWin32MainFormUi::WindowProc);
  // WS_EX_APPWINDOW and no owner: the taskbar button is this window's own.
  FWindow = CreateWindowExW(WS_EX_APPWINDOW, kWindowClass, L"", WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, CW_USEDEFAULT,
                            CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr, GetModuleHandleW(nullptr),
                            this);
  if (FWindow == nullptr) throw std::runtime_error("CreateWindowExW failed: " + std::to_string(GetLastError()));
  // Explorer broadcasts this after a restart; the tray icon must be added again then.
  FTaskbarCreated = RegisterWindowMessageW(L"TaskbarCreated");
}

TWin32MainFormUi::~TWin32MainFormUi() {
  SetWindowLongPtrW(FWindow, GWLP_USERDATA, 0);
  DestroyWindow(FWindow);
  if (FBackground != nullptr) DeleteObject(FBackground);
}

void TWin32MainFormUi::SetCaption(const std::string& caption) { SetWindowTextW(FWindow, win::Widen(caption).c_str()); }

std::string TWin32MainFormUi::Caption() const {
  std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(FWindow)) + 1, L'\0');
  text.resize(static_cast<std::size_t>(GetWindowTextW(FWindow, text.data(), static_cast<int>(text.size()))));
  return win::Narrow(text);
}

void TWin32MainFormUi::SetRightToLeft(bool rightToLeft) {
  FRightToLeft = rightToLeft;
  LONG_PTR style = GetWindowLongPtrW(FWindow, GWL_EXSTYLE);
  const LONG_PTR rtl = WS_EX_LAYOUTRTL | WS_EX_RTLREADING;
  style = rightToLeft ? (style | rtl) : (style & ~rtl);
  SetWindowLongPtrW(FWindow, GWL_EXSTYLE, style);
  SetWindowPos(FWindow, nullptr, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_FRAMECHANGED);
}

// The size is in device-independent pixels: the process is per-monitor DPI aware, so the
// window scales it by its monitor's DPI, and the page keeps its CSS viewport at any scale.
// A monitor too small for it gets a window that fits its work area, frame included.
void TWin32MainFormUi::SetClientSize(int width, int height) {
  const UINT dpi = WindowDpi();
  RECT rect{0, 0, MulDiv(width, static_cast<int>(dpi), 96), MulDiv(height, static_cast<int>(dpi), 96)};
  const DWORD style = static_cast<DWORD>(GetWindowLongPtrW(FWindow, GWL_STYLE));
  const DWORD exStyle = static_cast<DWORD>(GetWindowLongPtrW(FWindow, GWL_EXSTYLE));
  AdjustWindowRectExForDpi(&rect, style, FALSE, exStyle, dpi);
  const RECT work = WorkArea();
  const LONG outerWidth = std::min(rect.right - rect.left, work.right - work.left);
  const LONG outerHeight = std::min(rect.bottom - rect.top, work.bottom - work.top);
  SetWindowPos(FWindow, nullptr, 0, 0, outerWidth, outerHeight, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

UINT TWin32MainFormUi::WindowDpi() const {
  const UINT dpi = GetDpiForWindow(FWindow);
  return dpi != 0 ? dpi : 96;
}

RECT TWin32MainFormUi::WorkArea() const {
  MONITORINFO monitor{};
  monitor.cbSize = sizeof monitor;
  GetMonitorInfoW(MonitorFromWindow(FWindow, MONITOR_DEFAULTTOPRIMARY), &monitor);
  return monitor.rcWork;
}

void TWin32MainFormUi::CenterOnScreen() {
  RECT window{};
  GetWindowRect(FWindow, &window);
  const RECT work = WorkArea();
  const int width = window.right - window.left;
  const int height = window.bottom - window.top;
  // A window larger than the work area keeps its caption on the screen.
  const int x = work.left + std::max(0L, ((work.right - work.left) - width) / 2);
  const int y = work.top + std::max(0L, ((work.bottom - work.top) - height) / 2);
  SetWindowPos(FWindow, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void TWin32MainFormUi::KeepInWorkArea() {
  if (IsZoomed(FWindow) || IsIconic(FWindow)) return;  // the system places those itself
  RECT window{};
  GetWindowRect(FWindow, &window);
  const RECT work = WorkArea();
  const LONG width = std::min(window.right - window.left, work.right - work.left);
  const LONG height = std::min(window.bottom - window.top, work.bottom - work.top);
  const LONG x = std::clamp(window.left, work.left, work.right - width);
  const LONG y = std::clamp(window.top, work.top, work.bottom - height);
  if (x == window.left && y == window.top && width == window.right - window.left &&
      height == window.bottom - window.top)
    return;
  SetWindowPos(FWindow, nullptr, x, y, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
}

void TWin32MainFormUi::SetBackgroundWhite() {
  if (FBackground == nullptr) FBackground = CreateSolidBrush(RGB(255, 255, 255));
  SetClassLongPtrW(FWindow, GCLP_HBRBACKGROUND, reinterpret_cast<LONG_PTR>(FBackground));
  InvalidateRect(FWindow, nullptr, TRUE);
}

void TWin32MainFormUi::Show() { ShowWindow(FWindow, SW_SHOW); }

void TWin32MainFormUi::Hide() { ShowWindow(FWindow, SW_HIDE); }

void TWin32MainFormUi::SetNormalState() {
  WINDOWPLACEMENT placement{};
  placement.length = sizeof placement;
  GetWindowPlacement(FWindow, &placement);
  // Normal position and size, without showing a hidden window yet.
  placement.showCmd = IsWindowVisible(FWindow) ? SW_SHOWNORMAL : SW_HIDE;
  placement.flags = 0;
  SetWindowPlacement(FWindow, &placement);
}

void TWin32MainFormUi::BringToFront() { BringWindowToTop(FWindow); }

void TWin32MainFormUi::BringApplicationToFront() {
  // The process's own windows come first; the foreground itself is SetForegroundWindow's.
  SetWindowPos(FWindow, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_SHOWWINDOW);
}

void TWin32MainFormUi::SetForegroundWindow() { ::SetForegroundWindow(FWindow); }

void TWin32MainFormUi::SetFocus() { ::SetFocus(FWindow); }

void TWin32MainFormUi::Invalidate() { InvalidateRect(FWindow, nullptr, TRUE); }

void TWin32MainFormUi::Update() { UpdateWindow(FWindow); }

std::unique_ptr<ILoadingPanel> TWin32MainFormUi::CreateLoadingPanel() {
  return std::make_unique<TWin32LoadingPanel>(*this);
}

std::unique_ptr<ILoadingLabel> TWin32MainFormUi::CreateLoadingLabel(ILoadingPanel& panel) {
  auto* win32Panel = dynamic_cast<TWin32LoadingPanel*>(&panel);
  if (win32Panel == nullptr) throw std::runtime_error("The loading panel was not made by this window.");
  return std::make_unique<TWin32LoadingLabel>(*win32Panel);
}

std::unique_ptr<IUiTimer> TWin32MainFormUi::CreateTimer(unsigned intervalMs, std::function<void()> onTick) {
  return std::make_unique<TWin32Timer>(*this, intervalMs, std::move(onTick));
}

std::unique_ptr<ITrayIcon> TWin32MainFormUi::CreateTrayIcon() { return std::make_unique<TWin32TrayIcon>(*this); }

bool TWin32MainFormUi::HasApplicationIcon() const { return LoadAppIcon(32) != nullptr; }

// Only failures are shown in a box.
void TWin32MainFormUi::ShowMessageBox(const std::string& text) {
  UINT type = MB_OK | MB_ICONERROR;
  if (FRightToLeft) type |= MB_RTLREADING | MB_RIGHT;
  const std::wstring caption = win::Widen(Caption());
  MessageBoxW(FWindow, win::Widen(text).c_str(), caption.c_str(), type);
}

void TWin32MainFormUi::ProcessMessages() {
  MSG message;
  while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    if (message.message == WM_QUIT) {
      // Left for the message loop that owns the program's end.
      PostQuitMessage(static_cast<int>(message.wParam));
      return;
    }
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
}

TUiThreadInvoker TWin32MainFormUi::UiThreadInvoke() {
  const HWND window = FWindow;
  const DWORD uiThread = GetCurrentThreadId();
  return [window, uiThread](std::function<void()> fn) {
    if (GetCurrentThreadId() == uiThread) {
      fn();
      return;
    }
    // SendMessage runs the call on the window's thread and returns once it has run; a window
    // destroyed meanwhile makes it fail, and the call is dropped.
    SendMessageW(window, kInvokeMessage, 0, reinterpret_cast<LPARAM>(&fn));
  };
}

UINT_PTR TWin32MainFormUi::AddTimer(std::function<void()>* onTick) {
  const UINT_PTR id = FNextTimer++;
  FTimers[id] = onTick;
  return id;
}

void TWin32MainFormUi::RemoveTimer(UINT_PTR id) {
  KillTimer(FWindow, id);
  FTimers.erase(id);
}

bool TWin32MainFormUi::Deliver(std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam, LRESULT& result) {
  if (FSink == nullptr) return false;
  TMessage m{message, wParam, lParam, 0};
  if (!FSink->WndProc(m)) return false;
  result = m.Result;
  return true;
}

LRESULT CALLBACK TWin32MainFormUi::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    auto* create = reinterpret_cast<CREATESTRUCTW*>(lParam);
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  }
  auto* ui = reinterpret_cast<TWin32MainFormUi*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (ui == nullptr || ui->FWindow == nullptr) return DefWindowProcW(window, message, wParam, lParam);
  try {
    return ui->Handle(message, wParam, lParam);
  } catch (...) {
    // Nothing may unwind through the system's dispatcher; the window guards its own steps.
    return 0;
  }
}

LRESULT TWin32MainFormUi::Handle(UINT message, WPARAM wParam, LPARAM lParam) {
  LRESULT result = 0;
  switch (message) {
    case WM_SHOWWINDOW:
      // WM_SHOWWINDOW comes before the window is on the screen; the show hook (which may
      // open a message box) runs once it is.
      if (wParam) PostMessageW(FWindow, kShownMessage, 0, 0);
      break;
    case kShownMessage:
      if (FSink != nullptr && IsWindowVisible(FWindow)) FSink->DoShow();
      return 0;
    case WM_SIZE:
      if (FPanel != nullptr) FPanel->FitToParent();
      if (FSink != nullptr && wParam != SIZE_MINIMIZED) FSink->Resize();
      break;
    case WM_DPICHANGED: {
      // Moved to a monitor of another scale: the system's suggestion keeps the size in DIPs
      // and the window under the pointer. The label's font follows on its next paint.
      const RECT* suggested = reinterpret_cast<const RECT*>(lParam);
      SetWindowPos(FWindow, nullptr, suggested->left, suggested->top, suggested->right - suggested->left,
                   suggested->bottom - suggested->top, SWP_NOZORDER | SWP_NOACTIVATE);
      if (FPanel != nullptr) FPanel->Invalidate();
      return 0;
    }
    case WM_SETTINGCHANGE:
      // A taskbar that appears, grows or moves may leave the window partly behind it.
      if (wParam == SPI_SETWORKAREA) KeepInWorkArea();
      break;
    case WM_MOVE:
    case WM_SETFOCUS:
      Deliver(message, wParam, lParam, result);
      break;
    case WM_ACTIVATE:
      // The default handling gives the frame the focus; the window then passes it on.
      result = DefWindowProcW(FWindow, message, wParam, lParam);
      Deliver(message, wParam, lParam, result);
      return result;
    case WM_SYSCOMMAND:
      if ((wParam & 0xFFF0) == SC_MINIMIZE && Deliver(WM_SYSCOMMAND, SC_MINIMIZE, lParam, result)) return result;
      break;
    case WM_POWERBROADCAST:
      Deliver(WM_POWERBROADCAST, wParam, lParam, result);
      return TRUE;
    case WM_TIMER: {
      auto it = FTimers.find(wParam);
      if (it != FTimers.end()) (*it->second)();
      return 0;
    }
    case kTrayCallbackMessage:
      if (FTray != nullptr) FTray->OnCallback(lParam);
      return 0;
    case kInvokeMessage:
      (*reinterpret_cast<std::function<void()>*>(lParam))();
      return 0;
    case WM_CLOSE:
      if (FOnClose)
        FOnClose();
      else
        PostQuitMessage(0);
      return 0;  // the window is destroyed with this object, after the main window's logic
    default:
      if (message == FTaskbarCreated && FTaskbarCreated != 0 && FTray != nullptr) FTray->OnTaskbarCreated();
      break;
  }
  return DefWindowProcW(FWindow, message, wParam, lParam);
}

}  // namespace vantreel::win32ui
