#include "browser/webkitgtk/WebResourceResponse.h"

#include <cstddef>
#include <string_view>

#include "base/AsciiText.h"

namespace vantreel::webkitgtk {
namespace {

class TRequest final : public IWebResourceRequest {
 public:
  explicit TRequest(std::string uri) : FUri(std::move(uri)) {}
  HResult GetUri(std::string& uri) override {
    uri = FUri;
    return kHResultOk;
  }

 private:
  std::string FUri;
};

}  // namespace

TWebResourceResponse::TWebResourceResponse(TWebResourceAnswer answer) : FAnswer(std::move(answer)) {
  if (!FAnswer.content) FAnswer.content = std::make_shared<const TBytes>();
}

std::string TWebResourceResponse::MediaType() const {
  const std::string_view type = FAnswer.contentType;
  return AsciiLowered(TrimBlanks(type.substr(0, type.find(';'))));
}

std::optional<std::string> TWebResourceResponse::Charset() const {
  const std::string_view type = FAnswer.contentType;
  const std::size_t at = AsciiLowered(type).find("charset=");
  if (at == std::string::npos) return std::nullopt;
  std::string_view charset = TrimBlanks(type.substr(at + 8, type.find(';', at) - (at + 8)));
  if (charset.size() >= 2 && charset.front() == '"' && charset.back() == '"') charset = charset.substr(1, charset.size() - 2);
  return charset.empty() ? std::nullopt : std::optional<std::string>(charset);
}

HResult TWebResourceRequestedArgs::GetRequest(std::shared_ptr<IWebResourceRequest>& request) {
  request = std::make_shared<TRequest>(FUri);
  return kHResultOk;
}

HResult TWebResourceRequestedArgs::SetResponse(std::shared_ptr<IWebResourceResponse> response) {
  FResponse = std::dynamic_pointer_cast<TWebResourceResponse>(response);
  return (FResponse || !response) ? kHResultOk : kHResultFail;
}

}  // namespace vantreel::webkitgtk
