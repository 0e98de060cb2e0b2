#include <sys/ptrace.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "auth/EnvironmentCheck.h"

namespace vantreel {
namespace {

// Runs the check in a child process; `traced` makes the parent its tracer first.
int CheckInChild(bool traced) {
  const pid_t child = fork();
  if (child == 0) {
    if (traced && ptrace(PTRACE_TRACEME, 0, nullptr, nullptr) != 0) _exit(2);
    _exit(IsEnvironmentAcceptable() ? 0 : 1);
  }
  int status = 0;
  waitpid(child, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(EnvironmentCheck, ATracerFailsIt) {
  EXPECT_EQ(CheckInChild(false), 0);
  EXPECT_EQ(CheckInChild(true), 1);
}

TEST(EnvironmentCheck, TheTestSeamForcesEitherResult) {
  SetEnvironmentCheckResultForTesting(false);
  EXPECT_FALSE(IsEnvironmentAcceptable());
  SetEnvironmentCheckResultForTesting(true);
  EXPECT_EQ(CheckInChild(true), 0);  // the forced result wins over the real probe
  SetEnvironmentCheckResultForTesting(std::nullopt);
  EXPECT_TRUE(IsEnvironmentAcceptable());
}

}  // namespace
}  // namespace vantreel
