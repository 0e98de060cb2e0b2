// The renderer WebKitGTK is told to use, chosen before GTK or WebKit start, and how each
// view draws its canvases.
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

#include <webkit2/webkit2.h>

namespace vantreel::webkitgtk {

inline void ChooseWebKitRenderer() {
  g_unsetenv("WEBKIT_DISABLE_DMABUF_RENDERER");
  g_setenv("WEBKIT_DMABUF_RENDERER_FORCE_SHM", "1", TRUE);
  g_setenv("WEBKIT_SKIA_ENABLE_CPU_RENDERING", "1", TRUE);
}

// The setting by which WebKit draws 2D canvases with GL.
inline constexpr char kCanvasOnGlFeature[] = "CanvasUsesAcceleratedDrawing";

// The feature of that name in the list (owned by the list), or nullptr.
inline WebKitFeature* FindWebKitFeature(WebKitFeatureList* features, const char* identifier) {
  for (gsize i = 0; i < webkit_feature_list_get_length(features); ++i) {
    WebKitFeature* feature = webkit_feature_list_get(features, i);
    if (g_strcmp0(webkit_feature_get_identifier(feature), identifier) == 0) return feature;
  }
  return nullptr;
}

// WebKit draws a 2D canvas with GL on the web process's main thread, while its compositor
// thread draws the page with GL as well. Mesa's software GL (llvmpipe), which a machine
// without a GPU driver gets, is not safe for that: now and then the web process crashed in
// the middle of the photo page, and the window had to start the page over. Our canvases are
// small (the drawing pad, a 640x480 photo) and are read back as images, which a canvas in
// memory does without a copy out of GL. False when this WebKit no longer knows the setting.
inline bool DrawCanvasesOnCpu(WebKitSettings* settings) {
  WebKitFeatureList* features = webkit_settings_get_all_features();
  WebKitFeature* canvasOnGl = FindWebKitFeature(features, kCanvasOnGlFeature);
  if (canvasOnGl != nullptr) webkit_settings_set_feature_enabled(settings, canvasOnGl, FALSE);
  webkit_feature_list_unref(features);
  return canvasOnGl != nullptr;
}

}  // namespace vantreel::webkitgtk
