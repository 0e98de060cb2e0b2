// A bare WebKitGTK program for one cold start: loads the bench page from memory and ends as
// soon as it has loaded. Argument: an empty folder for its website data. With
// VANTREEL_BENCH_SANDBOX=1 its web process runs sandboxed, as the client's does where the
// machine allows it.
#include <gtk/gtk.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "bench/shell/BareWebView.h"
#include "bench/shell/LoadFinished.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s <data folder>\n", argv[0]);
    return 2;
  }
  gtk_init(&argc, &argv);
  vantreel::bench::ExitOnLoadFinished(vantreel::bench::kBareEntryUrl);
  const char* sandbox = std::getenv("VANTREEL_BENCH_SANDBOX");
  vantreel::bench::TBareWebView bare(argv[1], sandbox && std::strcmp(sandbox, "1") == 0);
  bare.Load();
  gtk_main();
  return 0;
}
