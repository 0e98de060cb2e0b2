// A response made by the environment and handed back through the resource-request event:
// the window's answer as it came, rendered into WebKit's calls when the request is
// answered. Also the event arguments the backend raises, which carry the request's original
// https URL.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "browser/WebViewHost.h"

namespace vantreel::webkitgtk {

class TWebResourceResponse final : public IWebResourceResponse {
 public:
  explicit TWebResourceResponse(TWebResourceAnswer answer);

  int StatusCode() const { return FAnswer.statusCode; }
  const std::string& ReasonPhrase() const { return FAnswer.reasonPhrase; }
  const std::string& ContentType() const { return FAnswer.contentType; }
  // The headers besides Content-Type.
  const std::vector<std::pair<std::string, std::string>>& Headers() const { return FAnswer.headers; }
  const std::shared_ptr<const TBytes>& Content() const { return FAnswer.content; }
  // The media type and charset of the content type ("text/html", "utf-8"), if any: WebKit
  // takes the two apart.
  std::string MediaType() const;
  std::optional<std::string> Charset() const;

 private:
  TWebResourceAnswer FAnswer;
};

class TWebResourceRequestedArgs final : public IWebResourceRequestedEventArgs {
 public:
  explicit TWebResourceRequestedArgs(std::string uri) : FUri(std::move(uri)) {}
  HResult GetRequest(std::shared_ptr<IWebResourceRequest>& request) override;
  HResult SetResponse(std::shared_ptr<IWebResourceResponse> response) override;
  // Null when the handler left the request alone or set a response of another backend.
  std::shared_ptr<TWebResourceResponse> Response() const { return FResponse; }

 private:
  std::string FUri;
  std::shared_ptr<TWebResourceResponse> FResponse;
};

class TWebMessageReceivedArgs final : public IWebMessageReceivedEventArgs {
 public:
  explicit TWebMessageReceivedArgs(std::string json) : FJson(std::move(json)) {}
  HResult GetWebMessageAsJson(std::string& json) override {
    json = FJson;
    return kHResultOk;
  }

 private:
  std::string FJson;
};

}  // namespace vantreel::webkitgtk
