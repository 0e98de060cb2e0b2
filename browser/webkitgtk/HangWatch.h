// Notices a page whose web process stopped answering: a stopped process, or a script stuck in
// a loop. WebKit reports neither by itself (a stopped process never "terminates", and its
// responsiveness timer runs only for loads and input), so the watch asks the page for a trivial
// script result every few seconds and calls `onHung` once an answer has been outstanding for
// kUnresponsiveAfter. Probes go out only while `shouldProbe` says a document of ours is shown.
// Main thread only; the destructor stops the timer and drops any answer still on its way.
#pragma once

#include <webkit2/webkit2.h>

#include <chrono>
#include <functional>

namespace vantreel::webkitgtk {

class THangWatch {
 public:
  static constexpr std::chrono::seconds kProbeInterval{3};
  // Long enough that a healthy page on a machine busy with other work is never taken for hung.
  static constexpr std::chrono::seconds kUnresponsiveAfter{15};

  THangWatch(WebKitWebView* view, std::function<bool()> shouldProbe, std::function<void()> onHung);
  ~THangWatch();
  THangWatch(const THangWatch&) = delete;
  THangWatch& operator=(const THangWatch&) = delete;

  // Forgets the outstanding probe: its process is gone, a new one starts afresh.
  void Reset() { FProbeSentAt = 0; }

 private:
  static gboolean OnTick(gpointer self);
  static void OnAnswer(GObject* view, GAsyncResult* result, gpointer self);

  WebKitWebView* FView;
  std::function<bool()> FShouldProbe;
  std::function<void()> FOnHung;
  GCancellable* FCancellable;
  guint FTimer = 0;
  gint64 FProbeSentAt = 0;  // monotonic microseconds; 0 while no probe is outstanding
};

}  // namespace vantreel::webkitgtk
