// WebKit's web-process sandbox runs each web process under bubblewrap in new namespaces.
// Where bubblewrap is missing or the kernel refuses the namespaces, WebKit aborts the whole
// client instead of running unsandboxed, so the client first tries the same confinement on
// a trivial child and turns the sandbox on only when that works.
#pragma once

#include <string>

namespace vantreel::webkitgtk {

struct TSandboxProbe {
  bool usable = false;
  std::string detail;  // for the log: what was tried and how it ended
};

// Runs the probe once per process and remembers the answer.
const TSandboxProbe& ProbeWebProcessSandbox();

}  // namespace vantreel::webkitgtk
