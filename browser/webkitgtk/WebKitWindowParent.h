// The host control: a GtkBox placed in the window's client area and filling it, into which
// the browser puts its view. Holds its own reference, so it may outlive the window's widgets.
#pragma once

#include <gtk/gtk.h>

#include "browser/WebViewHost.h"

namespace vantreel::webkitgtk {

class TWebKitWindowParent final : public IWindowParent {
 public:
  // `parent`: a GtkOverlay (the client area: host controls stack, the latest on top) or any
  // other GtkContainer.
  explicit TWebKitWindowParent(NativeHandle parent);
  ~TWebKitWindowParent() override;
  TWebKitWindowParent(const TWebKitWindowParent&) = delete;
  TWebKitWindowParent& operator=(const TWebKitWindowParent&) = delete;

  void SetBrowser(IWebBrowser* browser) override { FBrowser = browser; }
  IWebBrowser* Browser() const { return FBrowser; }
  void UpdateSize() override;
  NativeHandle Handle() const override { return FBox; }
  void SetVisible(bool visible) override;
  void SetBackgroundWhite() override;
  void Invalidate() override;
  void Repaint() override;

 private:
  GtkWidget* FBox = nullptr;
  IWebBrowser* FBrowser = nullptr;
};

}  // namespace vantreel::webkitgtk
