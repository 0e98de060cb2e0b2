#include "media/DataUrl.h"
#include "media/UAlarmPhotoProvider.h"

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "MediaTestSupport.h"
#include "crypto/Base64.h"
#include "media/AlarmPhotoFolder.h"

namespace vantreel {
namespace {

using namespace vantreel::test;
using Json = nlohmann::ordered_json;

const char* ChinaTimeZone() {
  return fs::exists("/usr/share/zoneinfo/Asia/Shanghai") ? "Asia/Shanghai" : "CST-8";
}

std::string Members(const Json& object) {
  std::string names;
  for (auto it = object.begin(); it != object.end(); ++it) names += it.key() + ",";
  return names;
}

class AlarmPhotoStore : public ::testing::Test {
 protected:
  void SetUp() override { SetAlarmPhotoDirForTesting(FFolder); }
  void TearDown() override { SetAlarmPhotoDirForTesting(std::nullopt); }

  // A photo as the store names it, written behind its back.
  fs::path Put(const std::string& name, const std::string& bytes = "img") {
    WriteFile(FFolder / name, bytes);
    return FFolder / name;
  }

  TTempFolder FTemp;
  // Beside a folder that does not exist yet: a save must make both.
  const fs::path FFolder = FTemp.Path() / "app" / "alarm_photos";
  TCapturedLines FLines;
  TScopedEnv FTz{"TZ", ChinaTimeZone()};
};

TEST_F(AlarmPhotoStore, SaveWritesTheDecodedBytesUnderTheBuiltNameAndRepliesInOrder) {
  const std::string reply = SaveAlarmPhoto("data:image/jpeg;base64,aGVsbG8=", "A1", "", "image/jpeg", 0, "r1");
  const fs::path path = FFolder / "A1_unknown_19700101_080000.jpg";
  EXPECT_EQ(reply, "{\"type\":\"alarm_photo_save_response\",\"requestId\":\"r1\",\"ok\":true,\"success\":true,"
                   "\"filePath\":\"" + JsonPath(path) + "\",\"fileName\":\"A1_unknown_19700101_080000.jpg\","
                   "\"message\":\"图片保存成功\"}");
  EXPECT_EQ(ReadFile(path), "hello");
  EXPECT_EQ(FLines.Lines(), std::vector<std::string>{"[ALARM_PHOTO] 保存成功: " + path.string()});
}

// The ids only have to make one plain file name together: "." and ".." do.
TEST_F(AlarmPhotoStore, SaveChecksTheBuiltNameNotTheIds) {
  for (const auto& [alarm, device, name] : {std::tuple{".", "D9", "._D9_19700101_080000.jpg"},
                                            std::tuple{"..", "", ".._unknown_19700101_080000.jpg"},
                                            std::tuple{"A1", "..", "A1_.._19700101_080000.jpg"}}) {
    const Json reply = Json::parse(SaveAlarmPhoto("aGk=", alarm, device, "image/jpeg", 0, ""));
    EXPECT_TRUE(reply["ok"]) << alarm << " " << device;
    EXPECT_EQ(reply["fileName"], name);
    EXPECT_EQ(ReadFile(FFolder / name), "hi");
  }
  EXPECT_EQ(Snapshot(FFolder).size(), 3u);
}

TEST_F(AlarmPhotoStore, SaveDecodesWhateverDataItGets) {
  struct Case {
    const char* data;
    const char* bytes;
  } cases[] = {
      {"aGVsbG8=", "hello"},                 // no comma: the whole text
      {"data:image/png;base64,", ""},        // a header alone: an empty photo, still a success
      {"   ", ""},                           // blanks are not empty data
  };
  for (const Case& c : cases) {
    const Json reply = Json::parse(SaveAlarmPhoto(c.data, "A1", "D9", "image/png", 1700000000123, ""));
    EXPECT_TRUE(reply["ok"]) << c.data;
    EXPECT_EQ(ReadFile(FFolder / "A1_D9_20231115_061320.png"), c.bytes) << c.data;
  }
}

TEST_F(AlarmPhotoStore, TwoSavesInOneSecondLeaveOneFileWithTheSecondPhoto) {
  SaveAlarmPhoto("Zmlyc3Q=", "A1", "D9", "image/png", 1700000000001, "");
  SaveAlarmPhoto("c2Vjb25k", "A1", "D9", "image/png", 1700000000999, "");
  EXPECT_EQ(Snapshot(FFolder), (std::map<std::string, std::string>{{"A1_D9_20231115_061320.png", "file:second"}}));
}

TEST_F(AlarmPhotoStore, SaveFailuresReplyWithTheirMessageAndLeaveNoFile) {
  struct Case {
    const char* data;
    const char* alarm;
  } cases[] = {{"", "A1"}, {"aGk=", ""}, {"", ""}};
  for (const Case& c : cases) {
    FLines.Clear();
    EXPECT_EQ(SaveAlarmPhoto(c.data, c.alarm, "D9", "image/jpeg", 0, "r2"),
              "{\"type\":\"alarm_photo_save_response\",\"requestId\":\"r2\",\"ok\":false,\"success\":false,"
              "\"error\":\"图片数据或警告ID不能为空\"}");
    EXPECT_EQ(FLines.Lines(), std::vector<std::string>{"[ALARM_PHOTO] 保存失败: 图片数据或警告ID不能为空"});
  }
  EXPECT_FALSE(fs::exists(FFolder));

  // An image over the size limit, whether told by its Base64 length or by what it decodes to.
  for (const std::string& data : {"data:image/png;base64," + std::string((kMaxImageBytes / 3 + 2) * 4, 'A'),
                                  std::string((kMaxImageBytes / 3 + 1) * 4, 'A')}) {
    FLines.Clear();
    EXPECT_EQ(SaveAlarmPhoto(data, "A1", "D9", "image/png", 0, "r4"),
              "{\"type\":\"alarm_photo_save_response\",\"requestId\":\"r4\",\"ok\":false,\"success\":false,"
              "\"error\":\"图片过大: 最多 32 MB\"}");
    EXPECT_EQ(FLines.Lines(), std::vector<std::string>{"[ALARM_PHOTO] 保存失败: 图片过大: 最多 32 MB"});
  }
  EXPECT_FALSE(fs::exists(FFolder));
  FLines.Clear();
  EXPECT_EQ(Json::parse(SaveAlarmPhoto(std::string(kMaxImageBytes / 3 * 4, 'A'), "A1", "D9", "image/png", 0, "r5"))["ok"],
            true) << "just under the limit";
  fs::remove_all(FFolder.parent_path());

  // A folder that cannot be made surfaces as the write's failure, with the system's words.
  WriteFile(FTemp.Path() / "app", "a file where the folder should be");
  FLines.Clear();
  const Json reply = Json::parse(SaveAlarmPhoto("aGk=", "A1", "", "image/jpeg", 0, "r3"));
  EXPECT_EQ(Members(reply), "type,requestId,ok,success,error,");
  EXPECT_FALSE(reply["success"]);
  const std::string error = reply["error"];
  EXPECT_NE(error.find("Not a directory"), std::string::npos) << error;
  EXPECT_EQ(FLines.Lines(), std::vector<std::string>{"[ALARM_PHOTO] 保存失败: " + error});
}

#ifndef _WIN32  // a file-size limit is POSIX
TEST_F(AlarmPhotoStore, ASaveThatFailsWhileWritingKeepsTheEarlierPhoto) {
  const fs::path path = Put("A1_D9_20231115_061320.png", "the earlier photo");
  const std::string big = Base64Encode(TBytes(256 * 1024, 7));
  std::string reply;
  {
    TFileSizeLimit limit(64 * 1024);
    reply = SaveAlarmPhoto(big, "A1", "D9", "image/png", 1700000000123, "");
  }
  EXPECT_FALSE(Json::parse(reply)["ok"]);
  EXPECT_EQ(Snapshot(FFolder), (std::map<std::string, std::string>{{path.filename(), "file:the earlier photo"}}));
  EXPECT_EQ(FLines.Lines(), std::vector<std::string>{"[ALARM_PHOTO] 保存失败: 写入文件失败: File too large"});
}
#endif

TEST_F(AlarmPhotoStore, GetAnswersADataUrlThatAlwaysSaysJpeg) {
  // Bytes whose Base64 holds "/", which a reply string must write as "\/".
  const std::string bytes = "\x89PNG\r\n\xff\xff\xfe\xfc";
  const fs::path png = Put("A1_D9_20231115_061320.png", bytes);
  const std::string reply = GetAlarmPhoto("", "", png.string(), "r4");
  EXPECT_EQ(reply, "{\"type\":\"alarm_photo_get_response\",\"requestId\":\"r4\",\"ok\":true,\"success\":true,"
                   "\"photoData\":\"data:image\\/jpeg;base64," + JsonSlashes(Base64Encode(AsBytes(bytes))) +
                       "\",\"filePath\":\"" + JsonPath(png) + "\",\"fileName\":\"A1_D9_20231115_061320.png\","
                       "\"fileSize\":10}");
  EXPECT_NE(Base64Encode(AsBytes(bytes)).find('/'), std::string::npos);
  EXPECT_EQ(FLines.Lines(), std::vector<std::string>{"[ALARM_PHOTO] 读取成功: " + png.string()});

  const fs::path empty = Put("A2_D9_20231115_061320.jpg", "");
  const Json emptyReply = Json::parse(GetAlarmPhoto("", "", empty.string(), ""));
  EXPECT_EQ(emptyReply["photoData"], "data:image/jpeg;base64,");
  // A body whose Base64 is all "/" comes back whole through a JSON parser.
  const std::string slashes(3000, '\xff');
  const Json bigReply = Json::parse(GetAlarmPhoto("", "", Put("A3_D9_1.jpg", slashes).string(), ""));
  EXPECT_EQ(bigReply["photoData"], "data:image/jpeg;base64," + Base64Encode(AsBytes(slashes)));
  EXPECT_EQ(emptyReply["fileSize"], 0);
}

TEST_F(AlarmPhotoStore, GetFallsBackToTheFirstMatchInFileSystemOrder) {
  for (const char* name : {"A1_D9_20230101_000000.jpg", "A1_D9_20240101_000000.jpg", "A1_D9_20220101_000000.jpg",
                           "A1_D90_20250101_000000.jpg", "A1_D8_20250101_000000.jpg"}) {
    Put(name, name);
  }
  std::string first;
  for (const auto& entry : fs::directory_iterator(FFolder)) {
    const std::string name = entry.path().filename().string();
    if (first.empty() && name.find("_D9_") != std::string::npos) first = name;
  }
  // A FilePath that names nothing falls back to the alarm id.
  const Json reply = Json::parse(GetAlarmPhoto("A1", "D9", (FFolder / "gone.jpg").string(), ""));
  EXPECT_EQ(reply["fileName"], first);
  EXPECT_EQ(reply["filePath"], (FFolder / first).string());

  const Json byD8 = Json::parse(GetAlarmPhoto("A1", "D8", "", ""));
  EXPECT_EQ(byD8["fileName"], "A1_D8_20250101_000000.jpg");
}

TEST_F(AlarmPhotoStore, GetWithNothingToFindFails) {
  Put("A1_D9_20230101_000000.txt");
  struct Case {
    const char* alarm;
    const char* device;
    std::string path;
  } cases[] = {{"", "", ""}, {"A1", "", ""}, {"A2", "", (FFolder / "gone.jpg").string()}, {"A1", "D90", ""}};
  for (const Case& c : cases) {
    FLines.Clear();
    EXPECT_EQ(GetAlarmPhoto(c.alarm, c.device, c.path, "r5"),
              "{\"type\":\"alarm_photo_get_response\",\"requestId\":\"r5\",\"ok\":false,\"success\":false,"
              "\"error\":\"未找到图片文件\"}");
    EXPECT_EQ(FLines.Lines(), std::vector<std::string>{"[ALARM_PHOTO] 读取失败: 未找到图片文件"});
  }
}

TEST_F(AlarmPhotoStore, ListWithoutTheFolderIsAnEmptySuccess) {
  EXPECT_EQ(ListAlarmPhotos("", "r6"), "{\"type\":\"alarm_photo_list_response\",\"requestId\":\"r6\",\"ok\":true,"
                                       "\"success\":true,\"photos\":[]}");
  EXPECT_EQ(FLines.Lines(), std::vector<std::string>{"[ALARM_PHOTO] 列表: 0 张图片"});
  EXPECT_FALSE(fs::exists(FFolder));
}

TEST_F(AlarmPhotoStore, ListTakesImageFilesOnlyAndFiltersByWholeDeviceId) {
  Put("A1_D9_20231115_061320.png", "12345");
  Put("A1_D90_20231115_061320.png");
  Put("x.JPG");
  Put("abc.png");
  Put("notes.txt");
  Put("sub.png/inner.png");  // a folder with an image's name
  const auto modified = fs::file_time_type::clock::now() - std::chrono::hours(24);
  fs::last_write_time(FFolder / "A1_D9_20231115_061320.png", modified);

  const Json all = Json::parse(ListAlarmPhotos("", ""));
  std::vector<std::string> names;
  for (const auto& photo : all["photos"]) names.push_back(photo["fileName"]);
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"A1_D90_20231115_061320.png", "A1_D9_20231115_061320.png",
                                             "abc.png", "x.JPG"}));
  EXPECT_EQ(FLines.Lines().back(), "[ALARM_PHOTO] 列表: 4 张图片");
  for (const auto& photo : all["photos"]) {
    if (photo["fileName"] == "abc.png" || photo["fileName"] == "x.JPG") {
      EXPECT_EQ(Members(photo), "fileName,filePath,fileSize,lastModified,") << photo;
    }
  }

  const Json d9 = Json::parse(ListAlarmPhotos("D9", ""));
  ASSERT_EQ(d9["photos"].size(), 1u);
  const Json& photo = d9["photos"][0];
  EXPECT_EQ(Members(photo), "fileName,filePath,fileSize,lastModified,alarmId,deviceId,");
  EXPECT_EQ(photo["filePath"], (FFolder / "A1_D9_20231115_061320.png").string());
  EXPECT_EQ(photo["fileSize"], 5);
  const auto seconds = std::chrono::floor<std::chrono::seconds>(std::chrono::file_clock::to_sys(modified));
  EXPECT_EQ(photo["lastModified"], seconds.time_since_epoch().count() * 1000);
  EXPECT_EQ(photo["alarmId"], "A1");
  EXPECT_EQ(photo["deviceId"], "D9");
}

TEST_F(AlarmPhotoStore, ListFailureRepliesWithErrorAndPhotos) {
  WriteFile(FFolder, "a file where the folder should be");
  const Json reply = Json::parse(ListAlarmPhotos("", "r7"));
  EXPECT_EQ(Members(reply), "type,requestId,ok,success,error,photos,");
  EXPECT_FALSE(reply["ok"]);
  EXPECT_EQ(reply["photos"], Json::array());
  EXPECT_EQ(FLines.Lines(), std::vector<std::string>{"[ALARM_PHOTO] 列表失败: " + reply["error"].get<std::string>()});
}

TEST_F(AlarmPhotoStore, DeleteTriesFilePathThenFileNameThenAlarmId) {
  const fs::path a = Put("A1_D9_20231115_061320.png");
  const fs::path b = Put("B1_D9_20231115_061320.png");
  const fs::path c = Put("C1_D9_20231115_061320.png");
  const std::string gone = (FFolder / "gone.png").string();

  EXPECT_EQ(DeleteAlarmPhoto("", "", a.string(), "", "r8"),
            "{\"type\":\"alarm_photo_delete_response\",\"requestId\":\"r8\",\"ok\":true,\"success\":true,"
            "\"message\":\"图片删除成功\",\"deletedPath\":\"" + JsonPath(a) + "\"}");
  EXPECT_EQ(FLines.Lines(), std::vector<std::string>{"[ALARM_PHOTO] 删除成功: " + a.string()});
  // A file name that could never be used does not stop a delete whose path names the file.
  const fs::path d = Put("D1_D9_20231115_061320.png");
  EXPECT_EQ(Json::parse(DeleteAlarmPhoto("", "", d.string(), "../elsewhere.png", ""))["deletedPath"], d.string());
  EXPECT_EQ(Json::parse(DeleteAlarmPhoto("C1", "", gone, "B1_D9_20231115_061320.png", ""))["deletedPath"], b.string());
  EXPECT_EQ(Json::parse(DeleteAlarmPhoto("C1", "D9", gone, "gone.png", ""))["deletedPath"], c.string());
  EXPECT_TRUE(Snapshot(FFolder).empty());

  // Nothing left to name, and a second delete of the same file, answer alike.
  for (int i = 0; i < 2; ++i) {
    FLines.Clear();
    EXPECT_EQ(DeleteAlarmPhoto("A1", "", a.string(), "A1_D9_20231115_061320.png", "r9"),
              "{\"type\":\"alarm_photo_delete_response\",\"requestId\":\"r9\",\"ok\":false,\"success\":false,"
              "\"error\":\"图片文件不存在\"}");
    EXPECT_EQ(FLines.Lines(), std::vector<std::string>{"[ALARM_PHOTO] 删除失败: 图片文件不存在"});
  }
}

// Every attempt to reach outside the folder changes nothing: an unsafe id fails the save; an
// unsafe path or name is refused with a line of its own and then names no file, so the
// request falls back to its alarm id (Z9 has no photo, so these fail as "not found").
TEST_F(AlarmPhotoStore, NoRequestReachesOutsideThePhotoFolder) {
  Put("A1_D9_20231115_061320.jpg", "inside");
  WriteFile(FTemp.Path() / "app" / "secret.jpg", "outside");
  fs::create_symlink(FTemp.Path() / "app" / "secret.jpg", FFolder / "L1_D9_20231115_061320.jpg");
  const std::string secret = (FTemp.Path() / "app" / "secret.jpg").string();
  const std::string viaParent = (FFolder / ".." / "secret.jpg").string();
  const std::string relative = fs::relative(FTemp.Path() / "app" / "secret.jpg", fs::current_path()).string();
  const std::string link = (FFolder / "L1_D9_20231115_061320.jpg").string();
  const std::string inside = (FFolder / "A1_D9_20231115_061320.jpg").string();
  const std::string nul = inside + std::string("\0/../../secret.jpg", 18);

  const std::string badId = "警告ID或设备ID不是合法的文件名";
  const std::string outside = "文件路径不在图片目录内";
  const std::string badName = "文件名不合法: 只能是图片目录中的单个文件名";
  const std::string notFound = "未找到图片文件";
  const std::string notThere = "图片文件不存在";
  struct Case {
    std::string label;
    std::function<std::string()> call;
    std::string error;
    std::string linePrefix;
    std::string refusal = {};
  } cases[] = {
      {"save id ../x", [] { return SaveAlarmPhoto("aGk=", "../x", "", "image/jpeg", 0, ""); }, badId, "保存失败"},
      {"save id abs", [] { return SaveAlarmPhoto("aGk=", "/tmp/x", "", "image/jpeg", 0, ""); }, badId, "保存失败"},
      {"save id bs", [] { return SaveAlarmPhoto("aGk=", "a\\b", "", "image/jpeg", 0, ""); }, badId, "保存失败"},
      {"save id nul", [] { return SaveAlarmPhoto("aGk=", std::string("a\0b", 3), "", "image/jpeg", 0, ""); }, badId,
       "保存失败"},
      {"save device ../..", [] { return SaveAlarmPhoto("aGk=", "A1", "../../x", "image/jpeg", 0, ""); }, badId,
       "保存失败"},
      {"save device a/b", [] { return SaveAlarmPhoto("aGk=", "A1", "a/b", "image/jpeg", 0, ""); }, badId, "保存失败"},
      {"get abs", [&] { return GetAlarmPhoto("Z9", "", secret, ""); }, notFound, "读取失败", outside},
      {"get ..", [&] { return GetAlarmPhoto("Z9", "", viaParent, ""); }, notFound, "读取失败", outside},
      {"get relative", [&] { return GetAlarmPhoto("Z9", "", relative, ""); }, notFound, "读取失败", outside},
      {"get link", [&] { return GetAlarmPhoto("Z9", "", link, ""); }, notFound, "读取失败", outside},
      {"get nul", [&] { return GetAlarmPhoto("Z9", "", nul, ""); }, notFound, "读取失败", outside},
      {"get id finds link", [] { return GetAlarmPhoto("L1", "", "", ""); }, "未找到图片文件", "读取失败"},
      {"delete abs", [&] { return DeleteAlarmPhoto("Z9", "", secret, "", ""); }, notThere, "删除失败", outside},
      {"delete ..", [&] { return DeleteAlarmPhoto("Z9", "", viaParent, "", ""); }, notThere, "删除失败", outside},
      {"delete relative", [&] { return DeleteAlarmPhoto("Z9", "", relative, "", ""); }, notThere, "删除失败", outside},
      {"delete link", [&] { return DeleteAlarmPhoto("Z9", "", link, "", ""); }, notThere, "删除失败", outside},
      {"delete nul", [&] { return DeleteAlarmPhoto("Z9", "", nul, "", ""); }, notThere, "删除失败", outside},
      {"delete name ../", [] { return DeleteAlarmPhoto("Z9", "", "", "../secret.jpg", ""); }, notThere, "删除失败",
       badName},
      {"delete name abs", [&] { return DeleteAlarmPhoto("Z9", "", "", secret, ""); }, notThere, "删除失败", badName},
      {"delete name ..", [] { return DeleteAlarmPhoto("Z9", "", "", "..", ""); }, notThere, "删除失败", badName},
      {"delete name nul", [] { return DeleteAlarmPhoto("Z9", "", "", std::string("x.jpg\0", 6), ""); }, notThere,
       "删除失败", badName},
      {"delete name link", [] { return DeleteAlarmPhoto("Z9", "", "", "L1_D9_20231115_061320.jpg", ""); }, notThere,
       "删除失败", outside},
      {"delete id finds link", [] { return DeleteAlarmPhoto("L1", "", "", "", ""); }, "图片文件不存在", "删除失败"},
  };
  const auto before = Snapshot(FTemp.Path());
  for (const Case& c : cases) {
    FLines.Clear();
    const Json reply = Json::parse(c.call());
    EXPECT_FALSE(reply["ok"]) << c.label;
    EXPECT_FALSE(reply["success"]) << c.label;
    EXPECT_EQ(reply["error"], c.error) << c.label;
    std::vector<std::string> lines;
    if (!c.refusal.empty()) lines.push_back("[ALARM_PHOTO] 已拒绝: " + c.refusal);
    lines.push_back("[ALARM_PHOTO] " + c.linePrefix + ": " + c.error);
    EXPECT_EQ(FLines.Lines(), lines) << c.label;
    EXPECT_EQ(Snapshot(FTemp.Path()), before) << c.label;
  }
  // With an alarm id that has a photo, the refused path falls back to it.
  const Json fallback = Json::parse(GetAlarmPhoto("A1", "", secret, ""));
  EXPECT_TRUE(fallback["ok"]);
  EXPECT_EQ(fallback["filePath"], inside);
  // The link is left out of listings too, and the photo inside stays readable.
  const Json list = Json::parse(ListAlarmPhotos("", ""));
  ASSERT_EQ(list["photos"].size(), 1u);
  EXPECT_EQ(list["photos"][0]["fileName"], "A1_D9_20231115_061320.jpg");
  EXPECT_TRUE(Json::parse(GetAlarmPhoto("", "", inside, ""))["ok"]);
}

TEST(GetAlarmPhotoDir, IsAlarmPhotosBesideTheExecutable) {
  const fs::path exe = fs::read_symlink("/proc/self/exe");
  EXPECT_EQ(GetAlarmPhotoDir(), exe.parent_path() / "alarm_photos");
}

}  // namespace
}  // namespace vantreel
