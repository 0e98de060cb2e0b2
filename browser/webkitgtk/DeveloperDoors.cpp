#include "browser/webkitgtk/DeveloperDoors.h"

#include <gtk/gtk.h>

#include <cstdlib>
#include <string_view>

extern char** environ;

namespace vantreel::webkitgtk {
namespace {

constexpr std::string_view kVariables[] = {
    "WEBKIT_INSPECTOR_SERVER",       // remote inspector on a TCP port
    "WEBKIT_INSPECTOR_HTTP_SERVER",  // the same over HTTP, developer extras or not
    "WEBKIT_INJECTED_BUNDLE_PATH",   // any shared object loaded into the web process
    "WEBKIT_EXEC_PATH",              // which programs run as WebKit's processes
    "WEBKIT_DISABLE_SANDBOX_THIS_IS_DANGEROUS",
    "WEBKIT_FORCE_SANDBOX",
    "WEBKIT_ENABLE_DEVELOPER_EXTRAS",
    "GTK_DEBUG",                     // "interactive" opens the GTK Inspector
    "GTK_MODULES",                   // modules loaded into the client itself
    "GTK3_MODULES",
    "GTK_PATH",                      // where GTK looks for modules
    "GOBJECT_DEBUG",
};

// JavaScriptCore reads options from every JSC_* variable (e.g. JSC_useDollarVM=1, which
// gives page script raw engine access).
constexpr std::string_view kVariablePrefixes[] = {"JSC_", "__XPC_JSC_"};

}  // namespace

std::vector<std::string> ClearDeveloperEnvironment() {
  std::vector<std::string> names;
  for (char** entry = environ; entry != nullptr && *entry != nullptr; ++entry) {
    const std::string_view text(*entry);
    const std::string_view name = text.substr(0, text.find('='));
    bool listed = false;
    for (auto variable : kVariables) listed = listed || name == variable;
    for (auto prefix : kVariablePrefixes) listed = listed || name.starts_with(prefix);
    if (listed) names.emplace_back(name);
  }
  for (const auto& name : names) ::unsetenv(name.c_str());
  return names;
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
