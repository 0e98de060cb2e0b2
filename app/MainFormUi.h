// What the main window needs from the windowing system: the top-level window, the loading
// overlay's panel and label, timers, the tray icon, modal message boxes, the message loop and
// the tick count. TMainForm drives these and nothing else, so that tests run it with doubles
// and no display. Backends: app/gtk/ (GTK 3, Linux) and app/win32/ (Win32, Windows).
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "app/WindowMessages.h"
#include "browser/WebViewHost.h"

namespace vantreel {

// The covering panel of the loading overlay: white, no border, fills the client area,
// above the browser host control.
class ILoadingPanel {
 public:
  virtual ~ILoadingPanel() = default;
  virtual void BringToFront() = 0;
};

// The overlay's text: centred both ways, word-wrapped, transparent, 14 pt, colour (55, 41, 31).
class ILoadingLabel {
 public:
  virtual ~ILoadingLabel() = default;
  virtual void SetText(const std::string& text) = 0;  // lines separated by CR LF
};

class IUiTimer {
 public:
  virtual ~IUiTimer() = default;
  virtual void SetEnabled(bool enabled) = 0;
};

// Notification-area icon. Visible until released.
class ITrayIcon {
 public:
  virtual ~ITrayIcon() = default;
  virtual void SetVisible(bool visible) = 0;
  virtual void SetHint(const std::string& text) = 0;
  virtual void SetBalloonTitle(const std::string& text) = 0;
  virtual void SetBalloonText(const std::string& text) = 0;
  virtual void SetApplicationIcon() = 0;
  virtual void SetOnDblClick(std::function<void()> handler) = 0;
  // False while no notification area shows the icon (nothing could restore a hidden window).
  virtual bool IsEmbedded() const { return true; }
};

// Runs a function on the user-interface thread and returns once it has run there. Holds
// nothing of the window, so a background thread may keep it after the window is gone.
using TUiThreadInvoker = std::function<void(std::function<void()>)>;

// What the backend tells the window: every showing, every resize, the window messages it
// translates (minimise, power), and lines for the window's log.
class IMainFormEvents {
 public:
  virtual ~IMainFormEvents() = default;
  virtual void DoShow() = 0;
  virtual void Resize() = 0;
  // True: handled here, not passed on (the backend then skips its own handling).
  virtual bool WndProc(TMessage& message) = 0;
  virtual void LogMessage(const std::string& message) = 0;
};

class IMainFormUi {
 public:
  virtual ~IMainFormUi() = default;

  // The window registers itself at construction and clears it when destroyed.
  virtual void SetEventSink(IMainFormEvents* sink) = 0;

  // The window.
  virtual void SetCaption(const std::string& caption) = 0;
  virtual std::string Caption() const = 0;
  virtual void SetRightToLeft(bool rightToLeft) = 0;
  virtual void SetClientSize(int width, int height) = 0;
  virtual void CenterOnScreen() = 0;
  virtual void SetBackgroundWhite() = 0;
  virtual NativeHandle ClientHandle() = 0;  // parent of the browser host control
  virtual bool IsVisible() const = 0;
  virtual void Show() = 0;  // makes the window visible; the backend then calls TMainForm::DoShow
  virtual void Hide() = 0;
  virtual void SetNormalState() = 0;
  virtual void BringToFront() = 0;
  virtual void BringApplicationToFront() = 0;
  virtual void SetForegroundWindow() = 0;
  virtual void SetFocus() = 0;
  virtual void Invalidate() = 0;
  virtual void Update() = 0;

  // The loading overlay; the window releases the label before the panel.
  virtual std::unique_ptr<ILoadingPanel> CreateLoadingPanel() = 0;
  virtual std::unique_ptr<ILoadingLabel> CreateLoadingLabel(ILoadingPanel& panel) = 0;

  virtual std::unique_ptr<IUiTimer> CreateTimer(unsigned intervalMs, std::function<void()> onTick) = 0;
  virtual std::unique_ptr<ITrayIcon> CreateTrayIcon() = 0;
  virtual bool HasApplicationIcon() const = 0;

  // Modal box with the text and an OK button; returns when the user has closed it.
  virtual void ShowMessageBox(const std::string& text) = 0;

  // Handles every pending event of the user-interface thread, then returns.
  virtual void ProcessMessages() = 0;
  virtual void Sleep(unsigned ms) = 0;
  // Milliseconds since system start, wrapping at 2^32.
  virtual std::uint32_t TickCount() const = 0;
  virtual TUiThreadInvoker UiThreadInvoke() = 0;
};

}  // namespace vantreel
