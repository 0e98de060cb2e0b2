// Cold starts: a program started afresh, each time with an empty home and data folders of
// its own, timed from just before the fork to the moment its load-finished line arrives;
// and the memory of such a program once its page has settled.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <string>
#include <vector>

namespace vantreel::bench {

// Milliseconds from spawn to the line; throws std::runtime_error when the program fails or
// says nothing within `timeout`. The program gets its data folder as its only argument and
// `extraEnv` ("NAME=value") on top of the parent's environment, in which the renderer
// switch the bench sets for itself is dropped: each program runs with its own settings.
double TimeColdStart(const std::string& program, const std::vector<std::string>& extraEnv = {},
                     std::chrono::milliseconds timeout = std::chrono::seconds(30));

// One process of a program, from /proc/PID/smaps_rollup, in MiB.
struct TProcessMemory {
  std::string name;  // "UI" for the program itself, else the process's command name
  double pss = 0, pssAnon = 0, pssFile = 0, pssShmem = 0, rss = 0;
};

// `root` (named "UI") and every process below it, however deep (a web process under
// bubblewrap is a grandchild), read now.
std::vector<TProcessMemory> ReadProcessTreeMemory(pid_t root);

// Starts the program as TimeColdStart does but keeps it running after load-finished, waits
// `settle`, then reads the program and every process below it (the web and network
// processes). The whole process tree is ended afterwards.
std::vector<TProcessMemory> MeasureSettledMemory(const std::string& program, const std::vector<std::string>& extraEnv,
                                                 std::chrono::milliseconds settle,
                                                 std::chrono::milliseconds timeout = std::chrono::seconds(30));

}  // namespace vantreel::bench
