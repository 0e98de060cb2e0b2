// Developer facilities that the environment or the user's settings would open: the real
// executable started with the inspector servers, an injected bundle and the GTK Inspector
// asked for, and GTK's inspector key binding in this process.
#include <gtest/gtest.h>
#include <gio/gio.h>
#include <gtk/gtk.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <thread>

#include "browser/webkitgtk/DeveloperDoors.h"
#include "tests/browser/webkit/WebKitTestSupport.h"

namespace vantreel {
namespace {

using test::RunFor;
using test::RunUntil;
using test::TTempDir;

std::string RunCommand(const std::string& command) {
  gchar* out = nullptr;
  if (!g_spawn_command_line_sync(command.c_str(), &out, nullptr, nullptr, nullptr)) return {};
  std::string text = out != nullptr ? out : "";
  g_free(out);
  return text;
}

bool Listening(int port) {
  const int fd = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(static_cast<uint16_t>(port));
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  const bool connected = connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
  close(fd);
  return connected;
}

// A listening socket on the loopback port; -1 when it cannot be had.
int Listen(int port) {
  const int fd = socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(static_cast<uint16_t>(port));
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  const int yes = 1;
  setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
  if (bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 || listen(fd, 4) != 0) {
    close(fd);
    return -1;
  }
  return fd;
}

// The GTK Inspector opens its windows on a display connection of its own, so the process
// then owns windows of a second X client.
int XClientsOf(GPid pid) {
  const std::string windows = RunCommand("xdotool search --pid " + std::to_string(pid));
  std::vector<unsigned long> bases;
  std::size_t start = 0;
  while (start < windows.size()) {
    std::size_t end = windows.find('\n', start);
    if (end == std::string::npos) end = windows.size();
    const unsigned long id = std::stoul(windows.substr(start, end - start));
    const unsigned long base = id & ~0x1FFFFFul;
    if (std::find(bases.begin(), bases.end(), base) == bases.end()) bases.push_back(base);
    start = end + 1;
  }
  return static_cast<int>(bases.size());
}

bool InspectorShown() {
  GList* list = gtk_window_list_toplevels();
  bool shown = false;
  for (GList* l = list; l != nullptr; l = l->next) {
    const std::string type = G_OBJECT_TYPE_NAME(l->data);
    shown = shown || (type.rfind("GtkInspector", 0) == 0 && gtk_widget_get_visible(GTK_WIDGET(l->data)));
  }
  g_list_free(list);
  return shown;
}

TEST(DeveloperDoors, TheEnvironmentOpensNothingInTheClient) {
  TTempDir home;
  const int httpPort = 9200 + static_cast<int>(getpid() % 400);
  const int inspectorPort = httpPort + 400;
  ASSERT_FALSE(Listening(httpPort));
  // WEBKIT_INSPECTOR_SERVER makes the web process connect out to an inspector there.
  const int inspectorServer = Listen(inspectorPort);
  ASSERT_GE(inspectorServer, 0);
  gchar** env = g_get_environ();
  env = g_environ_setenv(env, "XDG_DATA_HOME", home.Path().c_str(), TRUE);
  env = g_environ_setenv(env, "WEBKIT_INSPECTOR_HTTP_SERVER", ("127.0.0.1:" + std::to_string(httpPort)).c_str(), TRUE);
  env = g_environ_setenv(env, "WEBKIT_INSPECTOR_SERVER", ("127.0.0.1:" + std::to_string(inspectorPort)).c_str(), TRUE);
  env = g_environ_setenv(env, "WEBKIT_INJECTED_BUNDLE_PATH", VANTREEL_INJECTED_MARKER, TRUE);
  env = g_environ_setenv(env, "GTK_DEBUG", "interactive", TRUE);
  gchar* argv[] = {const_cast<gchar*>(VANTREEL_EXECUTABLE), nullptr};
  GPid pid = 0;
  gint errFd = -1;
  ASSERT_TRUE(g_spawn_async_with_pipes(nullptr, argv, env,
                                       static_cast<GSpawnFlags>(G_SPAWN_DO_NOT_REAP_CHILD | G_SPAWN_STDOUT_TO_DEV_NULL),
                                       nullptr, nullptr, &pid, nullptr, nullptr, &errFd, nullptr));
  g_strfreev(env);
  // Up once its window has a title and the page has had time to start its web process.
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (RunCommand("xdotool search --pid " + std::to_string(pid)).empty() && std::chrono::steady_clock::now() < deadline)
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
  std::this_thread::sleep_for(std::chrono::seconds(3));
  const bool httpListening = Listening(httpPort);
  const int inspectorClient = accept(inspectorServer, nullptr, nullptr);
  const bool inspectorConnected = inspectorClient >= 0;
  if (inspectorConnected) close(inspectorClient);
  close(inspectorServer);
  const int xClients = XClientsOf(pid);
  kill(pid, SIGTERM);
  waitpid(pid, nullptr, 0);
  g_spawn_close_pid(pid);
  std::string errors;
  char buffer[4096];
  for (ssize_t n; (n = read(errFd, buffer, sizeof buffer)) > 0;) errors.append(buffer, static_cast<std::size_t>(n));
  close(errFd);

  EXPECT_FALSE(httpListening) << "WEBKIT_INSPECTOR_HTTP_SERVER";
  EXPECT_FALSE(inspectorConnected) << "WEBKIT_INSPECTOR_SERVER";
  EXPECT_EQ(xClients, 1) << "GTK_DEBUG=interactive";
  EXPECT_EQ(errors.find("VANTREEL-INJECTED-CODE-LOADED"), std::string::npos) << "WEBKIT_INJECTED_BUNDLE_PATH";
  EXPECT_NE(errors.find("developer variable cleared: WEBKIT_INJECTED_BUNDLE_PATH"), std::string::npos) << errors;
  // Tests build with the development provisioning, and the client says so at start.
  EXPECT_NE(errors.find("[WARNING] this build carries the DEVELOPMENT secrets"), std::string::npos) << errors;
}

TEST(DeveloperDoors, ClearingRemovesEveryListedVariableAndNothingElse) {
  setenv("WEBKIT_INSPECTOR_SERVER", "127.0.0.1:1", 1);
  setenv("JSC_useDollarVM", "1", 1);
  setenv("GTK_MODULES", "x", 1);
  setenv("VANTREEL_KEEP_ME", "1", 1);
  const auto cleared = webkitgtk::ClearDeveloperEnvironment();
  for (const char* name : {"WEBKIT_INSPECTOR_SERVER", "JSC_useDollarVM", "GTK_MODULES"}) {
    EXPECT_EQ(getenv(name), nullptr) << name;
    EXPECT_NE(std::find(cleared.begin(), cleared.end(), name), cleared.end()) << name;
  }
  EXPECT_STREQ(getenv("VANTREEL_KEEP_ME"), "1");
  unsetenv("VANTREEL_KEEP_ME");
}

// With the user's keybinding setting on, ctrl+shift+d and ctrl+shift+i open the GTK
// Inspector from any window; once blocked, neither does, nor the signal behind them.
TEST(DeveloperDoors, InspectorKeybindingIsBlocked) {
  // The user's setting, kept in this process only.
  g_setenv("GSETTINGS_BACKEND", "memory", TRUE);
  GSettingsSchema* schema =
      g_settings_schema_source_lookup(g_settings_schema_source_get_default(), "org.gtk.Settings.Debug", TRUE);
  if (schema != nullptr) {
    GSettings* settings = g_settings_new_full(schema, nullptr, nullptr);
    g_settings_set_boolean(settings, "enable-inspector-keybinding", TRUE);
    g_settings_set_boolean(settings, "inspector-warning", FALSE);
    g_object_unref(settings);
    g_settings_schema_unref(schema);
  }
  GtkWidget* window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
  gtk_widget_show(window);
  const auto modifiers = static_cast<GdkModifierType>(GDK_CONTROL_MASK | GDK_SHIFT_MASK);

  gtk_bindings_activate(G_OBJECT(window), GDK_KEY_D, modifiers);
  ASSERT_TRUE(RunUntil([] { return InspectorShown(); }, std::chrono::seconds(5))) << "the setting opens it";
  gtk_window_set_interactive_debugging(FALSE);
  ASSERT_TRUE(RunUntil([] { return !InspectorShown(); }, std::chrono::seconds(5)));

  webkitgtk::BlockInspectorKeybinding();
  for (guint key : {GDK_KEY_D, GDK_KEY_d, GDK_KEY_I, GDK_KEY_i}) gtk_bindings_activate(G_OBJECT(window), key, modifiers);
  gboolean handled = FALSE;
  g_signal_emit_by_name(window, "enable-debugging", TRUE, &handled);
  RunFor(std::chrono::milliseconds(500));
  EXPECT_FALSE(InspectorShown());
  gtk_widget_destroy(window);
}

}  // namespace
}  // namespace vantreel
