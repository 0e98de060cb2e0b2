#include "browser/WebViewHost.h"

namespace vantreel {
namespace {
IWebViewLoader* gLoader = nullptr;
}  // namespace

IWebViewLoader* GlobalWebView2Loader() { return gLoader; }
void SetGlobalWebView2Loader(IWebViewLoader* loader) { gLoader = loader; }

}  // namespace vantreel
