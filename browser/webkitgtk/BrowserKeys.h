// The keys with which a browser would act on its own (reload, find, print, source, developer
// tools, history). With browser accelerator keys off the view swallows them; editing keys
// (copy, paste, undo, select all) stay with the page.
#pragma once

#include <gdk/gdk.h>

namespace vantreel::webkitgtk {

bool IsBrowserAcceleratorKey(guint keyval, GdkModifierType state);

}  // namespace vantreel::webkitgtk
