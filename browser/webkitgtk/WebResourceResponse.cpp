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
    return S_OK_;
  }

 private:
  std::string FUri;
};

}  // namespace

std::vector<std::pair<std::string, std::string>> ParseHeaderBlock(const std::string& block) {
  std::vector<std::pair<std::string, std::string>> headers;
  std::size_t start = 0;
  while (start <= block.size()) {
    std::size_t end = block.find('\n', start);
    if (end == std::string::npos) end = block.size();
    std::string line = block.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    const std::size_t colon = line.find(':');
    if (colon != std::string::npos && colon > 0)
      headers.emplace_back(TrimBlanks(std::string_view(line).substr(0, colon)),
                           TrimBlanks(std::string_view(line).substr(colon + 1)));
    start = end + 1;
  }
  return headers;
}

TWebResourceResponse::TWebResourceResponse(std::shared_ptr<const TBytes> content, int statusCode,
                                           std::string reasonPhrase, const std::string& headerBlock)
    : FContent(content ? std::move(content) : std::make_shared<const TBytes>()),
      FStatusCode(statusCode),
      FReasonPhrase(std::move(reasonPhrase)),
      FHeaders(ParseHeaderBlock(headerBlock)) {}

std::string TWebResourceResponse::MediaType() const {
  for (const auto& [name, value] : FHeaders) {
    if (!EqualsIgnoringAsciiCase(name, "content-type")) continue;
    return AsciiLowered(TrimBlanks(std::string_view(value).substr(0, value.find(';'))));
  }
  return {};
}

std::optional<std::string> TWebResourceResponse::Charset() const {
  for (const auto& [name, value] : FHeaders) {
    if (!EqualsIgnoringAsciiCase(name, "content-type")) continue;
    const std::string lower = AsciiLowered(value);
    const std::size_t at = lower.find("charset=");
    if (at == std::string::npos) return std::nullopt;
    std::string charset(TrimBlanks(std::string_view(value).substr(at + 8, value.find(';', at) - (at + 8))));
    if (charset.size() >= 2 && charset.front() == '"' && charset.back() == '"')
      charset = charset.substr(1, charset.size() - 2);
    return charset.empty() ? std::nullopt : std::optional<std::string>(charset);
  }
  return std::nullopt;
}

HResult TWebResourceRequestedArgs::GetRequest(std::shared_ptr<IWebResourceRequest>& request) {
  request = std::make_shared<TRequest>(FUri);
  return S_OK_;
}

HResult TWebResourceRequestedArgs::SetResponse(std::shared_ptr<IWebResourceResponse> response) {
  FResponse = std::dynamic_pointer_cast<TWebResourceResponse>(response);
  return (FResponse || !response) ? S_OK_ : E_FAIL_;
}

}  // namespace vantreel::webkitgtk
