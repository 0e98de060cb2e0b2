// The small Win32 pieces the main window asks for: the loading panel and label (child
// windows), a timer (SetTimer on the main window) and the notification-area icon
// (Shell_NotifyIconW, re-added when Explorer restarts). Each removes itself when released.
#pragma once

#include <windows.h>
#include <shellapi.h>

#include <functional>
#include <string>

#include "app/MainFormUi.h"

namespace vantreel::win32ui {

class TWin32MainFormUi;

// The application icon from the executable's resources (id 1), at the given size; null when
// the program carries none. Shared: never destroy it.
HICON LoadAppIcon(int size);
inline constexpr int kAppIconId = 1;
inline constexpr UINT kTrayCallbackMessage = WM_APP + 1;

class TWin32LoadingPanel final : public ILoadingPanel {
 public:
  explicit TWin32LoadingPanel(TWin32MainFormUi& ui);
  ~TWin32LoadingPanel() override;
  void BringToFront() override;
  void FitToParent();
  HWND Handle() const { return FPanel; }
  TWin32MainFormUi& Ui() const { return FUi; }
  // Repaints the panel and its label (a new DPI changes the label's font).
  void Invalidate();

 private:
  TWin32MainFormUi& FUi;
  HWND FPanel = nullptr;
};

// Paints its text centred both ways and word-wrapped, 14 pt at the window's DPI, colour
// (55, 41, 31), on the panel's white; CR LF breaks the line. Right-to-left reading in an
// Arabic window.
class TWin32LoadingLabel final : public ILoadingLabel {
 public:
  explicit TWin32LoadingLabel(TWin32LoadingPanel& panel);
  ~TWin32LoadingLabel() override;
  void SetText(const std::string& text) override;
  HWND Handle() const { return FLabel; }

 private:
  HWND FLabel = nullptr;
};

class TWin32Timer final : public IUiTimer {
 public:
  TWin32Timer(TWin32MainFormUi& ui, unsigned intervalMs, std::function<void()> onTick);
  ~TWin32Timer() override;
  void SetEnabled(bool enabled) override;

 private:
  TWin32MainFormUi& FUi;
  unsigned FInterval;
  std::function<void()> FOnTick;
  UINT_PTR FId = 0;
};

class TWin32TrayIcon final : public ITrayIcon {
 public:
  explicit TWin32TrayIcon(TWin32MainFormUi& ui);
  ~TWin32TrayIcon() override;
  void SetVisible(bool visible) override;
  void SetHint(const std::string& text) override;
  void SetBalloonTitle(const std::string& text) override { FBalloonTitle = text; }
  void SetBalloonText(const std::string& text) override { FBalloonText = text; }
  void SetApplicationIcon() override;
  void SetOnDblClick(std::function<void()> handler) override { FOnDblClick = std::move(handler); }
  bool IsEmbedded() const override { return FAdded; }

  // From the main window: the icon's callback message, and Explorer's restart.
  void OnCallback(LPARAM lParam);
  void OnTaskbarCreated();
  std::string Hint() const;

 private:
  void Apply();
  TWin32MainFormUi& FUi;
  NOTIFYICONDATAW FData{};
  bool FVisible = false;
  bool FAdded = false;
  std::string FBalloonTitle;
  std::string FBalloonText;
  std::function<void()> FOnDblClick;
};

}  // namespace vantreel::win32ui
