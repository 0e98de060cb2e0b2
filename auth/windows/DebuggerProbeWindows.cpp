// Windows: a debugger attached to this process, locally or from another process.
#include <windows.h>

#include "auth/EnvironmentCheck.h"

namespace vantreel {

bool IsDebuggerAttached() {
  if (IsDebuggerPresent()) return true;
  BOOL remote = FALSE;
  return CheckRemoteDebuggerPresent(GetCurrentProcess(), &remote) && remote;
}

// The executable is static and loads DLLs from System32 only (set first thing at start), so
// no module of another's choosing is mapped by the loader.
bool IsForeignCodeLoaded() { return false; }

}  // namespace vantreel
