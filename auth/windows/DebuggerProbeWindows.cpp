// Windows: a debugger attached to this process, locally or from another process.
#include <windows.h>

#include "auth/EnvironmentCheck.h"

namespace vantreel {

bool IsDebuggerAttached() {
  if (IsDebuggerPresent()) return true;
  BOOL remote = FALSE;
  return CheckRemoteDebuggerPresent(GetCurrentProcess(), &remote) && remote;
}

}  // namespace vantreel
