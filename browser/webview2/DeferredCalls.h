// Runs functions later on the user-interface thread, from its message loop, through a
// message-only window. Calls still queued when the object goes are dropped.
#pragma once

#include <windows.h>

#include <deque>
#include <functional>

namespace vantreel::webview2 {

class TDeferredCalls {
 public:
  TDeferredCalls();
  ~TDeferredCalls();
  TDeferredCalls(const TDeferredCalls&) = delete;
  TDeferredCalls& operator=(const TDeferredCalls&) = delete;

  void Post(std::function<void()> call);

 private:
  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  void RunQueued();

  HWND FWindow = nullptr;
  std::deque<std::function<void()>> FQueue;
};

}  // namespace vantreel::webview2
