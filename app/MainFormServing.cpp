// Serving the bundle: every request for the bundle origin is answered from memory inside the
// browser's resource-request event, with caching forbidden; any other request is left alone.
#include <cstdint>
#include <cstdio>
#include <exception>
#include <memory>
#include <stdexcept>
#include <string>
#include <utility>

#include "app/ContentSecurityPolicy.h"
#include "app/UMainForm.h"
#include "base/AsciiText.h"
#include "base/LogText.h"
#include "base/StatusText.h"
#include "bundle/BundleOrigin.h"

namespace vantreel {
namespace {

std::shared_ptr<const TBytes> NotFoundBody() {
  static constexpr char kText[] = "Not Found";
  return std::make_shared<const TBytes>(kText, kText + sizeof kText - 1);
}

}  // namespace

void TMainForm::EnsureWebBundleLoaded() {
  if (!FWebBundle) throw std::runtime_error("Web 资源包管理器未初始化。");
  if (FWebBundle->Loaded()) return;
  Log("开始加载 Web 内存资源包（资源读取/校验/解压）。");
  FWebBundle->LoadFromResource();
  Log("Web 内存资源包加载完成。");
}

void TMainForm::InstallWebResourceFilter() {
  if (FWebResourceFilterInstalled) return;
  if (!FWVBrowser || !FWVBrowser->HasCoreWebView2()) {
    throw std::runtime_error("CoreWebView2 尚未就绪，无法安装资源过滤器。");
  }
  const std::string pattern = std::string(kBundleOrigin) + "/*";
  if (!FWVBrowser->AddWebResourceRequestedFilter(pattern, 0)) {
    throw std::runtime_error("AddWebResourceRequestedFilter 失败：返回 False");
  }
  FWebResourceFilterInstalled = true;
  Log("WebResourceRequested 过滤器安装成功：" + pattern);
}

void TMainForm::OnBrowserWebResourceRequested(IWebResourceRequestedEventArgs& args) {
  if (!FWebBundle || !FWebBundle->Loaded()) return;
  try {
    std::shared_ptr<IWebResourceRequest> request;
    if (!Succeeded(args.GetRequest(request)) || !request) return;
    std::string uri;
    if (!Succeeded(request->GetUri(uri)) || uri.empty()) return;
    if (!StartsWithIgnoringAsciiCase(uri, kBundleOriginPrefix)) return;

    TWebResourceAnswer answer;
    if (FWebBundle->TryGetFile(uri, answer.content, answer.contentType)) {
      if (!answer.content) answer.content = std::make_shared<const TBytes>();
      answer.headers = {{"Cache-Control", "no-store, no-cache, must-revalidate"}, {"Pragma", "no-cache"}};
    } else {
      answer.content = NotFoundBody();
      answer.statusCode = 404;
      answer.reasonPhrase = "Not Found";
      answer.contentType = "text/plain; charset=utf-8";
      answer.headers = {{"Cache-Control", "no-store"}};
    }
    answer.headers.emplace_back("Content-Security-Policy", kContentSecurityPolicy);

    std::shared_ptr<IWebViewEnvironment> environment = FWVLoader ? FWVLoader->Environment() : nullptr;
    if (!environment) throw std::runtime_error("WebView2 Environment 不可用。");
    const int status = answer.statusCode;
    std::shared_ptr<IWebResourceResponse> response;
    const HResult hr = environment->CreateWebResourceResponse(std::move(answer), response);
    if (Succeeded(hr) && response) {
      args.SetResponse(response);
    } else {
      Log("CreateWebResourceResponse(" + std::to_string(status) + ") 失败：" + HexStatus(static_cast<std::uint32_t>(hr)) + ", url=" + EscapedForLog(uri));
    }
  } catch (const std::exception& e) {
    Log(std::string("OnWebResourceRequested 异常：") + e.what());
  }
}

}  // namespace vantreel
