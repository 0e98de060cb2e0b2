/* Stands for code a user would have WebKit load into its web process: says so on stderr. */
#include <stdio.h>

__attribute__((constructor)) static void Announce(void) {
  fputs("VANTREEL-INJECTED-CODE-LOADED\n", stderr);
  fflush(stderr);
}
