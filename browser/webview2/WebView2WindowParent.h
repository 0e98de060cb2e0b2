// The host control: a child window that fills the main window's client area and holds the
// browser's controller, which follows every change of its size.
#pragma once

#include <windows.h>

#include "browser/WebViewHost.h"

namespace vantreel::webview2 {

class TWebView2WindowParent final : public IWindowParent {
 public:
  // `parent`: the HWND of the window's client area.
  explicit TWebView2WindowParent(NativeHandle parent);
  ~TWebView2WindowParent() override;
  TWebView2WindowParent(const TWebView2WindowParent&) = delete;
  TWebView2WindowParent& operator=(const TWebView2WindowParent&) = delete;

  void SetBrowser(IWebBrowser* browser) override { FBrowser = browser; }
  void UpdateSize() override;
  NativeHandle Handle() const override { return FWindow; }
  void SetVisible(bool visible) override;
  void SetBackgroundWhite() override;
  void Invalidate() override;
  void Repaint() override;
  void ParentWindowMoved() override;

 private:
  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  void FitBrowser();

  HWND FParent = nullptr;
  HWND FWindow = nullptr;
  IWebBrowser* FBrowser = nullptr;
  bool FWhite = false;
};

}  // namespace vantreel::webview2
