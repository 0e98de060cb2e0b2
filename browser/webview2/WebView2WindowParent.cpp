#include "browser/webview2/WebView2WindowParent.h"

#include <stdexcept>

#include "browser/webview2/WebView2Browser.h"

namespace vantreel::webview2 {
namespace {

constexpr const wchar_t* kClassName = L"VantreelBrowserHost";

void RegisterClassOnce(WNDPROC procedure) {
  static const bool registered = [procedure] {
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = procedure;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));  // IDC_ARROW
    windowClass.lpszClassName = kClassName;
    return RegisterClassExW(&windowClass) != 0;
  }();
  (void)registered;
}

}  // namespace

TWebView2WindowParent::TWebView2WindowParent(NativeHandle parent) : FParent(static_cast<HWND>(parent)) {
  RegisterClassOnce(&TWebView2WindowParent::WindowProc);
  RECT client{};
  if (FParent != nullptr) GetClientRect(FParent, &client);
  // An Arabic frame is mirrored; the runtime's windows inside must not be (the page lays
  // itself out right to left), so the host passes no layout on to its children.
  FWindow = CreateWindowExW(WS_EX_NOINHERITLAYOUT, kClassName, L"", WS_CHILD | WS_CLIPCHILDREN | WS_CLIPSIBLINGS, 0, 0,
                            client.right - client.left, client.bottom - client.top, FParent, nullptr,
                            GetModuleHandleW(nullptr), nullptr);
  if (FWindow == nullptr) throw std::runtime_error("The browser's host window cannot be created.");
  SetWindowLongPtrW(FWindow, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
}

TWebView2WindowParent::~TWebView2WindowParent() {
  SetWindowLongPtrW(FWindow, GWLP_USERDATA, 0);
  DestroyWindow(FWindow);
}

void TWebView2WindowParent::UpdateSize() {
  RECT client{};
  if (FParent != nullptr && GetClientRect(FParent, &client))
    MoveWindow(FWindow, 0, 0, client.right - client.left, client.bottom - client.top, TRUE);
  FitBrowser();
}

void TWebView2WindowParent::FitBrowser() {
  if (auto* browser = dynamic_cast<TWebView2Browser*>(FBrowser)) browser->FitToHost();
}

void TWebView2WindowParent::SetVisible(bool visible) { ShowWindow(FWindow, visible ? SW_SHOW : SW_HIDE); }

void TWebView2WindowParent::SetBackgroundWhite() {
  FWhite = true;
  InvalidateRect(FWindow, nullptr, TRUE);
}

void TWebView2WindowParent::Invalidate() { InvalidateRect(FWindow, nullptr, TRUE); }

// Only the host's own background: the runtime's windows inside belong to another process, and
// painting them at once would wait on it at every step of a resize. They follow put_Bounds.
void TWebView2WindowParent::Repaint() { RedrawWindow(FWindow, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_NOCHILDREN); }

void TWebView2WindowParent::ParentWindowMoved() {
  if (auto* browser = dynamic_cast<TWebView2Browser*>(FBrowser)) browser->NotifyParentWindowMoved();
}

LRESULT CALLBACK TWebView2WindowParent::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* self = reinterpret_cast<TWebView2WindowParent*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  switch (message) {
    case WM_SIZE:
      if (self != nullptr) self->FitBrowser();
      return 0;
    case WM_ERASEBKGND:
      if (self != nullptr && self->FWhite) {
        RECT client{};
        GetClientRect(window, &client);
        FillRect(reinterpret_cast<HDC>(wParam), &client, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
        return 1;
      }
      break;
    default:
      break;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace vantreel::webview2
