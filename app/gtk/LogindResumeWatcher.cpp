#include "app/gtk/LogindResumeWatcher.h"

#include <stdexcept>
#include <utility>

namespace vantreel::gtkui {

TLogindResumeWatcher::TLogindResumeWatcher(const std::string& busAddress, std::function<void()> onResume)
    : FOnResume(std::move(onResume)) {
  GError* error = nullptr;
  if (busAddress.empty()) {
    FBus = g_bus_get_sync(G_BUS_TYPE_SYSTEM, nullptr, &error);
  } else {
    FBus = g_dbus_connection_new_for_address_sync(
        busAddress.c_str(),
        static_cast<GDBusConnectionFlags>(G_DBUS_CONNECTION_FLAGS_AUTHENTICATION_CLIENT |
                                          G_DBUS_CONNECTION_FLAGS_MESSAGE_BUS_CONNECTION),
        nullptr, nullptr, &error);
  }
  if (FBus == nullptr) {
    std::string reason = error != nullptr ? error->message : "unknown error";
    g_clear_error(&error);
    throw std::runtime_error(reason);
  }
  FSubscription = g_dbus_connection_signal_subscribe(FBus, "org.freedesktop.login1", "org.freedesktop.login1.Manager",
                                                     "PrepareForSleep", "/org/freedesktop/login1", nullptr,
                                                     G_DBUS_SIGNAL_FLAGS_NONE, &TLogindResumeWatcher::OnSignal, this,
                                                     nullptr);
}

TLogindResumeWatcher::~TLogindResumeWatcher() {
  g_dbus_connection_signal_unsubscribe(FBus, FSubscription);
  g_object_unref(FBus);
}

void TLogindResumeWatcher::OnSignal(GDBusConnection*, const gchar*, const gchar*, const gchar*, const gchar*,
                                    GVariant* parameters, gpointer self) {
  if (!g_variant_is_of_type(parameters, G_VARIANT_TYPE("(b)"))) return;
  gboolean goingToSleep = TRUE;
  g_variant_get(parameters, "(b)", &goingToSleep);
  if (!goingToSleep) static_cast<TLogindResumeWatcher*>(self)->FOnResume();
}

}  // namespace vantreel::gtkui
