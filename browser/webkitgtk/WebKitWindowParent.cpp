#include "browser/webkitgtk/WebKitWindowParent.h"

#include <stdexcept>

namespace vantreel::webkitgtk {

TWebKitWindowParent::TWebKitWindowParent(NativeHandle parent) {
  if (parent == nullptr || !GTK_IS_CONTAINER(parent))
    throw std::runtime_error("The window has no client area for the browser host control.");
  FBox = gtk_box_new(GTK_ORIENTATION_VERTICAL, 0);
  g_object_ref_sink(FBox);
  gtk_widget_set_hexpand(FBox, TRUE);
  gtk_widget_set_vexpand(FBox, TRUE);
  gtk_widget_set_halign(FBox, GTK_ALIGN_FILL);
  gtk_widget_set_valign(FBox, GTK_ALIGN_FILL);
  if (GTK_IS_OVERLAY(parent))
    gtk_overlay_add_overlay(GTK_OVERLAY(parent), FBox);
  else
    gtk_container_add(GTK_CONTAINER(parent), FBox);
}

TWebKitWindowParent::~TWebKitWindowParent() {
  gtk_widget_destroy(FBox);
  g_object_unref(FBox);
}

void TWebKitWindowParent::UpdateSize() {
  // GTK fits the child on every allocation; this only asks for one now.
  gtk_widget_queue_resize(FBox);
}

void TWebKitWindowParent::SetVisible(bool visible) {
  if (visible)
    gtk_widget_show(FBox);
  else
    gtk_widget_hide(FBox);
}

void TWebKitWindowParent::SetBackgroundWhite() {
  GtkCssProvider* css = gtk_css_provider_new();
  gtk_css_provider_load_from_data(css, "box { background-color: #ffffff; }", -1, nullptr);
  gtk_style_context_add_provider(gtk_widget_get_style_context(FBox), GTK_STYLE_PROVIDER(css),
                                 GTK_STYLE_PROVIDER_PRIORITY_APPLICATION);
  g_object_unref(css);
}

void TWebKitWindowParent::Invalidate() { gtk_widget_queue_draw(FBox); }

// GTK 3 paints on the next frame; there is no synchronous repaint left to ask for.
void TWebKitWindowParent::Repaint() { gtk_widget_queue_draw(FBox); }

}  // namespace vantreel::webkitgtk
