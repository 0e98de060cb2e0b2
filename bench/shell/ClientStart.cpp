// The client for one cold start: built as the program entry builds it (GTK window, WebKitGTK
// browser, main window, bundle embedded in this executable, packed from the bench page), and
// ended as soon as its entry page has loaded. Its data folder follows XDG_DATA_HOME, which
// the parent points at a fresh folder for each run. With VANTREEL_BENCH_TRACE set it writes
// the main window's log lines to stderr, each with the milliseconds since entry, to show
// where the start-up time goes.
#include <gtk/gtk.h>

#include <chrono>
#include <cstdlib>

#include <cstdio>
#include <exception>
#include <string>

#include "app/UMainForm.h"
#include "tests/app/MainFormPeer.h"
#include "app/gtk/GtkMainFormUi.h"
#include "bench/shell/LoadFinished.h"
#include "browser/webkitgtk/WebKitBrowserFactory.h"
#include "browser/webkitgtk/WebKitRenderer.h"
#include "bundle/BundleOrigin.h"

int main(int argc, char** argv) {
  const auto entry = std::chrono::steady_clock::now();
  if (std::getenv("VANTREEL_BENCH_TRACE")) {
    vantreel::test::TMainFormPeer::SetLogSink([entry](const std::string& line) {
      const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - entry).count();
      std::fprintf(stderr, "%8.1f ms  %s\n", ms, line.c_str());
    });
  }
  g_set_prgname("Vantreel");
  vantreel::webkitgtk::ChooseWebKitRenderer();
  gtk_init(&argc, &argv);
  vantreel::bench::ExitOnLoadFinished(std::string(vantreel::kBundleOriginPrefix));
  try {
    vantreel::gtkui::TGtkMainFormUi ui;
    vantreel::webkitgtk::TWebKitBrowserFactory browserFactory(VANTREEL_WEBEXT_DIR);
    vantreel::TMainForm form(ui, browserFactory);
    ui.Show();
    gtk_main();
  } catch (const std::exception& e) {
    std::fprintf(stderr, "client start: %s\n", e.what());
    return 1;
  }
  return 0;
}
