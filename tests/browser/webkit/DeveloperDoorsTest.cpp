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

#include <fcntl.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

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
  EXPECT_NE(errors.find("environment variable dropped: WEBKIT_INJECTED_BUNDLE_PATH"), std::string::npos) << errors;
  // Tests build with the development provisioning, and the client says so at start.
  EXPECT_NE(errors.find("[WARNING] this build carries the DEVELOPMENT secrets"), std::string::npos) << errors;
}

TEST(DeveloperDoors, OnlyTheListedVariablesAreKept) {
  const struct {
    const char* name;
    bool kept;
  } cases[] = {
      {"DISPLAY", true}, {"WAYLAND_DISPLAY", true}, {"XAUTHORITY", true}, {"HOME", true},
      {"XDG_RUNTIME_DIR", true}, {"DBUS_SESSION_BUS_ADDRESS", true}, {"LANG", true}, {"LANGUAGE", true},
      {"LC_ALL", true}, {"LC_MESSAGES", true}, {"TZ", true}, {"PATH", true}, {"XDG_CONFIG_HOME", true},
      {"XDG_DATA_HOME", true}, {"XDG_STATE_HOME", true}, {"XDG_DATA_DIRS", true}, {"XDG_CONFIG_DIRS", true},
      {"XDG_SESSION_TYPE", true}, {"XDG_CURRENT_DESKTOP", true}, {"GTK_IM_MODULE", true}, {"XMODIFIERS", true},
      // What loads code or opens a developer door.
      {"GIO_EXTRA_MODULES", false}, {"GIO_MODULE_DIR", false}, {"GTK_IM_MODULE_FILE", false},
      {"GTK_EXE_PREFIX", false}, {"GTK_PATH", false}, {"GTK_MODULES", false}, {"GTK3_MODULES", false},
      {"GTK_DEBUG", false}, {"GDK_PIXBUF_MODULE_FILE", false}, {"GDK_PIXBUF_MODULEDIR", false},
      {"GST_PLUGIN_PATH", false}, {"GST_PLUGIN_SYSTEM_PATH", false}, {"GST_PLUGIN_SCANNER", false},
      {"WEBKIT_INJECTED_BUNDLE_PATH", false}, {"WEBKIT_INSPECTOR_SERVER", false}, {"WEBKIT_EXEC_PATH", false},
      {"JSC_useDollarVM", false}, {"LD_PRELOAD", false}, {"LD_LIBRARY_PATH", false}, {"LD_AUDIT", false},
      {"GSETTINGS_BACKEND", false}, {"GTK_THEME", false}, {"FONTCONFIG_FILE", false}, {"LIBGL_DRIVERS_PATH", false},
      // Near misses of the kept names.
      {"XDG_RUNTIME_DIRS", false}, {"XDG_HOME", false}, {"LC", false}, {"LANG_EXTRA", false}, {"PATHS", false},
      {"", false},
  };
  for (const auto& c : cases) EXPECT_EQ(webkitgtk::IsKeptEnvironmentVariable(c.name), c.kept) << c.name;
}

// The processes of a client: itself and every descendant (WebKit's web process is a
// grandchild under bubblewrap).
std::vector<std::string> ProcessNamesUnder(pid_t root) {
  std::vector<std::pair<pid_t, pid_t>> parents;  // pid, parent
  std::vector<std::pair<pid_t, std::string>> names;
  for (const auto& entry : std::filesystem::directory_iterator("/proc")) {
    const std::string pidText = entry.path().filename().string();
    if (pidText.find_first_not_of("0123456789") != std::string::npos) continue;
    std::ifstream stat(entry.path() / "stat");
    std::string line;
    if (!std::getline(stat, line)) continue;
    const std::size_t open = line.find('('), close = line.rfind(')');
    if (open == std::string::npos || close == std::string::npos) continue;
    std::istringstream rest(line.substr(close + 2));
    char state = 0;
    pid_t parent = 0;
    rest >> state >> parent;
    const pid_t pid = std::stoi(pidText);
    parents.emplace_back(pid, parent);
    names.emplace_back(pid, line.substr(open + 1, close - open - 1));
  }
  std::vector<pid_t> tree{root};
  for (bool grew = true; grew;) {
    grew = false;
    for (const auto& [pid, parent] : parents) {
      if (std::find(tree.begin(), tree.end(), parent) != tree.end() && std::find(tree.begin(), tree.end(), pid) == tree.end()) {
        tree.push_back(pid);
        grew = true;
      }
    }
  }
  std::vector<std::string> result;
  for (const auto& [pid, name] : names)
    if (std::find(tree.begin(), tree.end(), pid) != tree.end()) result.push_back(name);
  return result;
}

bool Holds(const std::vector<std::string>& names, const std::string& prefix) {
  return std::any_of(names.begin(), names.end(), [&prefix](const std::string& n) { return n.rfind(prefix, 0) == 0; });
}

std::string ReadAll(int fd) {
  std::string text;
  char buffer[4096];
  for (ssize_t n; (n = read(fd, buffer, sizeof buffer)) > 0;) text.append(buffer, static_cast<std::size_t>(n));
  return text;
}

void WriteFile(const std::filesystem::path& path, const std::string& text) {
  std::filesystem::create_directories(path.parent_path());
  std::ofstream(path) << text;
}

// Every way seen to load a module into a GTK/WebKit program, all pointing at a module that
// announces itself and its process on stderr (which WebKit's processes share with the
// client). Kept under the build folder, which WebKit's web-process sandbox can see (the
// extension lives there), so that the web process could load them too.
struct TModuleDoors {
  explicit TModuleDoors(const std::filesystem::path& root) {
    const std::filesystem::path module = VANTREEL_INJECTED_MARKER;
    const auto place = [&module](const std::filesystem::path& to) {
      std::filesystem::create_directories(to.parent_path());
      std::filesystem::copy_file(module, to);
      return to.string();
    };
    const std::string gtkModule = place(root / "libvtmark.so");
    place(root / "gio" / "libvtmark.so");
    place(root / "gst" / "libgstvtmark.so");
    const std::string imModule = place(root / "im" / "im-vtmark.so");
    const std::string pixbufLoader = place(root / "pixbuf" / "libpixbufloader-vtmark.so");
    const std::string imCache = "\"" + imModule + "\"\n\"vtmark\" \"Mark\" \"gtk30\" \"/usr/share/locale\" \"*\"\n";
    WriteFile(root / "immodules.cache", imCache);
    WriteFile(root / "prefix" / "lib" / "gtk-3.0" / "3.0.0" / "immodules.cache", imCache);
    WriteFile(root / "loaders.cache", "\"" + pixbufLoader +
                                          "\"\n\"png\" 5 \"gdk-pixbuf\" \"PNG\" \"LGPL\"\n\"image/png\" \"\"\n\"png\" \"\"\n"
                                          "\"\\211PNG\\r\\n\\032\\n\" \"\" 100\n\n");
    WriteFile(root / "config" / "gtk-3.0" / "settings.ini", "[Settings]\ngtk-modules=" + gtkModule + "\n");
    arguments = {"--gtk-module=" + gtkModule, "--gtk-module", gtkModule};
    variables = {
        {"GIO_EXTRA_MODULES", (root / "gio").string()},
        {"GTK_IM_MODULE", "vtmark"},
        {"GTK_IM_MODULE_FILE", (root / "immodules.cache").string()},
        {"GTK_EXE_PREFIX", (root / "prefix").string()},
        {"GDK_PIXBUF_MODULE_FILE", (root / "loaders.cache").string()},
        {"GST_PLUGIN_PATH", (root / "gst").string()},
        {"GST_PLUGIN_SYSTEM_PATH", (root / "gst").string()},
        {"GTK_MODULES", gtkModule},
    };
    settings = {"XDG_CONFIG_HOME", (root / "config").string()};
  }
  std::vector<std::string> arguments;
  std::vector<std::pair<std::string, std::string>> variables;
  std::pair<std::string, std::string> settings;  // the user's settings.ini naming the module
};

// A folder under the build folder, removed at the end.
class TSandboxVisibleDir {
 public:
  TSandboxVisibleDir() {
    std::string pattern = std::string(VANTREEL_WEBEXT_DIR) + "/module-doors-XXXXXX";
    FPath = mkdtemp(pattern.data());
  }
  ~TSandboxVisibleDir() { std::filesystem::remove_all(FPath); }
  const std::filesystem::path& Path() const { return FPath; }

 private:
  std::filesystem::path FPath;
};

struct TStarted {
  GPid pid = 0;
  int errFd = -1;
};

TStarted Start(const std::string& executable, const TModuleDoors& doors, const std::filesystem::path& dataHome,
               bool withSettings) {
  gchar** env = g_get_environ();
  env = g_environ_setenv(env, "XDG_DATA_HOME", dataHome.c_str(), TRUE);
  for (const auto& [name, value] : doors.variables) env = g_environ_setenv(env, name.c_str(), value.c_str(), TRUE);
  if (withSettings) env = g_environ_setenv(env, doors.settings.first.c_str(), doors.settings.second.c_str(), TRUE);
  std::vector<gchar*> argv{const_cast<gchar*>(executable.c_str())};
  for (const auto& a : doors.arguments) argv.push_back(const_cast<gchar*>(a.c_str()));
  argv.push_back(nullptr);
  TStarted started;
  const bool spawned = g_spawn_async_with_pipes(nullptr, argv.data(), env,
                                                static_cast<GSpawnFlags>(G_SPAWN_DO_NOT_REAP_CHILD | G_SPAWN_STDOUT_TO_DEV_NULL),
                                                nullptr, nullptr, &started.pid, nullptr, nullptr, &started.errFd, nullptr);
  g_strfreev(env);
  EXPECT_TRUE(spawned) << executable;
  return started;
}

std::string Stop(const TStarted& started) {
  kill(started.pid, SIGTERM);
  waitpid(started.pid, nullptr, 0);
  g_spawn_close_pid(started.pid);
  const std::string errors = ReadAll(started.errFd);
  close(started.errFd);
  return errors;
}

bool WaitFor(const std::function<bool()>& done, std::chrono::seconds timeout) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  while (!done()) {
    if (std::chrono::steady_clock::now() >= deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  return true;
}

// A bare GTK program opened with the same doors loads the module: the doors are real.
TEST(DeveloperDoors, TheModuleDoorsOpenABareGtkProgram) {
  TSandboxVisibleDir root;
  TTempDir data;
  const TModuleDoors doors(root.Path());
  const TStarted started = Start(VANTREEL_BARE_GTK, doors, data.Path(), true);
  ASSERT_GT(started.pid, 0);
  int status = 0;
  const bool exited = WaitFor([&] { return waitpid(started.pid, &status, WNOHANG) == started.pid; }, std::chrono::seconds(20));
  const std::string errors = ReadAll(started.errFd);
  close(started.errFd);
  g_spawn_close_pid(started.pid);
  ASSERT_TRUE(exited);
  EXPECT_NE(errors.find("VANTREEL-INJECTED-CODE-LOADED"), std::string::npos) << errors;
}

// Starts the client with the doors open and waits until its window, its web process and its
// network process are up and the page has spoken to the bridge; returns its stderr.
std::string RunClient(const TModuleDoors& doors, bool withSettings) {
  TTempDir data;
  const TStarted started = Start(VANTREEL_EXECUTABLE, doors, data.Path(), withSettings);
  if (started.pid <= 0) return "not started";
  const bool up = WaitFor(
      [&] {
        const auto names = ProcessNamesUnder(started.pid);
        return Holds(names, "WebKitWebProces") && Holds(names, "WebKitNetworkP") &&
               !RunCommand("xdotool search --pid " + std::to_string(started.pid)).empty();
      },
      std::chrono::seconds(30));
  std::string errors;
  fcntl(started.errFd, F_SETFL, fcntl(started.errFd, F_GETFL) | O_NONBLOCK);
  const bool pageRan = WaitFor(
      [&] {
        char buffer[4096];
        for (ssize_t n; (n = read(started.errFd, buffer, sizeof buffer)) > 0;) errors.append(buffer, static_cast<std::size_t>(n));
        return errors.find("[WEBVIEW_BRIDGE]") != std::string::npos;
      },
      std::chrono::seconds(20));
  fcntl(started.errFd, F_SETFL, fcntl(started.errFd, F_GETFL) & ~O_NONBLOCK);
  errors += Stop(started);
  EXPECT_TRUE(up) << errors;
  EXPECT_TRUE(pageRan) << errors;
  return errors;
}

// The environment and the command line: no process of the client runs the module, WebKit's
// web and network processes included (they inherit the client's environment).
TEST(DeveloperDoors, NoModuleLoadsIntoAnyProcessOfTheClient) {
  TSandboxVisibleDir root;
  const TModuleDoors doors(root.Path());
  const std::string errors = RunClient(doors, false);
  EXPECT_EQ(errors.find("VANTREEL-INJECTED-CODE-LOADED"), std::string::npos) << errors;
  EXPECT_EQ(errors.find("libvtmark"), std::string::npos) << errors;  // not even tried
  for (const auto& [name, value] : doors.variables) {
    if (name == "GTK_IM_MODULE") continue;
    EXPECT_NE(errors.find("[BROWSER] environment variable dropped: " + name + "\n"), std::string::npos) << name;
  }
}

// The user's settings.ini naming a module: the client's own process ignores it. (WebKit's
// web process starts GTK itself, before any code of ours runs there, and still reads it.)
TEST(DeveloperDoors, TheClientsProcessIgnoresTheGtkModulesSetting) {
  TSandboxVisibleDir root;
  const TModuleDoors doors(root.Path());
  const std::string errors = RunClient(doors, true);
  EXPECT_EQ(errors.find("VANTREEL-INJECTED-CODE-LOADED in Vantreel"), std::string::npos) << errors;
  EXPECT_EQ(errors.find("VANTREEL-INJECTED-CODE-LOADED in WebKitNetwork"), std::string::npos) << errors;
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
