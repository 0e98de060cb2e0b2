#include "browser/webkitgtk/DeferredCalls.h"

#include <utility>

namespace vantreel::webkitgtk {

TDeferredCalls::~TDeferredCalls() {
  for (auto& call : FCalls) g_source_remove(call->source);
}

void TDeferredCalls::Post(std::function<void()> call) {
  auto entry = std::make_unique<TCall>();
  entry->owner = this;
  entry->fn = std::move(call);
  entry->source = g_idle_add(&TDeferredCalls::Run, entry.get());
  FCalls.push_back(std::move(entry));
}

gboolean TDeferredCalls::Run(gpointer data) {
  auto* call = static_cast<TCall*>(data);
  TDeferredCalls* owner = call->owner;
  std::function<void()> fn = std::move(call->fn);
  owner->FCalls.remove_if([call](const std::unique_ptr<TCall>& c) { return c.get() == call; });
  // The call may destroy the owner; nothing of it is touched afterwards.
  fn();
  return G_SOURCE_REMOVE;
}

}  // namespace vantreel::webkitgtk
