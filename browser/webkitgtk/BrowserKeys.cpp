#include "browser/webkitgtk/BrowserKeys.h"

namespace vantreel::webkitgtk {

bool IsBrowserAcceleratorKey(guint keyval, GdkModifierType state) {
  const guint mods = state & (GDK_CONTROL_MASK | GDK_SHIFT_MASK | GDK_MOD1_MASK);
  const guint key = gdk_keyval_to_lower(keyval);
  switch (key) {
    case GDK_KEY_F3:
    case GDK_KEY_F5:
    case GDK_KEY_F7:
    case GDK_KEY_F12:
      return true;
    default:
      break;
  }
  if (mods == GDK_MOD1_MASK) return key == GDK_KEY_Left || key == GDK_KEY_Right || key == GDK_KEY_Home;
  if (mods == GDK_CONTROL_MASK)
    return key == GDK_KEY_r || key == GDK_KEY_f || key == GDK_KEY_g || key == GDK_KEY_p || key == GDK_KEY_u ||
           key == GDK_KEY_s || key == GDK_KEY_plus || key == GDK_KEY_minus || key == GDK_KEY_equal ||
           key == GDK_KEY_0;
  if (mods == (GDK_CONTROL_MASK | GDK_SHIFT_MASK))
    return key == GDK_KEY_i || key == GDK_KEY_j || key == GDK_KEY_c || key == GDK_KEY_r || key == GDK_KEY_g;
  return false;
}

}  // namespace vantreel::webkitgtk
