#include "json/JsonReply.h"

#include <gtest/gtest.h>

namespace vantreel {
namespace {

// The page reads these members by name and the auth replies have never carried "success":
// each shape is pinned to the byte.
TEST(JsonReply, EachOutcomeWritesTheMembersItsRepliesHaveAlwaysHad) {
  {
    TJsonReply reply("auth_response", TReplyOutcome::Ok);
    reply.Succeeded().AddString("response", "r");
    EXPECT_EQ(reply.Finish(), R"({"type":"auth_response","ok":true,"response":"r"})");
  }
  {
    TJsonReply reply("auth_seed_response", "7", TReplyOutcome::Ok);
    reply.Failed("seed_invalid");
    EXPECT_EQ(reply.Finish(), R"({"type":"auth_seed_response","requestId":"7","ok":false,"error":"seed_invalid"})");
  }
  {
    TJsonReply reply("image_save_response", "r1", TReplyOutcome::OkAndSuccess);
    reply.Succeeded().AddString("filePath", "/p");
    EXPECT_EQ(reply.Finish(),
              R"({"type":"image_save_response","requestId":"r1","ok":true,"success":true,"filePath":"\/p"})");
  }
  {
    TJsonReply reply("alarm_photo_list_response", "", TReplyOutcome::OkAndSuccess);
    reply.Failed("a\"b").AddRaw("photos", "[]");
    EXPECT_EQ(reply.Finish(),
              R"({"type":"alarm_photo_list_response","requestId":"","ok":false,"success":false,)"
              R"("error":"a\"b","photos":[]})");
  }
}

}  // namespace
}  // namespace vantreel
