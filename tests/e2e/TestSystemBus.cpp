#include "tests/e2e/TestSystemBus.h"

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <stdexcept>

namespace vantreel::test {
namespace {

// Everyone may own and send anything: the bus exists only for the test.
void WriteConfig(const std::filesystem::path& config, const std::filesystem::path& socket) {
  std::ofstream out(config);
  out << "<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN\"\n"
         " \"http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd\">\n"
         "<busconfig>\n"
         "  <type>system</type>\n"
         "  <listen>unix:path=" << socket.string() << "</listen>\n"
         "  <auth>EXTERNAL</auth>\n"
         "  <policy context=\"default\">\n"
         "    <allow user=\"*\"/>\n"
         "    <allow own=\"*\"/>\n"
         "    <allow send_destination=\"*\" eavesdrop=\"true\"/>\n"
         "    <allow eavesdrop=\"true\"/>\n"
         "  </policy>\n"
         "</busconfig>\n";
}

std::string ReadLine(int fd) {
  std::string line;
  char c = 0;
  while (read(fd, &c, 1) == 1 && c != '\n') line += c;
  return line;
}

void Fail(const std::string& what, GError* error) {
  std::string message = what + (error ? std::string(": ") + error->message : std::string());
  g_clear_error(&error);
  throw std::runtime_error(message);
}

}  // namespace

TTestSystemBus::TTestSystemBus(const std::filesystem::path& folder) {
  const auto config = folder / "system-bus.conf";
  WriteConfig(config, folder / "system_bus_socket");
  const std::string configArg = "--config-file=" + config.string();
  const char* argv[] = {"dbus-daemon", "--nofork", configArg.c_str(), "--print-address=1", nullptr};
  int out = -1;
  GError* error = nullptr;
  if (!g_spawn_async_with_pipes(nullptr, const_cast<char**>(argv), nullptr,
                                static_cast<GSpawnFlags>(G_SPAWN_SEARCH_PATH | G_SPAWN_DO_NOT_REAP_CHILD), nullptr,
                                nullptr, &FDaemon, nullptr, &out, nullptr, &error)) {
    Fail("cannot start dbus-daemon", error);
  }
  FAddress = ReadLine(out);
  close(out);
  if (FAddress.empty()) {
    kill(FDaemon, SIGTERM);
    waitpid(FDaemon, nullptr, 0);
    throw std::runtime_error("dbus-daemon printed no address");
  }
  setenv("DBUS_SYSTEM_BUS_ADDRESS", FAddress.c_str(), 1);

  FLogind = g_dbus_connection_new_for_address_sync(
      FAddress.c_str(),
      static_cast<GDBusConnectionFlags>(G_DBUS_CONNECTION_FLAGS_AUTHENTICATION_CLIENT |
                                        G_DBUS_CONNECTION_FLAGS_MESSAGE_BUS_CONNECTION),
      nullptr, nullptr, &error);
  if (!FLogind) Fail("cannot connect to the test system bus", error);
  GVariant* reply = g_dbus_connection_call_sync(
      FLogind, "org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus", "RequestName",
      g_variant_new("(su)", "org.freedesktop.login1", 4u /* DBUS_NAME_FLAG_DO_NOT_QUEUE */), G_VARIANT_TYPE("(u)"),
      G_DBUS_CALL_FLAGS_NONE, -1, nullptr, &error);
  if (!reply) Fail("cannot own org.freedesktop.login1", error);
  guint32 result = 0;
  g_variant_get(reply, "(u)", &result);
  g_variant_unref(reply);
  if (result != 1 /* DBUS_REQUEST_NAME_REPLY_PRIMARY_OWNER */) Fail("org.freedesktop.login1 is taken", nullptr);
}

TTestSystemBus::~TTestSystemBus() {
  if (FLogind) {
    g_dbus_connection_close_sync(FLogind, nullptr, nullptr);
    g_object_unref(FLogind);
  }
  unsetenv("DBUS_SYSTEM_BUS_ADDRESS");
  kill(FDaemon, SIGTERM);
  waitpid(FDaemon, nullptr, 0);
  g_spawn_close_pid(FDaemon);
}

void TTestSystemBus::EmitResume() {
  GError* error = nullptr;
  if (!g_dbus_connection_emit_signal(FLogind, nullptr, "/org/freedesktop/login1", "org.freedesktop.login1.Manager",
                                     "PrepareForSleep", g_variant_new("(b)", FALSE), &error) ||
      !g_dbus_connection_flush_sync(FLogind, nullptr, &error)) {
    Fail("cannot emit PrepareForSleep", error);
  }
}

}  // namespace vantreel::test
