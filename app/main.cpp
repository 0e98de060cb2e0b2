// Program entry on Linux: GTK, the main window on its GTK and WebKitGTK backends, the main
// loop until the window closes. The window is destroyed before the backends it drives.
#include <gtk/gtk.h>

#include <cstdio>
#include <exception>

#include "app/UMainForm.h"
#include "app/gtk/GtkMainFormUi.h"
#include "base/LogText.h"
#include "browser/webkitgtk/DeveloperDoors.h"
#include "browser/webkitgtk/WebKitBrowserFactory.h"
#include "browser/webkitgtk/WebKitRenderer.h"
#include "platform/DebugOutput.h"
#include "platform/KnownFolders.h"

// The client has no options: its command line is never read.
int main() {
  // Before GLib, GTK or WebKit has read any of them.
  const auto dropped = vantreel::webkitgtk::KeepOnlyNeededEnvironment();
  g_set_prgname("Vantreel");  // the window class, matching the desktop entry
  vantreel::webkitgtk::ChooseWebKitRenderer();
  vantreel::webkitgtk::StartGtkWithoutModules();
  vantreel::webkitgtk::BlockInspectorKeybinding();
  for (const auto& name : dropped) vantreel::OutputDebugLine("[BROWSER] environment variable dropped: " + vantreel::EscapedForLog(name));
#if defined(VANTREEL_DEVELOPMENT_SECRETS)
  vantreel::OutputDebugLine("[WARNING] this build carries the DEVELOPMENT secrets (resources/provisioning.dev.json): "
                            "not for users");
#endif
  try {
    vantreel::gtkui::TGtkMainFormUi ui;
    vantreel::webkitgtk::TWebKitBrowserFactory browserFactory(vantreel::ExecutableDir());
    {
      vantreel::TMainForm form(ui, browserFactory);
      ui.Show();
      gtk_main();
    }
  } catch (const std::exception& e) {
    // Nothing above the entry would report it; say it where a terminal or journal sees it.
    std::fprintf(stderr, "Vantreel: %s\n", e.what());
    return 1;
  }
  return 0;
}
