// Linux: a process traced by a debugger (ptrace) shows the tracer's pid in the TracerPid
// line of /proc/self/status.
#include <cstdio>
#include <cstring>

#include "auth/EnvironmentCheck.h"

namespace vantreel {

bool IsDebuggerAttached() {
  std::FILE* status = std::fopen("/proc/self/status", "re");
  // Without /proc nothing can be told; an unreadable status is not taken as a debugger.
  if (!status) return false;
  bool attached = false;
  char line[256];
  while (std::fgets(line, sizeof line, status)) {
    if (std::strncmp(line, "TracerPid:", 10) == 0) {
      long pid = 0;
      attached = std::sscanf(line + 10, "%ld", &pid) == 1 && pid != 0;
      break;
    }
  }
  std::fclose(status);
  return attached;
}

}  // namespace vantreel
