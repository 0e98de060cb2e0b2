/* Stands for code a user would have loaded into one of the client's processes: says so on
 * stderr (which WebKit's processes share with the client), with the process's name. */
#include <stdio.h>
#include <string.h>

__attribute__((constructor)) static void Announce(void) {
  char name[64] = "";
  FILE* comm = fopen("/proc/self/comm", "r");
  if (comm != NULL) {
    if (fgets(name, sizeof name, comm) == NULL) name[0] = '\0';
    fclose(comm);
  }
  name[strcspn(name, "\n")] = '\0';
  fprintf(stderr, "VANTREEL-INJECTED-CODE-LOADED in %s\n", name);
  fflush(stderr);
}
