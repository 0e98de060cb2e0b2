#include "app/gtk/AppIcon.h"

#include <gio/gio.h>

#include <string>

extern "C" GResource* vantreel_icons_get_resource(void);

namespace vantreel::gtkui {

GdkPixbuf* LoadAppIcon(int size) {
  // Referencing the generated resource keeps it (and its registration) in the link.
  if (vantreel_icons_get_resource() == nullptr) return nullptr;
  const std::string path = "/com/vantreel/icons/vantreel-" + std::to_string(size) + ".png";
  return gdk_pixbuf_new_from_resource(path.c_str(), nullptr);
}

GList* LoadAppIconList() {
  GList* icons = nullptr;
  for (int size : {16, 24, 32, 48, 64, 128, 256})
    if (GdkPixbuf* icon = LoadAppIcon(size)) icons = g_list_append(icons, icon);
  return icons;
}

}  // namespace vantreel::gtkui
