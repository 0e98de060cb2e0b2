// A response made by the environment and handed back through the resource-request event:
// status, reason, header lines and the shared body. Also the event arguments the backend
// raises, which carry the request's original https URL.
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
  TWebResourceResponse(std::shared_ptr<const TBytes> content, int statusCode, std::string reasonPhrase,
                       const std::string& headerBlock);

  int StatusCode() const { return FStatusCode; }
  const std::string& ReasonPhrase() const { return FReasonPhrase; }
  const std::vector<std::pair<std::string, std::string>>& Headers() const { return FHeaders; }
  const std::shared_ptr<const TBytes>& Content() const { return FContent; }
  // The media type and charset of the Content-Type header ("text/html", "utf-8"), if any.
  std::string MediaType() const;
  std::optional<std::string> Charset() const;

 private:
  std::shared_ptr<const TBytes> FContent;
  int FStatusCode;
  std::string FReasonPhrase;
  std::vector<std::pair<std::string, std::string>> FHeaders;
};

// Header lines joined by CR LF (a lone LF is accepted too); lines without a colon are dropped.
std::vector<std::pair<std::string, std::string>> ParseHeaderBlock(const std::string& block);

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
    return S_OK_;
  }

 private:
  std::string FJson;
};

}  // namespace vantreel::webkitgtk
