// The one shape of every reply to the page: "type", the request's "requestId" where the
// request type carries one, the outcome, then the members of that outcome. The auth replies
// state the outcome as "ok" alone; the media replies add "success" beside it, which older
// pages read. A failure carries its message as "error".
#pragma once

#include <string>
#include <string_view>

#include "json/JsonWriter.h"

namespace vantreel {

enum class TReplyOutcome { Ok, OkAndSuccess };

class TJsonReply {
 public:
  // {"type":type
  TJsonReply(std::string_view type, TReplyOutcome outcome);
  // {"type":type,"requestId":requestId
  TJsonReply(std::string_view type, std::string_view requestId, TReplyOutcome outcome);

  // Writes the outcome; the members of a success go into the writer returned.
  TJsonWriter& Succeeded();
  // Writes the outcome and "error"; members after it go into the writer returned.
  TJsonWriter& Failed(std::string_view error);

  std::string Finish() { return FWriter.Finish(); }

 private:
  void AddOutcome(bool ok);

  TJsonWriter FWriter;
  TReplyOutcome FOutcome;
};

}  // namespace vantreel
