// For the programs a cold start runs: tell the parent the moment the entry page has loaded.
// A GObject emission hook sees every web view of the process, so the client's own views
// are watched without any hook into its code.
#pragma once

#include <string>

namespace vantreel::bench {

// The line the parent waits for on the program's standard output.
inline constexpr const char* kLoadedLine = "load-finished";

// The first time any web view finishes loading a URI that starts with `uriPrefix`, writes
// kLoadedLine to standard output and ends the process at once; with kStayVariable set in
// the environment the process goes on showing the page (for memory figures) instead.
void ExitOnLoadFinished(const std::string& uriPrefix);

inline constexpr const char* kStayVariable = "VANTREEL_BENCH_STAY";

}  // namespace vantreel::bench
