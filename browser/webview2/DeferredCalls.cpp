#include "browser/webview2/DeferredCalls.h"

#include <utility>

namespace vantreel::webview2 {
namespace {

constexpr UINT kRunQueued = WM_APP + 1;
constexpr const wchar_t* kClassName = L"VantreelDeferredCalls";

void RegisterClassOnce() {
  static const bool registered = [] {
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = DefWindowProcW;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = kClassName;
    return RegisterClassExW(&windowClass) != 0;
  }();
  (void)registered;
}

}  // namespace

TDeferredCalls::TDeferredCalls() {
  RegisterClassOnce();
  FWindow = CreateWindowExW(0, kClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, GetModuleHandleW(nullptr), nullptr);
  if (FWindow != nullptr) {
    SetWindowLongPtrW(FWindow, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    SetWindowLongPtrW(FWindow, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&TDeferredCalls::WindowProc));
  }
}

TDeferredCalls::~TDeferredCalls() {
  if (FWindow != nullptr) {
    SetWindowLongPtrW(FWindow, GWLP_USERDATA, 0);
    DestroyWindow(FWindow);
  }
}

void TDeferredCalls::Post(std::function<void()> call) {
  FQueue.push_back(std::move(call));
  if (FQueue.size() == 1 && FWindow != nullptr) PostMessageW(FWindow, kRunQueued, 0, 0);
}

void TDeferredCalls::RunQueued() {
  // A call may post again; those run on the next turn.
  std::deque<std::function<void()>> calls;
  calls.swap(FQueue);
  while (!calls.empty()) {
    auto call = std::move(calls.front());
    calls.pop_front();
    call();
  }
}

LRESULT CALLBACK TDeferredCalls::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == kRunQueued) {
    if (auto* self = reinterpret_cast<TDeferredCalls*>(GetWindowLongPtrW(window, GWLP_USERDATA))) self->RunQueued();
    return 0;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace vantreel::webview2
