// Windows: a debugger attached to this process, locally or from another process.
#include <windows.h>

#include "auth/EnvironmentCheck.h"

namespace vantreel {

bool IsDebuggerAttached() {
  if (IsDebuggerPresent()) return true;
  BOOL remote = FALSE;
  return CheckRemoteDebuggerPresent(GetCurrentProcess(), &remote) && remote;
}

// Not examined here: on Windows, DLLs planted beside the executable are kept out by the DLL
// search order that the program entry sets, not by this check.
bool IsForeignCodeLoaded() { return false; }

}  // namespace vantreel
