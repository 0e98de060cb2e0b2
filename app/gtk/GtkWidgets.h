// The small GTK pieces the main window asks for: the loading panel and label, timers and the
// tray icon. Each holds its own reference to its widget and destroys it when released.
#pragma once

#include <gtk/gtk.h>

#include <functional>
#include <memory>
#include <string>

#include "app/MainFormUi.h"

namespace vantreel::gtkui {

// Applies a widget-local style sheet (colours that the theme must not override).
void AddCss(GtkWidget* widget, const char* css);

// White event box filling the window, above the client area.
class TGtkLoadingPanel final : public ILoadingPanel {
 public:
  explicit TGtkLoadingPanel(GtkOverlay* window);
  ~TGtkLoadingPanel() override;
  void BringToFront() override;
  GtkWidget* Widget() const { return FBox; }

 private:
  GtkOverlay* FWindowOverlay;
  GtkWidget* FBox;
};

class TGtkLoadingLabel final : public ILoadingLabel {
 public:
  explicit TGtkLoadingLabel(TGtkLoadingPanel& panel);
  ~TGtkLoadingLabel() override;
  void SetText(const std::string& text) override;
  const std::string& Text() const { return FText; }
  GtkWidget* Widget() const { return FLabel; }

 private:
  GtkWidget* FLabel;
  std::string FText;
};

class TGtkTimer final : public IUiTimer {
 public:
  TGtkTimer(unsigned intervalMs, std::function<void()> onTick);
  ~TGtkTimer() override;
  void SetEnabled(bool enabled) override;

 private:
  static gboolean Tick(gpointer self);
  unsigned FInterval;
  std::function<void()> FOnTick;
  guint FSource = 0;
};

// GtkStatusIcon: shown by a tray host if there is one, a silent no-op otherwise. The balloon
// texts are kept; nothing shows a balloon.
class TGtkTrayIcon final : public ITrayIcon {
 public:
  TGtkTrayIcon();
  ~TGtkTrayIcon() override;
  void SetVisible(bool visible) override;
  void SetHint(const std::string& text) override;
  void SetBalloonTitle(const std::string& text) override { FBalloonTitle = text; }
  void SetBalloonText(const std::string& text) override { FBalloonText = text; }
  void SetApplicationIcon() override;
  void SetOnDblClick(std::function<void()> handler) override { FOnDblClick = std::move(handler); }
  bool IsEmbedded() const override;

  const std::string& BalloonTitle() const { return FBalloonTitle; }
  const std::string& BalloonText() const { return FBalloonText; }
  std::string Hint() const;
  // What a double-click on the icon does; tests call it without a tray host.
  void DoubleClick();

 private:
  static gboolean OnButtonPress(GtkStatusIcon*, GdkEventButton* event, gpointer self);
  GtkStatusIcon* FIcon;
  std::string FBalloonTitle;
  std::string FBalloonText;
  std::function<void()> FOnDblClick;
};

}  // namespace vantreel::gtkui
