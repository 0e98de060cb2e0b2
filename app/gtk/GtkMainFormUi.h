// The GTK 3 window of the main form: a GtkWindow holding a GtkOverlay whose main child is the
// client area (itself an overlay, in which browser host controls stack, client-aligned) and
// whose overlay child, while shown, is the loading panel. It tells the registered window
// every showing (map), every size change, the minimise (GTK iconifies first: when the window
// takes it, the backend un-iconifies so that the window comes back normal) and the resume
// from sleep (logind's PrepareForSleep(false)). Closing the window calls the close handler,
// by default leaving the GTK main loop. Main thread only.
#pragma once

#include <gtk/gtk.h>

#include <functional>
#include <memory>
#include <string>
#include <thread>

#include "app/MainFormUi.h"

namespace vantreel::gtkui {

class TLogindResumeWatcher;

class TGtkMainFormUi final : public IMainFormUi {
 public:
  TGtkMainFormUi();
  ~TGtkMainFormUi() override;
  TGtkMainFormUi(const TGtkMainFormUi&) = delete;
  TGtkMainFormUi& operator=(const TGtkMainFormUi&) = delete;

  void SetEventSink(IMainFormEvents* sink) override;

  void SetCaption(const std::string& caption) override;
  std::string Caption() const override;
  void SetRightToLeft(bool rightToLeft) override;
  void SetClientSize(int width, int height) override;
  void CenterOnScreen() override;
  void SetBackgroundWhite() override;
  NativeHandle ClientHandle() override { return FClientArea; }
  bool IsVisible() const override;
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
  void Sleep(unsigned ms) override;
  std::uint32_t TickCount() const override;
  TUiThreadInvoker UiThreadInvoke() override;

  GtkWindow* Window() const { return GTK_WINDOW(FWindow); }
  // What closing the window does; by default it leaves the innermost gtk_main.
  void SetOnClose(std::function<void()> onClose) { FOnClose = std::move(onClose); }
  // Tests answer message boxes themselves instead of a modal dialog that nobody closes.
  void SetMessageBoxHandlerForTesting(std::function<void(const std::string&)> handler) {
    FMessageBoxHandler = std::move(handler);
  }
  // The system bus to watch for resume; tests pass a private one. Set before SetEventSink.
  void SetSystemBusAddressForTesting(std::string address) { FBusAddress = std::move(address); }

 private:
  void FitInsideWorkArea();
  static void OnMap(GtkWidget*, gpointer self);
  static void OnSizeAllocate(GtkWidget*, GdkRectangle* allocation, gpointer self);
  static gboolean OnWindowState(GtkWidget*, GdkEventWindowState* event, gpointer self);
  static gboolean OnDelete(GtkWidget*, GdkEvent*, gpointer self);
  void OnResume();

  GtkWidget* FWindow = nullptr;
  GtkWidget* FRoot = nullptr;
  GtkWidget* FClientArea = nullptr;
  IMainFormEvents* FSink = nullptr;
  int FLastWidth = 0;
  int FLastHeight = 0;
  std::function<void()> FOnClose;
  std::function<void(const std::string&)> FMessageBoxHandler;
  std::string FBusAddress;
  std::unique_ptr<TLogindResumeWatcher> FResumeWatcher;
  std::thread::id FUiThread = std::this_thread::get_id();
};

}  // namespace vantreel::gtkui
