// The image services as the page reaches them: request text in, reply text out.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "MediaTestSupport.h"
#include "bridge/UWebViewBridge.h"
#include "media/AlarmPhotoFolder.h"

namespace vantreel {
namespace {

using namespace vantreel::test;
using Json = nlohmann::ordered_json;

class MediaThroughBridge : public ::testing::Test {
 protected:
  void SetUp() override {
    SetAlarmPhotoDirForTesting(FPhotos);
    WriteFile(FTemp.Path() / "config" / "user-dirs.dirs", "XDG_PICTURES_DIR=\"$HOME/Pics\"\n");
  }
  void TearDown() override { SetAlarmPhotoDirForTesting(std::nullopt); }

  Json Send(const Json& request) {
    std::string reply;
    EXPECT_TRUE(ProcessWebMessage(request.dump(), reply)) << request;
    return Json::parse(reply);
  }

  TTempFolder FTemp;
  const fs::path FPhotos = FTemp.Path() / "alarm_photos";
  TScopedEnv FHome{"HOME", (FTemp.Path() / "home").c_str()};
  TScopedEnv FConfig{"XDG_CONFIG_HOME", (FTemp.Path() / "config").c_str()};
  TScopedEnv FTz{"TZ", fs::exists("/usr/share/zoneinfo/Asia/Shanghai") ? "Asia/Shanghai" : "CST-8"};
  TCapturedLines FLines;
};

TEST_F(MediaThroughBridge, APhotoGoesRoundTheStore) {
  // No "mimetype" and no "timestamp": a JPEG named after 1970-01-01 00:00:00 UTC.
  const Json saved = Send({{"type", "alarm_photo_save"}, {"requestId", "s"}, {"alarmId", "A1"},
                           {"photoData", "data:image/jpeg;base64,aGVsbG8="}});
  EXPECT_EQ(saved["type"], "alarm_photo_save_response");
  EXPECT_EQ(saved["fileName"], "A1_unknown_19700101_080000.jpg");
  EXPECT_EQ(FLines.Lines(), (std::vector<std::string>{
                                "[WEBVIEW_BRIDGE] 收到消息类型: alarm_photo_save",
                                "[ALARM_PHOTO] 保存成功: " + (FPhotos / "A1_unknown_19700101_080000.jpg").string(),
                                "[WEBVIEW_BRIDGE] 已处理 alarm_photo_save"}));

  // "mimetype" null counts as absent; a timestamp given as a string of digits is read as one.
  EXPECT_EQ(Send({{"type", "alarm_photo_save"}, {"alarmId", "A1"}, {"deviceId", "D9"}, {"mimetype", nullptr},
                  {"timestamp", "1700000000123"}, {"photoData", "aGk="}})["fileName"],
            "A1_D9_20231115_061320.jpg");

  const Json list = Send({{"type", "alarm_photo_list"}, {"requestId", "l"}, {"deviceId", "D9"}});
  ASSERT_EQ(list["photos"].size(), 1u);
  EXPECT_EQ(list["photos"][0]["fileName"], "A1_D9_20231115_061320.jpg");

  const Json got = Send({{"type", "alarm_photo_get"}, {"requestId", "g"}, {"alarmId", "A1"}, {"deviceId", "unknown"}});
  EXPECT_EQ(got["photoData"], "data:image/jpeg;base64,aGVsbG8=");
  EXPECT_EQ(got["fileSize"], 5);

  const Json deleted = Send({{"type", "alarm_photo_delete"}, {"requestId", "d"}, {"fileName", got["fileName"]}});
  EXPECT_EQ(deleted["deletedPath"], (FPhotos / "A1_unknown_19700101_080000.jpg").string());
  EXPECT_EQ(Send({{"type", "alarm_photo_delete"}, {"fileName", got["fileName"]}})["error"], "图片文件不存在");
  EXPECT_EQ(Snapshot(FPhotos).size(), 1u);
}

TEST_F(MediaThroughBridge, AnImageWithoutAlbumGoesToScreenshots) {
  const Json reply = Send({{"type", "image_save"}, {"requestId", "i"}, {"imageData", "aGk="}, {"fileName", "a.png"}});
  const fs::path folder = FTemp.Path() / "home" / "Pics" / "Screenshots";
  EXPECT_EQ(reply, (Json{{"type", "image_save_response"}, {"requestId", "i"}, {"ok", true}, {"success", true},
                         {"filePath", (folder / "a.png").string()}, {"message", "图片已保存到 " + folder.string()}}));
  EXPECT_EQ(ReadFile(folder / "a.png"), "hi");
  EXPECT_EQ(FLines.Lines().back(), "[WEBVIEW_BRIDGE] 已处理 image_save");
}

// A refusal is an ordinary failure reply, posted like any other.
TEST_F(MediaThroughBridge, RefusedNamesComeBackAsFailureReplies) {
  WriteFile(FTemp.Path() / "secret.jpg", "outside");
  const auto before = Snapshot(FTemp.Path());
  const Json requests[] = {
      {{"type", "alarm_photo_save"}, {"alarmId", "../x"}, {"photoData", "aGk="}},
      {{"type", "alarm_photo_get"}, {"filePath", (FTemp.Path() / "secret.jpg").string()}},
      {{"type", "alarm_photo_delete"}, {"fileName", "../secret.jpg"}},
      {{"type", "image_save"}, {"imageData", "aGk="}, {"albumName", "../.."}},
      {{"type", "image_save"}, {"imageData", "aGk="}, {"fileName", "../../../secret.jpg"}},
  };
  for (const Json& request : requests) {
    const Json reply = Send(request);
    EXPECT_FALSE(reply["ok"]) << request;
    EXPECT_FALSE(reply["error"].get<std::string>().empty()) << request;
  }
  EXPECT_EQ(Snapshot(FTemp.Path()), before);
}


// A name or page value with line breaks, terminal escapes and a right-to-left override goes
// round the store: the replies carry it unchanged, while every log line stays one line with
// those characters escaped, so none can pass for a line of its own or turn around.
TEST_F(MediaThroughBridge, ControlCharactersInNamesCannotForgeLogLines) {
  const std::string alarm = "A1\n[ALARM_PHOTO] 删除成功: passwd\r\x1B[2K\xE2\x80\xAEgpj";
  const std::string logged = "A1\\x0A[ALARM_PHOTO] 删除成功: passwd\\x0D\\x1B[2K\\u{202E}gpj";
  const std::string name = alarm + "_D9_20231115_061320.jpg";
  const fs::path path = FPhotos / name;

  const Json saved = Send({{"type", "alarm_photo_save"}, {"alarmId", alarm}, {"deviceId", "D9"},
                           {"timestamp", 1700000000123}, {"photoData", "aGk="}});
  EXPECT_EQ(saved["fileName"], name);
  EXPECT_EQ(FLines.Lines().at(1), "[ALARM_PHOTO] 保存成功: " + FPhotos.string() + "/" + logged +
                                      "_D9_20231115_061320.jpg");
  EXPECT_EQ(ReadFile(path), "hi");
  EXPECT_EQ(Send({{"type", "alarm_photo_list"}})["photos"][0]["fileName"], name);
  EXPECT_EQ(Send({{"type", "alarm_photo_get"}, {"filePath", path.string()}})["fileName"], name);
  EXPECT_EQ(Send({{"type", "alarm_photo_delete"}, {"fileName", name}})["deletedPath"], path.string());
  EXPECT_EQ(Send({{"type", "image_save"}, {"imageData", "aGk="}, {"fileName", alarm}})["ok"], true);
  EXPECT_FALSE(Send({{"type", "alarm_photo_get"}, {"filePath", "\n" + path.string()}, {"alarmId", alarm}})["ok"]);

  // Page values that reach the log without being a name: the type, and a member that fails
  // to convert.
  std::string reply;
  EXPECT_FALSE(ProcessWebMessage(Json{{"type", "x\n[WEBVIEW_BRIDGE] 已处理 image_save"}}.dump(), reply));
  EXPECT_FALSE(ProcessWebMessage(Json{{"type", "alarm_photo_save"}, {"timestamp", "1\n\xE2\x81\xA6"}}.dump(), reply));
  EXPECT_EQ(FLines.Lines().back(),
            "[WEBVIEW_BRIDGE] 消息处理异常: JSON member \"timestamp\" is not a 64-bit integer: 1\\x0A\\u{2066}");

  ASSERT_GT(FLines.Lines().size(), 15u);
  for (const std::string& line : FLines.Lines()) {
    for (const char c : line) EXPECT_FALSE(static_cast<unsigned char>(c) < 0x20 || c == 0x7F) << line;
    EXPECT_EQ(line.find("\xE2\x80\xAE"), std::string::npos) << line;
    EXPECT_EQ(line.find("\xE2\x81\xA6"), std::string::npos) << line;
  }
}

}  // namespace
}  // namespace vantreel
