// The application icon, drawn by us and embedded in the executable (resources/icons) in the
// seven sizes that it carries.
#pragma once

#include <gdk-pixbuf/gdk-pixbuf.h>

namespace vantreel::gtkui {

// Every size, largest last; owned by the caller (g_list_free_full with g_object_unref).
// Empty when the embedded icons cannot be read.
GList* LoadAppIconList();
// One size (16, 24, 32, 48, 64, 128 or 256); a new reference, or null.
GdkPixbuf* LoadAppIcon(int size);

}  // namespace vantreel::gtkui
