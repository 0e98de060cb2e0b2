// A private system bus for tests: a dbus-daemon of its own, pointed to by
// DBUS_SYSTEM_BUS_ADDRESS while it lives, with a stand-in owner of org.freedesktop.login1
// that can announce a wake from sleep the way logind does.
#pragma once

#include <gio/gio.h>

#include <filesystem>
#include <string>

namespace vantreel::test {

class TTestSystemBus {
 public:
  // Starts the daemon with its socket in `folder` and takes the login1 name. Throws
  // std::runtime_error when the daemon cannot be started or the name cannot be owned.
  explicit TTestSystemBus(const std::filesystem::path& folder);
  ~TTestSystemBus();
  TTestSystemBus(const TTestSystemBus&) = delete;
  TTestSystemBus& operator=(const TTestSystemBus&) = delete;

  const std::string& Address() const { return FAddress; }
  // logind's PrepareForSleep(false): the computer has resumed.
  void EmitResume();

 private:
  GPid FDaemon = 0;
  std::string FAddress;
  GDBusConnection* FLogind = nullptr;
};

}  // namespace vantreel::test
