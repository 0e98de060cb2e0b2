#include "app/gtk/GtkWidgets.h"

#include <utility>

#include "app/gtk/AppIcon.h"

namespace vantreel::gtkui {

void AddCss(GtkWidget* widget, const char* css) {
  GtkCssProvider* provider = gtk_css_provider_new();
  gtk_css_provider_load_from_data(provider, css, -1, nullptr);
  gtk_style_context_add_provider(gtk_widget_get_style_context(widget), GTK_STYLE_PROVIDER(provider),
                                 GTK_STYLE_PROVIDER_PRIORITY_APPLICATION);
  g_object_unref(provider);
}

namespace {

// GTK breaks lines at LF; a CR before it would show as a stray glyph on some fonts.
std::string DisplayText(const std::string& text) {
  std::string shown;
  shown.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i)
    if (!(text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')) shown += text[i];
  return shown;
}

}  // namespace

TGtkLoadingPanel::TGtkLoadingPanel(GtkOverlay* window) : FWindowOverlay(window), FBox(gtk_event_box_new()) {
  g_object_ref_sink(FBox);
  gtk_widget_set_name(FBox, "loading-panel");
  AddCss(FBox, "#loading-panel { background-color: #ffffff; border: none; }");
  gtk_widget_set_halign(FBox, GTK_ALIGN_FILL);
  gtk_widget_set_valign(FBox, GTK_ALIGN_FILL);
  gtk_overlay_add_overlay(FWindowOverlay, FBox);
  gtk_widget_show(FBox);
}

TGtkLoadingPanel::~TGtkLoadingPanel() {
  gtk_widget_destroy(FBox);
  g_object_unref(FBox);
}

void TGtkLoadingPanel::BringToFront() {
  if (gtk_widget_get_parent(FBox) == GTK_WIDGET(FWindowOverlay)) gtk_overlay_reorder_overlay(FWindowOverlay, FBox, -1);
}

TGtkLoadingLabel::TGtkLoadingLabel(TGtkLoadingPanel& panel) : FLabel(gtk_label_new(nullptr)) {
  g_object_ref_sink(FLabel);
  gtk_label_set_line_wrap(GTK_LABEL(FLabel), TRUE);
  gtk_label_set_justify(GTK_LABEL(FLabel), GTK_JUSTIFY_CENTER);
  gtk_label_set_xalign(GTK_LABEL(FLabel), 0.5f);
  gtk_label_set_yalign(GTK_LABEL(FLabel), 0.5f);
  gtk_widget_set_halign(FLabel, GTK_ALIGN_FILL);
  gtk_widget_set_valign(FLabel, GTK_ALIGN_FILL);
  PangoAttrList* attributes = pango_attr_list_new();
  pango_attr_list_insert(attributes, pango_attr_size_new(14 * PANGO_SCALE));
  pango_attr_list_insert(attributes, pango_attr_foreground_new(55 * 257, 41 * 257, 31 * 257));
  gtk_label_set_attributes(GTK_LABEL(FLabel), attributes);
  pango_attr_list_unref(attributes);
  gtk_container_add(GTK_CONTAINER(panel.Widget()), FLabel);
  gtk_widget_show(FLabel);
}

TGtkLoadingLabel::~TGtkLoadingLabel() {
  gtk_widget_destroy(FLabel);
  g_object_unref(FLabel);
}

void TGtkLoadingLabel::SetText(const std::string& text) {
  FText = text;
  gtk_label_set_text(GTK_LABEL(FLabel), DisplayText(text).c_str());
}

TGtkTimer::TGtkTimer(unsigned intervalMs, std::function<void()> onTick)
    : FInterval(intervalMs), FOnTick(std::move(onTick)) {}

TGtkTimer::~TGtkTimer() { SetEnabled(false); }

void TGtkTimer::SetEnabled(bool enabled) {
  if (enabled && FSource == 0) {
    FSource = g_timeout_add(FInterval, &TGtkTimer::Tick, this);
  } else if (!enabled && FSource != 0) {
    g_source_remove(FSource);
    FSource = 0;
  }
}

gboolean TGtkTimer::Tick(gpointer self) {
  // The handler may release this timer; keep nothing of it afterwards.
  std::function<void()> onTick = static_cast<TGtkTimer*>(self)->FOnTick;
  onTick();
  return G_SOURCE_CONTINUE;
}

G_GNUC_BEGIN_IGNORE_DEPRECATIONS  // GtkStatusIcon is GTK 3's only tray icon.

TGtkTrayIcon::TGtkTrayIcon() : FIcon(gtk_status_icon_new()) {
  gtk_status_icon_set_visible(FIcon, FALSE);
  g_signal_connect(FIcon, "button-press-event", G_CALLBACK(&TGtkTrayIcon::OnButtonPress), this);
}

TGtkTrayIcon::~TGtkTrayIcon() {
  g_signal_handlers_disconnect_by_data(FIcon, this);
  gtk_status_icon_set_visible(FIcon, FALSE);
  g_object_unref(FIcon);
}

void TGtkTrayIcon::SetVisible(bool visible) { gtk_status_icon_set_visible(FIcon, visible ? TRUE : FALSE); }

void TGtkTrayIcon::SetHint(const std::string& text) { gtk_status_icon_set_tooltip_text(FIcon, text.c_str()); }

std::string TGtkTrayIcon::Hint() const {
  gchar* text = gtk_status_icon_get_tooltip_text(FIcon);
  std::string hint = text != nullptr ? text : "";
  g_free(text);
  return hint;
}

bool TGtkTrayIcon::IsEmbedded() const { return gtk_status_icon_is_embedded(FIcon); }

void TGtkTrayIcon::SetApplicationIcon() {
  if (GdkPixbuf* icon = LoadAppIcon(48)) {
    gtk_status_icon_set_from_pixbuf(FIcon, icon);
    g_object_unref(icon);
  }
}

G_GNUC_END_IGNORE_DEPRECATIONS

void TGtkTrayIcon::DoubleClick() {
  if (FOnDblClick) FOnDblClick();
}

gboolean TGtkTrayIcon::OnButtonPress(GtkStatusIcon*, GdkEventButton* event, gpointer self) {
  if (event->type != GDK_2BUTTON_PRESS || event->button != 1) return FALSE;
  static_cast<TGtkTrayIcon*>(self)->DoubleClick();
  return TRUE;
}

}  // namespace vantreel::gtkui
