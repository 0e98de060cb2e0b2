// The Win32 window of the main form, built in code: a top-level window whose client area is
// the browser host controls' parent, the loading panel and label as child windows above them,
// timers and the tray icon on the window's own messages. It tells the registered window every
// showing (once WM_SHOWWINDOW's show has happened), every size change, the minimise
// (WM_SYSCOMMAND / SC_MINIMIZE), the resume (WM_POWERBROADCAST), moves (WM_MOVE) and the
// focus (WM_ACTIVATE after its default handling, WM_SETFOCUS) as the real messages. Sizes
// are DIPs scaled by the window's DPI; WM_DPICHANGED takes the system's suggested rectangle.
// Closing the window posts WM_QUIT.
// User-interface thread only, except UiThreadInvoke's function.
#pragma once

#include <windows.h>

#include <functional>
#include <map>
#include <memory>
#include <string>

#include "app/MainFormUi.h"

namespace vantreel::win32ui {

class TWin32TrayIcon;
class TWin32LoadingPanel;

class TWin32MainFormUi final : public IMainFormUi {
 public:
  TWin32MainFormUi();
  ~TWin32MainFormUi() override;
  TWin32MainFormUi(const TWin32MainFormUi&) = delete;
  TWin32MainFormUi& operator=(const TWin32MainFormUi&) = delete;

  void SetEventSink(IMainFormEvents* sink) override { FSink = sink; }

  void SetCaption(const std::string& caption) override;
  std::string Caption() const override;
  void SetRightToLeft(bool rightToLeft) override;
  void SetClientSize(int width, int height) override;
  void CenterOnScreen() override;
  void SetBackgroundWhite() override;
  NativeHandle ClientHandle() override { return FWindow; }
  bool IsVisible() const override { return IsWindowVisible(FWindow) != FALSE; }
  void Show() override;
  void Hide() override;
  void SetNormalState() override;
  void BringToFront() override;
  void BringApplicationToFront() override;
  void SetForegroundWindow() override;
  void SetFocus() override;
  void Invalidate() override;
  void Update() override;

  std::unique_ptr<ILoadingPanel> CreateLoadingPanel() override;
  std::unique_ptr<ILoadingLabel> CreateLoadingLabel(ILoadingPanel& panel) override;
  std::unique_ptr<IUiTimer> CreateTimer(unsigned intervalMs, std::function<void()> onTick) override;
  std::unique_ptr<ITrayIcon> CreateTrayIcon() override;
  bool HasApplicationIcon() const override;

  void ShowMessageBox(const std::string& text) override;
  void ProcessMessages() override;
  void Sleep(unsigned ms) override { ::Sleep(ms); }
  std::uint32_t TickCount() const override { return GetTickCount(); }
  TUiThreadInvoker UiThreadInvoke() override;

  HWND Window() const { return FWindow; }
  bool RightToLeft() const { return FRightToLeft; }
  // What closing the window does; by default it posts WM_QUIT.
  void SetOnClose(std::function<void()> onClose) { FOnClose = std::move(onClose); }

  // Used by the pieces this window makes.
  UINT_PTR AddTimer(std::function<void()>* onTick);
  void RemoveTimer(UINT_PTR id);
  void SetTray(TWin32TrayIcon* tray) { FTray = tray; }
  void SetPanel(TWin32LoadingPanel* panel) { FPanel = panel; }

 private:
  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT Handle(UINT message, WPARAM wParam, LPARAM lParam);
  bool Deliver(std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam, LRESULT& result);
  UINT WindowDpi() const;
  RECT WorkArea() const;
  // Moves and, where needed, shrinks the window into the work area.
  void KeepInWorkArea();

  HWND FWindow = nullptr;
  HBRUSH FBackground = nullptr;
  IMainFormEvents* FSink = nullptr;
  bool FRightToLeft = false;
  std::function<void()> FOnClose;
  std::map<UINT_PTR, std::function<void()>*> FTimers;
  UINT_PTR FNextTimer = 1;
  TWin32TrayIcon* FTray = nullptr;
  TWin32LoadingPanel* FPanel = nullptr;
  UINT FTaskbarCreated = 0;
};

}  // namespace vantreel::win32ui
