// Notices a page whose web process stopped answering: a stopped process, or a script stuck in
// a loop. WebKit reports neither by itself (a stopped process never "terminates", and its
// responsiveness timer runs only for loads and input), so the watch asks the page for a trivial
// script result every few seconds and calls `onHung` once an answer has been outstanding for
// kUnresponsiveAfter. The time is counted in the watch's own ticks, not on the clock: when this
// process itself was stopped (a debugger, SIGSTOP, a suspended machine), the page had no chance
// to answer, and it is not taken for hung. Probes go out only while `shouldProbe` says a
// document of ours is shown.
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
  static_assert(kUnresponsiveAfter % kProbeInterval == std::chrono::seconds(0));

  THangWatch(WebKitWebView* view, std::function<bool()> shouldProbe, std::function<void()> onHung);
  ~THangWatch();
  THangWatch(const THangWatch&) = delete;
  THangWatch& operator=(const THangWatch&) = delete;

  // Forgets the outstanding probe: its process is gone, a new one starts afresh.
  void Reset() { FTicksOutstanding = 0; }

 private:
  static gboolean OnTick(gpointer self);
  static void OnAnswer(GObject* view, GAsyncResult* result, gpointer self);

  WebKitWebView* FView;
  std::function<bool()> FShouldProbe;
  std::function<void()> FOnHung;
  GCancellable* FCancellable;
  guint FTimer = 0;
  // Ticks since the outstanding probe went out; 0 while none is outstanding.
  int FTicksOutstanding = 0;
};

}  // namespace vantreel::webkitgtk
