#include "app/win32/Win32Controls.h"

#include <stdexcept>
#include <utility>

#include "app/win32/Win32MainFormUi.h"
#include "platform/windows/WideText.h"

namespace vantreel::win32ui {
namespace {

constexpr wchar_t kPanelClass[] = L"VantreelLoadingPanel";
constexpr wchar_t kLabelClass[] = L"VantreelLoadingLabel";
constexpr UINT kTrayIconId = 1;

LRESULT CALLBACK PanelProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_SIZE) {
    // The label fills the panel; it centres its text itself.
    if (HWND label = FindWindowExW(window, nullptr, kLabelClass, nullptr))
      MoveWindow(label, 0, 0, LOWORD(lParam), HIWORD(lParam), TRUE);
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

HFONT LabelFont(HWND window) {
  // The window's own DPI: with per-monitor awareness the screen DC's is the primary monitor's.
  UINT dpi = GetDpiForWindow(window);
  if (dpi == 0) dpi = 96;
  const int height = -MulDiv(14, static_cast<int>(dpi), 72);
  return CreateFontW(height, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                     CLIP_DEFAULT_PRECIS, CLEARTYPE_QUALITY, DEFAULT_PITCH | FF_DONTCARE, L"Segoe UI");
}

void PaintLabel(HWND window) {
  PAINTSTRUCT paint;
  const HDC dc = BeginPaint(window, &paint);
  RECT client;
  GetClientRect(window, &client);
  FillRect(dc, &client, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
  std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
  text.resize(static_cast<std::size_t>(GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
  const HFONT font = LabelFont(window);
  const HGDIOBJ oldFont = SelectObject(dc, font);
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, RGB(55, 41, 31));
  UINT format = DT_CENTER | DT_WORDBREAK | DT_NOPREFIX;
  if (GetWindowLongPtrW(window, GWL_EXSTYLE) & WS_EX_RTLREADING) format |= DT_RTLREADING;
  // DrawText centres vertically only single lines: measure the wrapped block, then place it.
  RECT measured = client;
  DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &measured, format | DT_CALCRECT);
  RECT target = client;
  const int height = measured.bottom - measured.top;
  target.top = client.top + std::max(0L, ((client.bottom - client.top) - height) / 2);
  target.bottom = target.top + height;
  DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &target, format);
  SelectObject(dc, oldFont);
  DeleteObject(font);
  EndPaint(window, &paint);
}

LRESULT CALLBACK LabelProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_PAINT:
      PaintLabel(window);
      return 0;
    case WM_ERASEBKGND:
      return 1;
    case WM_SETTEXT: {
      const LRESULT result = DefWindowProcW(window, message, wParam, lParam);
      InvalidateRect(window, nullptr, FALSE);
      return result;
    }
    default:
      return DefWindowProcW(window, message, wParam, lParam);
  }
}

void RegisterChildClass(const wchar_t* name, WNDPROC proc) {
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = proc;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
  wc.lpszClassName = name;
  RegisterClassExW(&wc);
}

void CopyTruncated(wchar_t* target, std::size_t capacity, const std::string& text) {
  const std::wstring wide = win::Widen(text);
  const std::size_t length = std::min(wide.size(), capacity - 1);
  wide.copy(target, length);
  target[length] = L'\0';
}

}  // namespace

HICON LoadAppIcon(int size) {
  return static_cast<HICON>(LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(kAppIconId), IMAGE_ICON, size,
                                       size, LR_SHARED));
}

TWin32LoadingPanel::TWin32LoadingPanel(TWin32MainFormUi& ui) : FUi(ui) {
  RegisterChildClass(kPanelClass, &PanelProc);
  RECT client;
  GetClientRect(ui.Window(), &client);
  FPanel = CreateWindowExW(0, kPanelClass, L"", WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS, 0, 0, client.right,
                           client.bottom, ui.Window(), nullptr, GetModuleHandleW(nullptr), nullptr);
  if (FPanel == nullptr) throw std::runtime_error("CreateWindowExW(loading panel) failed");
  SetWindowPos(FPanel, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
  FUi.SetPanel(this);
}

TWin32LoadingPanel::~TWin32LoadingPanel() {
  FUi.SetPanel(nullptr);
  DestroyWindow(FPanel);
}

void TWin32LoadingPanel::BringToFront() {
  SetWindowPos(FPanel, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_SHOWWINDOW);
}

void TWin32LoadingPanel::Invalidate() {
  RedrawWindow(FPanel, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}

void TWin32LoadingPanel::FitToParent() {
  RECT client;
  GetClientRect(FUi.Window(), &client);
  MoveWindow(FPanel, 0, 0, client.right, client.bottom, TRUE);
}

TWin32LoadingLabel::TWin32LoadingLabel(TWin32LoadingPanel& panel) {
  RegisterChildClass(kLabelClass, &LabelProc);
  RECT client;
  GetClientRect(panel.Handle(), &client);
  // The frame's mirrored layout does not make the text read right to left; this style does.
  const DWORD exStyle = panel.Ui().RightToLeft() ? WS_EX_RTLREADING : 0;
  FLabel = CreateWindowExW(exStyle, kLabelClass, L"", WS_CHILD | WS_VISIBLE, 0, 0, client.right, client.bottom,
                           panel.Handle(), nullptr, GetModuleHandleW(nullptr), nullptr);
  if (FLabel == nullptr) throw std::runtime_error("CreateWindowExW(loading label) failed");
}

TWin32LoadingLabel::~TWin32LoadingLabel() { DestroyWindow(FLabel); }

void TWin32LoadingLabel::SetText(const std::string& text) {
  SetWindowTextW(FLabel, win::Widen(text).c_str());
  UpdateWindow(FLabel);
}

TWin32Timer::TWin32Timer(TWin32MainFormUi& ui, unsigned intervalMs, std::function<void()> onTick)
    : FUi(ui), FInterval(intervalMs), FOnTick(std::move(onTick)) {
  FId = FUi.AddTimer(&FOnTick);
}

TWin32Timer::~TWin32Timer() { FUi.RemoveTimer(FId); }

void TWin32Timer::SetEnabled(bool enabled) {
  if (enabled)
    SetTimer(FUi.Window(), FId, FInterval, nullptr);
  else
    KillTimer(FUi.Window(), FId);
}

TWin32TrayIcon::TWin32TrayIcon(TWin32MainFormUi& ui) : FUi(ui) {
  FData.cbSize = sizeof FData;
  FData.hWnd = ui.Window();
  FData.uID = kTrayIconId;
  FData.uFlags = NIF_MESSAGE;
  FData.uCallbackMessage = kTrayCallbackMessage;
  FUi.SetTray(this);
}

TWin32TrayIcon::~TWin32TrayIcon() {
  FUi.SetTray(nullptr);
  if (FAdded) Shell_NotifyIconW(NIM_DELETE, &FData);
}

void TWin32TrayIcon::SetVisible(bool visible) {
  FVisible = visible;
  if (!visible && FAdded) {
    Shell_NotifyIconW(NIM_DELETE, &FData);
    FAdded = false;
  }
  Apply();
}

void TWin32TrayIcon::SetHint(const std::string& text) {
  CopyTruncated(FData.szTip, std::size(FData.szTip), text);
  FData.uFlags |= NIF_TIP | NIF_SHOWTIP;
  Apply();
}

void TWin32TrayIcon::SetApplicationIcon() {
  FData.hIcon = LoadAppIcon(GetSystemMetrics(SM_CXSMICON));
  if (FData.hIcon != nullptr) FData.uFlags |= NIF_ICON;
  Apply();
}

std::string TWin32TrayIcon::Hint() const { return win::Narrow(FData.szTip); }

void TWin32TrayIcon::Apply() {
  if (!FVisible) return;
  if (FAdded) {
    Shell_NotifyIconW(NIM_MODIFY, &FData);
    return;
  }
  FAdded = Shell_NotifyIconW(NIM_ADD, &FData) != FALSE;
}

void TWin32TrayIcon::OnCallback(LPARAM lParam) {
  if (LOWORD(lParam) == WM_LBUTTONDBLCLK && FOnDblClick) FOnDblClick();
}

void TWin32TrayIcon::OnTaskbarCreated() {
  if (!FVisible) return;
  // A new notification area has no icon of ours; one that only says so again still has it.
  FAdded = Shell_NotifyIconW(NIM_ADD, &FData) != FALSE || Shell_NotifyIconW(NIM_MODIFY, &FData) != FALSE;
}

}  // namespace vantreel::win32ui
