// Code and developer facilities that GTK, GLib and WebKit open without the program asking:
// inspector servers, modules and plug-ins named by the environment, the command line or the
// user's settings, the GTK Inspector. A child at the keyboard can set any of them, so the
// client shuts them itself.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace vantreel::webkitgtk {

// True for the variables the client runs with: the display and its authority, the home and
// runtime folders, the session and system buses, locale, language and time zone, the XDG
// base folders and desktop, PATH, and the choice of input method among the installed ones.
bool IsKeptEnvironmentVariable(std::string_view name);

// Removes every other variable and returns their names, for the log. Call first thing in
// main, before anything of GLib, GTK or WebKit runs: their processes inherit the result.
std::vector<std::string> KeepOnlyNeededEnvironment();

// gtk_init without the command line (the client has no options, and GTK's own ones load
// modules) and without the gtk-modules setting of settings.ini or XSETTINGS. Exits as
// gtk_init does when no display can be opened.
void StartGtkWithoutModules();

// GtkWindow's ctrl+shift+d / ctrl+shift+i open the GTK Inspector once the user's
// gtk-enable-inspector-keybinding setting is on, even with the web view focused. Call after
// gtk_init; holds for every window of the process.
void BlockInspectorKeybinding();

}  // namespace vantreel::webkitgtk
