#include "browser/webkitgtk/DeveloperDoors.h"

#include <gtk/gtk.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

extern char** environ;

namespace vantreel::webkitgtk {
namespace {

// Everything else is dropped: GLib, GTK, GStreamer, WebKit and the loader each read dozens of
// variables that load code (GIO_EXTRA_MODULES, GTK_IM_MODULE_FILE, GTK_EXE_PREFIX,
// GDK_PIXBUF_MODULE_FILE, GST_PLUGIN_PATH, WEBKIT_INJECTED_BUNDLE_PATH, JSC_*, ...), and a
// list of those would always miss the next one.
constexpr std::string_view kKept[] = {
    "DISPLAY", "WAYLAND_DISPLAY", "XAUTHORITY",
    "HOME", "XDG_RUNTIME_DIR",
    // The system bus only carries logind's resume signal to the client.
    "DBUS_SESSION_BUS_ADDRESS", "DBUS_SYSTEM_BUS_ADDRESS",
    "LANG", "LANGUAGE", "TZ",
    // Where settings, the user's folders (Pictures), themes and fonts are found.
    "XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME", "XDG_STATE_HOME", "XDG_CONFIG_DIRS", "XDG_DATA_DIRS",
    "XDG_SESSION_TYPE", "XDG_CURRENT_DESKTOP",
    "PATH",
    // Chinese, Japanese and Korean users type through an input method. Without
    // GTK_IM_MODULE_FILE and GTK_EXE_PREFIX, GTK_IM_MODULE only picks among the modules
    // installed with GTK; XMODIFIERS names the XIM server to talk to, which is no code of ours.
    "GTK_IM_MODULE", "XMODIFIERS",
};

bool StartsWith(std::string_view text, std::string_view prefix) { return text.substr(0, prefix.size()) == prefix; }

GObjectGetPropertyFunc gSettingsGetProperty = nullptr;

// GTK loads the modules named by this property when it makes a display's settings and
// whenever the value changes; read as empty, it names none, whatever its source.
void GetSettingsPropertyWithoutModules(GObject* object, guint id, GValue* value, GParamSpec* spec) {
  if (std::strcmp(spec->name, "gtk-modules") == 0) {
    g_value_set_string(value, nullptr);
    return;
  }
  gSettingsGetProperty(object, id, value, spec);
}

}  // namespace

bool IsKeptEnvironmentVariable(std::string_view name) {
  for (auto kept : kKept)
    if (name == kept) return true;
  return name.size() > 3 && StartsWith(name, "LC_");
}

std::vector<std::string> KeepOnlyNeededEnvironment() {
  std::vector<std::string> dropped;
  for (char** entry = environ; entry != nullptr && *entry != nullptr; ++entry) {
    const std::string_view text(*entry);
    const std::string_view name = text.substr(0, text.find('='));
    if (!IsKeptEnvironmentVariable(name)) dropped.emplace_back(name);
  }
  for (const auto& name : dropped) ::unsetenv(name.c_str());
  return dropped;
}

void StartGtkWithoutModules() {
  // Sets GTK up short of opening the display; with no arguments there is nothing to parse.
  gtk_parse_args(nullptr, nullptr);
  auto* settingsClass = G_OBJECT_CLASS(g_type_class_ref(GTK_TYPE_SETTINGS));  // kept: the override must last
  if (settingsClass->get_property != GetSettingsPropertyWithoutModules) {
    gSettingsGetProperty = settingsClass->get_property;
    settingsClass->get_property = GetSettingsPropertyWithoutModules;
  }
  // When a display opens, GTK's module code reads the display's own gtk-modules setting
  // (XSETTINGS "Gtk/Modules") and loads what it names, past the settings object. It is the
  // only handler of that signal at this point; the display is opened with it held back.
  GdkDisplayManager* manager = gdk_display_manager_get();
  const guint opened = g_signal_lookup("display-opened", G_OBJECT_TYPE(manager));
  std::vector<gulong> held;
  for (gulong id; (id = g_signal_handler_find(manager, static_cast<GSignalMatchType>(G_SIGNAL_MATCH_ID | G_SIGNAL_MATCH_UNBLOCKED),
                                              opened, 0, nullptr, nullptr, nullptr)) != 0;) {
    g_signal_handler_block(manager, id);
    held.push_back(id);
  }
  // Becomes the default display. Without it gtk_init would try again with the loader back.
  if (gdk_display_open(gdk_get_display_arg_name()) == nullptr) {
    const char* name = gdk_get_display_arg_name();
    std::fprintf(stderr, "Vantreel: cannot open display: %s\n", name != nullptr ? name : "");
    std::exit(1);
  }
  for (gulong id : held) g_signal_handler_unblock(manager, id);
  gtk_init(nullptr, nullptr);  // the display is open: only the checks that remain
}

void BlockInspectorKeybinding() {
  auto* windowClass = static_cast<GtkWindowClass*>(g_type_class_ref(GTK_TYPE_WINDOW));
  // The key bindings emit "enable-debugging", whose class handler opens the Inspector.
  windowClass->enable_debugging = [](GtkWindow*, gboolean) -> gboolean { return FALSE; };
  GtkBindingSet* bindings = gtk_binding_set_by_class(windowClass);
  for (guint key : {GDK_KEY_d, GDK_KEY_D, GDK_KEY_i, GDK_KEY_I})
    gtk_binding_entry_remove(bindings, key, static_cast<GdkModifierType>(GDK_CONTROL_MASK | GDK_SHIFT_MASK));
  // The class stays referenced so that the handler above is never lost.
}

}  // namespace vantreel::webkitgtk
