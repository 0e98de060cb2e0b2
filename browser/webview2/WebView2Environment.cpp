#include "browser/webview2/WebView2Environment.h"

#include "browser/webview2/BytesStream.h"
#include "browser/webview2/WideText.h"

namespace vantreel::webview2 {

namespace {

// The runtime takes the headers as one block of lines joined by CR LF, none after the last.
std::string HeaderBlock(const TWebResourceAnswer& answer) {
  std::string block;
  if (!answer.contentType.empty()) block = "Content-Type: " + answer.contentType;
  for (const auto& [name, value] : answer.headers) {
    if (!block.empty()) block += "\r\n";
    block.append(name).append(": ").append(value);
  }
  return block;
}

}  // namespace

HResult TWebView2Environment::CreateWebResourceResponse(TWebResourceAnswer answer,
                                                        std::shared_ptr<IWebResourceResponse>& response) {
  if (!FCore) return E_FAIL;
  TComPtr<IStream> stream = TBytesStream::Create(std::move(answer.content));
  TComPtr<ICoreWebView2WebResourceResponse> core;
  const HRESULT hr = FCore->CreateWebResourceResponse(stream.Get(), answer.statusCode,
                                                      Widen(answer.reasonPhrase).c_str(),
                                                      Widen(HeaderBlock(answer)).c_str(), core.Put());
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
