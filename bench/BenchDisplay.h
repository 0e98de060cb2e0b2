// Benchmarks that open real windows need a display. Without one the program starts itself
// again under a private Xvfb and this call never returns; with one it returns at once.
#pragma once

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <vector>

namespace vantreel::bench {

inline void EnsureDisplayOrRerun(int argc, char** argv) {
  if (std::getenv("DISPLAY")) return;
  std::vector<char*> args = {const_cast<char*>("xvfb-run"), const_cast<char*>("-a"), const_cast<char*>("-s"),
                             const_cast<char*>("-screen 0 1280x1024x24")};
  for (int i = 0; i < argc; ++i) args.push_back(argv[i]);
  args.push_back(nullptr);
  execvp("xvfb-run", args.data());
  std::perror("xvfb-run");
  std::exit(1);
}

}  // namespace vantreel::bench
