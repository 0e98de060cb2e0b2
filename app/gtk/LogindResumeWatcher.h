// The wake-from-sleep signal on Linux: logind's PrepareForSleep(false) on the system bus,
// the counterpart of Windows' resume power messages.
#pragma once

#include <gio/gio.h>

#include <functional>
#include <string>

namespace vantreel::gtkui {

class TLogindResumeWatcher {
 public:
  // `busAddress` empty: the system bus (DBUS_SYSTEM_BUS_ADDRESS or its standard socket).
  // `onResume` runs on the thread that made the watcher, from its main loop. Throws
  // std::runtime_error with the reason when no bus can be reached.
  TLogindResumeWatcher(const std::string& busAddress, std::function<void()> onResume);
  ~TLogindResumeWatcher();
  TLogindResumeWatcher(const TLogindResumeWatcher&) = delete;
  TLogindResumeWatcher& operator=(const TLogindResumeWatcher&) = delete;

 private:
  static void OnSignal(GDBusConnection*, const gchar*, const gchar*, const gchar*, const gchar*, GVariant* parameters,
                       gpointer self);

  GDBusConnection* FBus = nullptr;
  guint FSubscription = 0;
  std::function<void()> FOnResume;
};

}  // namespace vantreel::gtkui
