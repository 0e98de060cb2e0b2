// The two scripts through which the window tells the page that the computer woke from sleep:
// a listener installed once in the entry document, and a dispatcher run on every wake. Each
// returns a short status string, which the window never reads.
#pragma once

#include <string_view>

namespace vantreel {

// Installs, once per document, a pcSystemResume listener that finds the page's communication
// module and awaits its handleSystemResume(). Returns "success: listener installed",
// "already installed" or "error: <message>".
extern const std::string_view kSystemResumeListenerScript;

// Dispatches pcSystemResume on window. Returns "success: pcSystemResume event dispatched" or
// "error: <message>".
extern const std::string_view kSystemResumeDispatchScript;

}  // namespace vantreel
