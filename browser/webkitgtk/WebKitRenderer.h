// The renderer WebKitGTK is told to use, chosen before GTK or WebKit start.
//
// WebKit's older drawing path (WEBKIT_DISABLE_DMABUF_RENDERER) stops presenting new frames as
// soon as a text field takes the focus under GTK's XIM input module, while the page goes on
// working unseen. GTK picks that module by default for Chinese, Japanese and Korean when no
// input-method server runs, so the old path froze the window for our first users. The DMA-BUF
// renderer has no such fault; with shared-memory buffers and CPU rasterisation it holds about
// as much memory over the client's three processes as the old path did (roughly 220 MiB on
// this page), where its GPU path holds some 90 MiB more for a page of forms and lists.
//
// Set unconditionally: a value from outside could bring the freeze back.
#pragma once

#include <glib.h>

namespace vantreel::webkitgtk {

inline void ChooseWebKitRenderer() {
  g_unsetenv("WEBKIT_DISABLE_DMABUF_RENDERER");
  g_setenv("WEBKIT_DMABUF_RENDERER_FORCE_SHM", "1", TRUE);
  g_setenv("WEBKIT_SKIA_ENABLE_CPU_RENDERING", "1", TRUE);
}

}  // namespace vantreel::webkitgtk
