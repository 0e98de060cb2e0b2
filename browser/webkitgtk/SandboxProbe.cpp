#include "browser/webkitgtk/SandboxProbe.h"

#include <glib.h>

#include <filesystem>

namespace vantreel::webkitgtk {
namespace {

// Where Debian's WebKitGTK looks for the program (it is fixed at WebKit's build time).
constexpr const char* kBubblewrap = "/usr/bin/bwrap";

TSandboxProbe RunProbe() {
  std::error_code ec;
  if (!std::filesystem::exists(kBubblewrap, ec)) return {false, std::string(kBubblewrap) + " is missing"};
  // The namespaces that WebKit asks for a web process, around a program that does nothing.
  const gchar* argv[] = {kBubblewrap,       "--unshare-user", "--unshare-pid", "--unshare-ipc",
                         "--unshare-uts",   "--unshare-net",  "--unshare-cgroup-try",
                         "--die-with-parent", "--ro-bind",    "/",             "/",
                         "--proc",          "/proc",          "--dev",         "/dev",
                         "true",            nullptr};
  gchar* errors = nullptr;
  gint status = 0;
  GError* error = nullptr;
  const gboolean ran = g_spawn_sync(nullptr, const_cast<gchar**>(argv), nullptr,
                                    static_cast<GSpawnFlags>(G_SPAWN_STDOUT_TO_DEV_NULL | G_SPAWN_SEARCH_PATH_FROM_ENVP),
                                    nullptr, nullptr, nullptr, &errors, &status, &error);
  TSandboxProbe probe;
  if (!ran) {
    probe.detail = std::string("bubblewrap did not start: ") + (error ? error->message : "unknown");
  } else if (!g_spawn_check_wait_status(status, nullptr)) {
    std::string text = errors != nullptr ? errors : "";
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
    probe.detail = "bubblewrap refused the namespaces: " + (text.empty() ? std::string("no message") : text);
  } else {
    probe.usable = true;
    probe.detail = "bubblewrap confines a child in new user, pid, ipc, uts and network namespaces";
  }
  g_clear_error(&error);
  g_free(errors);
  return probe;
}

}  // namespace

const TSandboxProbe& ProbeWebProcessSandbox() {
  static const TSandboxProbe probe = RunProbe();
  return probe;
}

}  // namespace vantreel::webkitgtk
