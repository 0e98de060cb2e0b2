// Environment variables and the process id in the tests of both builds.
#pragma once

#include <cstdlib>
#include <string>

#ifdef _WIN32
#include <process.h>
#else
#include <unistd.h>
#endif

namespace vantreel::test {

inline void SetEnvVar(const char* name, const char* value) {
#ifdef _WIN32
  _putenv_s(name, value);
#else
  ::setenv(name, value, 1);
#endif
}

inline void UnsetEnvVar(const char* name) {
#ifdef _WIN32
  _putenv_s(name, "");  // an empty value removes the variable
#else
  ::unsetenv(name);
#endif
}

inline long CurrentProcessId() {
#ifdef _WIN32
  return _getpid();
#else
  return static_cast<long>(::getpid());
#endif
}

}  // namespace vantreel::test
