#include "browser/webview2/WebView2Environment.h"

#include "browser/webview2/BytesStream.h"
#include "browser/webview2/WideText.h"

namespace vantreel::webview2 {

HResult TWebView2Environment::CreateWebResourceResponse(std::shared_ptr<const TBytes> content, int statusCode,
                                                        const std::string& reasonPhrase, const std::string& headers,
                                                        std::shared_ptr<IWebResourceResponse>& response) {
  if (!FCore) return E_FAIL;
  TComPtr<IStream> stream = TBytesStream::Create(std::move(content));
  TComPtr<ICoreWebView2WebResourceResponse> core;
  const HRESULT hr = FCore->CreateWebResourceResponse(stream.Get(), statusCode, Widen(reasonPhrase).c_str(),
                                                      Widen(headers).c_str(), core.Put());
  if (FAILED(hr)) return hr;
  if (!core) return E_POINTER;
  response = std::make_shared<TWebView2Response>(std::move(core));
  return hr;
}

HRESULT TWebView2Environment::Remake(std::function<void(HRESULT result)> done) {
  if (!FMaker) return E_FAIL;
  // The completion keeps this object alive until it has run.
  return FMaker->Make([self = shared_from_this(), done = std::move(done)](HRESULT result,
                                                                         TComPtr<ICoreWebView2Environment> core) {
    if (SUCCEEDED(result) && !core) result = E_POINTER;
    if (SUCCEEDED(result)) self->FCore = std::move(core);
    done(result);
  });
}

}  // namespace vantreel::webview2
