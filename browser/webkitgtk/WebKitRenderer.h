// The renderer WebKitGTK is told to use, chosen before GTK or WebKit start. The DMA-BUF
// renderer holds about 70 MB more over the client's three processes and buys nothing for a
// page of forms and lists; the shared-memory path renders it the same. A value the user
// set already is left as it is.
#pragma once

#include <glib.h>

namespace vantreel::webkitgtk {

inline void ChooseWebKitRenderer() { g_setenv("WEBKIT_DISABLE_DMABUF_RENDERER", "1", FALSE); }

}  // namespace vantreel::webkitgtk
