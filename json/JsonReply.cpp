#include "json/JsonReply.h"

namespace vantreel {

TJsonReply::TJsonReply(std::string_view type, TReplyOutcome outcome) : FOutcome(outcome) {
  FWriter.AddString("type", type);
}

TJsonReply::TJsonReply(std::string_view type, std::string_view requestId, TReplyOutcome outcome)
    : TJsonReply(type, outcome) {
  FWriter.AddString("requestId", requestId);
}

void TJsonReply::AddOutcome(bool ok) {
  FWriter.AddBool("ok", ok);
  if (FOutcome == TReplyOutcome::OkAndSuccess) FWriter.AddBool("success", ok);
}

TJsonWriter& TJsonReply::Succeeded() {
  AddOutcome(true);
  return FWriter;
}

TJsonWriter& TJsonReply::Failed(std::string_view error) {
  AddOutcome(false);
  FWriter.AddString("error", error);
  return FWriter;
}

}  // namespace vantreel
