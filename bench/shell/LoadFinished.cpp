#include "bench/shell/LoadFinished.h"

#include <unistd.h>
#include <webkit2/webkit2.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace vantreel::bench {
namespace {

gboolean OnLoadChanged(GSignalInvocationHint*, guint count, const GValue* values, gpointer data) {
  if (count < 2 || g_value_get_enum(&values[1]) != WEBKIT_LOAD_FINISHED) return TRUE;
  auto* view = WEBKIT_WEB_VIEW(g_value_get_object(&values[0]));
  const char* uri = webkit_web_view_get_uri(view);
  const auto* prefix = static_cast<const std::string*>(data);
  if (!uri || std::string(uri).rfind(*prefix, 0) != 0) return TRUE;
  std::printf("%s\n", kLoadedLine);
  std::fflush(stdout);
  if (std::getenv(kStayVariable)) return FALSE;  // said once; the page stays up
  // Nothing after this point is measured; the web processes go when their pipe closes.
  _exit(0);
}

}  // namespace

void ExitOnLoadFinished(const std::string& uriPrefix) {
  auto* klass = g_type_class_ref(WEBKIT_TYPE_WEB_VIEW);
  const guint signal = g_signal_lookup("load-changed", WEBKIT_TYPE_WEB_VIEW);
  g_signal_add_emission_hook(signal, 0, &OnLoadChanged, new std::string(uriPrefix), nullptr);
  g_type_class_unref(klass);
}

}  // namespace vantreel::bench
