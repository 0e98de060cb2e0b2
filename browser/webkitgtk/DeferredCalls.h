// Calls run later from the GLib main loop, so that events reach their handlers from the loop
// as the browser interface promises, never from inside the call that caused them. Whatever
// is still pending when the owner is destroyed is dropped.
#pragma once

#include <glib.h>

#include <functional>
#include <list>
#include <memory>

namespace vantreel::webkitgtk {

class TDeferredCalls {
 public:
  TDeferredCalls() = default;
  ~TDeferredCalls();
  TDeferredCalls(const TDeferredCalls&) = delete;
  TDeferredCalls& operator=(const TDeferredCalls&) = delete;

  void Post(std::function<void()> call);

 private:
  struct TCall {
    TDeferredCalls* owner = nullptr;
    std::function<void()> fn;
    guint source = 0;
  };
  static gboolean Run(gpointer data);

  std::list<std::unique_ptr<TCall>> FCalls;
};

}  // namespace vantreel::webkitgtk
