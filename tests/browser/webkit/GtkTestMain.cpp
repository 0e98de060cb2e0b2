// GoogleTest entry for tests that open real GTK windows: GTK must be initialised first.
#include <gtest/gtest.h>
#include <gtk/gtk.h>

#include <cstdio>

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  // Listing the tests (CTest's discovery) needs no display.
  if (GTEST_FLAG_GET(list_tests)) return RUN_ALL_TESTS();
  if (!gtk_init_check(&argc, &argv)) {
    fprintf(stderr, "No display: run these tests under Xvfb (xvfb-run -a).\n");
    return 1;
  }
  return RUN_ALL_TESTS();
}
