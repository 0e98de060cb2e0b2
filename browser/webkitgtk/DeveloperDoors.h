// Developer facilities that GTK and WebKit open without the program asking: inspector
// servers, injected code and the GTK Inspector, switched on through the environment or the
// user's settings. A child at the keyboard can set either, so the client shuts them itself.
#pragma once

#include <string>
#include <vector>

namespace vantreel::webkitgtk {

// Removes from the environment every variable that opens such a facility (and returns
// their names, for the log). Call first thing in main, before GTK or WebKit reads any.
std::vector<std::string> ClearDeveloperEnvironment();

// GtkWindow's ctrl+shift+d / ctrl+shift+i open the GTK Inspector once the user's
// gtk-enable-inspector-keybinding setting is on, even with the web view focused. Call after
// gtk_init; holds for every window of the process.
void BlockInspectorKeybinding();

}  // namespace vantreel::webkitgtk
