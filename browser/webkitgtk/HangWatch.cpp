#include "browser/webkitgtk/HangWatch.h"

#include <utility>

namespace vantreel::webkitgtk {

THangWatch::THangWatch(WebKitWebView* view, std::function<bool()> shouldProbe, std::function<void()> onHung)
    : FView(view), FShouldProbe(std::move(shouldProbe)), FOnHung(std::move(onHung)),
      FCancellable(g_cancellable_new()) {
  FTimer = g_timeout_add_seconds(static_cast<guint>(kProbeInterval.count()), &THangWatch::OnTick, this);
}

THangWatch::~THangWatch() {
  g_source_remove(FTimer);
  // An answer still on its way finds the cancellation and leaves this object alone.
  g_cancellable_cancel(FCancellable);
  g_object_unref(FCancellable);
}

gboolean THangWatch::OnTick(gpointer self) {
  auto* watch = static_cast<THangWatch*>(self);
  if (watch->FTicksOutstanding != 0) {
    if (++watch->FTicksOutstanding > kUnresponsiveAfter / kProbeInterval) {
      watch->FTicksOutstanding = 0;
      watch->FOnHung();
    }
    return G_SOURCE_CONTINUE;
  }
  if (!watch->FShouldProbe()) return G_SOURCE_CONTINUE;
  watch->FTicksOutstanding = 1;
  webkit_web_view_evaluate_javascript(watch->FView, "0", -1, nullptr, nullptr, watch->FCancellable,
                                      &THangWatch::OnAnswer, watch);
  return G_SOURCE_CONTINUE;
}

void THangWatch::OnAnswer(GObject* view, GAsyncResult* result, gpointer self) {
  GError* error = nullptr;
  if (JSCValue* value = webkit_web_view_evaluate_javascript_finish(WEBKIT_WEB_VIEW(view), result, &error))
    g_object_unref(value);
  const bool cancelled = error != nullptr && g_error_matches(error, G_IO_ERROR, G_IO_ERROR_CANCELLED);
  g_clear_error(&error);
  if (cancelled) return;  // the watch is gone
  // An answer, or an error from a process that went away: either way nothing is outstanding.
  static_cast<THangWatch*>(self)->FTicksOutstanding = 0;
}

}  // namespace vantreel::webkitgtk
