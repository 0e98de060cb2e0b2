#include "media/DataUrl.h"
#include "media/UImageSaveProvider.h"

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "MediaTestSupport.h"
#include "media/LocalStamp.h"

namespace vantreel {
namespace {

using namespace vantreel::test;
using Json = nlohmann::ordered_json;

class PicturesFolder : public ::testing::Test {
 protected:
  void UserDirs(const std::string& text) { WriteFile(FConfig / "user-dirs.dirs", text); }

  TTempFolder FTemp;
  const fs::path FHome = FTemp.Path() / "home";
  const fs::path FConfig = FTemp.Path() / "config";
  TScopedEnv FHomeEnv{"HOME", FHome.c_str()};
  TScopedEnv FConfigEnv{"XDG_CONFIG_HOME", FConfig.c_str()};
};

TEST_F(PicturesFolder, ComesFromUserDirsThenTheProfileThenTheRelativeName) {
  struct Case {
    const char* userDirs;
    fs::path expected;
  } cases[] = {
      {"XDG_PICTURES_DIR=\"$HOME/Bilder\"\n", FHome / "Bilder"},
      {"# comment\n  XDG_PICTURES_DIR = \"/srv/pics/\"\n", "/srv/pics"},
      {"XDG_PICTURES_DIR=\"$HOME\"\n", FHome},
      {"XDG_PICTURES_DIR=\"$HOME/\"\n", FHome},
      {"XDG_PICTURES_DIR=\"/a\"\nXDG_PICTURES_DIR=\"/b\"\n", "/b"},
      {"XDG_PICTURES_DIR=\"/a \"quoted\"\"\n", "/a \"quoted\""},
      {"XDG_PICTURES_DIR=\"pics\"\n", FHome / "Pictures"},        // relative values are ignored
      {"XDG_PICTURES_DIRS=\"/x\"\n", FHome / "Pictures"},
      {"XDG_DOWNLOAD_DIR=\"$HOME/Downloads\"\n", FHome / "Pictures"},
      {nullptr, FHome / "Pictures"},
  };
  for (const Case& c : cases) {
    fs::remove(FConfig / "user-dirs.dirs");
    if (c.userDirs != nullptr) UserDirs(c.userDirs);
    EXPECT_EQ(GetPicturesDir(), c.expected) << (c.userDirs ? c.userDirs : "(no file)");
  }

  TScopedEnv noHome("HOME", nullptr);
  UserDirs("XDG_PICTURES_DIR=\"$HOME/Bilder\"\n");
  EXPECT_EQ(GetPicturesDir(), "Pictures");
  UserDirs("XDG_PICTURES_DIR=\"/srv/pics\"\n");
  EXPECT_EQ(GetPicturesDir(), "/srv/pics");
  TScopedEnv noConfig("XDG_CONFIG_HOME", nullptr);
  EXPECT_EQ(GetPicturesDir(), "Pictures");
}

class ImageSaver : public PicturesFolder {
 protected:
  ImageSaver() { UserDirs("XDG_PICTURES_DIR=\"$HOME/Pics\"\n"); }
  ~ImageSaver() override { SetCurrentSecondsForTesting(std::nullopt); }
  const fs::path FPictures = FHome / "Pics";
  TCapturedLines FLines;
  TScopedEnv FTz{"TZ", fs::exists("/usr/share/zoneinfo/Asia/Shanghai") ? "Asia/Shanghai" : "CST-8"};
};

TEST_F(ImageSaver, ImageDataAloneGoesToScreenshotsUnderAStampedName) {
  SetCurrentSecondsForTesting(1700000000);
  const fs::path folder = FPictures / "Screenshots";
  const fs::path path = folder / "image_20231115_061320.png";
  for (const char* album : {"Screenshots", "", " \t\r\n"}) {
    for (const char* name : {"", "  "}) {
      fs::remove_all(FPictures);
      FLines.Clear();
      const std::string reply = SaveImage("data:image/png;base64,aGVsbG8=", name, album, "r1");
      EXPECT_EQ(reply, "{\"type\":\"image_save_response\",\"requestId\":\"r1\",\"ok\":true,\"success\":true,"
                       "\"filePath\":\"" + JsonPath(path) + "\",\"message\":\"图片已保存到 " + JsonPath(folder) +
                           "\"}");
      EXPECT_EQ(ReadFile(path), "hello");
      EXPECT_EQ(FLines.Lines(), std::vector<std::string>{"[IMAGE_SAVE] 保存成功: " + path.string()});
    }
  }
  // The real clock, when nothing holds it.
  SetCurrentSecondsForTesting(std::nullopt);
  const std::int64_t before = CurrentSecondsSinceEpoch();
  const std::string stamped = Json::parse(SaveImage("aGk=", "", "", ""))["filePath"];
  const std::int64_t after = CurrentSecondsSinceEpoch();
  EXPECT_TRUE(stamped == (folder / ("image_" + FormatLocalStamp(before) + ".png")).string() ||
              stamped == (folder / ("image_" + FormatLocalStamp(after) + ".png")).string())
      << stamped;
}

// Generated names never replace anything: a name already held, by an image or by anything
// else, sends the image to the next suffix, and the reply names the file really written.
// A name that the page gives still replaces.
TEST_F(ImageSaver, ImagesWithGeneratedNamesInOneSecondAreAllKept) {
  SetCurrentSecondsForTesting(1700000000);
  const fs::path folder = FPictures / "Screenshots";
  fs::create_directories(folder / "image_20231115_061320-3.png");
  fs::create_symlink(FTemp.Path() / "outside.png", folder / "image_20231115_061320-4.png");
  const auto save = [&](const char* data, const char* name = "") {
    FLines.Clear();
    const Json reply = Json::parse(SaveImage(data, name, "", ""));
    EXPECT_TRUE(reply["ok"]) << data;
    const std::string path = reply["filePath"];
    EXPECT_EQ(FLines.Lines(), std::vector<std::string>{"[IMAGE_SAVE] 保存成功: " + path});
    return fs::path(path).filename().string();
  };
  EXPECT_EQ(save("Zmlyc3Q="), "image_20231115_061320.png");
  EXPECT_EQ(save("c2Vjb25k"), "image_20231115_061320-2.png");
  EXPECT_EQ(save("dGhpcmQ="), "image_20231115_061320-5.png");
  EXPECT_EQ(save("b3Zlcg==", "image_20231115_061320.png"), "image_20231115_061320.png");
  EXPECT_EQ(Snapshot(folder), (std::map<std::string, std::string>{
                                  {"image_20231115_061320.png", "file:over"},
                                  {"image_20231115_061320-2.png", "file:second"},
                                  {"image_20231115_061320-3.png", "dir"},
                                  {"image_20231115_061320-4.png", "link:" + (FTemp.Path() / "outside.png").string()},
                                  {"image_20231115_061320-5.png", "file:third"}}));
  EXPECT_FALSE(fs::exists(FTemp.Path() / "outside.png"));
}

TEST_F(ImageSaver, UsesTheGivenNamesAsTheyAre) {
  struct Case {
    const char* data;
    const char* name;
    const char* album;
    fs::path file;
    const char* bytes;
  } cases[] = {
      {"aGVsbG8=", "noext", "Screenshots", FPictures / "Screenshots" / "noext", "hello"},
      {"data:image/png;base64,aGVsbG8=", "shot.jpg", "Trips", FPictures / "Trips" / "shot.jpg", "hello"},
      {"data:,", " padded.png ", "a/b/c", FPictures / "a" / "b" / "c" / "padded.png", ""},
      {"   ", "blank.png", " Trips ", FPictures / "Trips" / "blank.png", ""},
      // A backslash nests as it does on Windows, never a folder named "x\\y".
      {"aGVsbG8=", "bs.png", "x\\y", FPictures / "x" / "y" / "bs.png", "hello"},
  };
  for (const Case& c : cases) {
    const Json reply = Json::parse(SaveImage(c.data, c.name, c.album, ""));
    EXPECT_TRUE(reply["ok"]) << c.name;
    EXPECT_EQ(reply["filePath"], c.file.string()) << c.name;
    EXPECT_EQ(reply["message"], "图片已保存到 " + c.file.parent_path().string()) << c.name;
    EXPECT_EQ(ReadFile(c.file), c.bytes) << c.name;
  }
}

TEST_F(ImageSaver, FailuresReplyWithTheirMessage) {
  EXPECT_EQ(SaveImage("", "x.png", "Screenshots", "r2"),
            "{\"type\":\"image_save_response\",\"requestId\":\"r2\",\"ok\":false,\"success\":false,"
            "\"error\":\"图片数据不能为空\"}");
  EXPECT_EQ(FLines.Lines(), std::vector<std::string>{"[IMAGE_SAVE] 保存失败: 图片数据不能为空"});
  FLines.Clear();
  EXPECT_EQ(Json::parse(SaveImage(std::string((kMaxImageBytes / 3 + 2) * 4, 'A'), "x.png", "Screenshots", "r4"))["error"],
            "图片过大: 最多 32 MB");
  EXPECT_FALSE(fs::exists(FPictures));

  WriteFile(FPictures, "a file where the folder should be");
  FLines.Clear();
  const Json reply = Json::parse(SaveImage("aGk=", "x.png", "Screenshots", "r3"));
  EXPECT_FALSE(reply["success"]);
  const std::string error = reply["error"];
  EXPECT_NE(error.find("Not a directory"), std::string::npos) << error;
  EXPECT_EQ(FLines.Lines(), std::vector<std::string>{"[IMAGE_SAVE] 保存失败: " + error});
}

#ifndef _WIN32  // a file-size limit is POSIX
TEST_F(ImageSaver, AFailedWriteKeepsTheEarlierImage) {
  WriteFile(FPictures / "Screenshots" / "x.png", "the earlier image");
  std::string reply;
  {
    TFileSizeLimit limit(64 * 1024);
    reply = SaveImage(std::string(512 * 1024, 'A'), "x.png", "", "");
  }
  EXPECT_FALSE(Json::parse(reply)["ok"]);
  EXPECT_EQ(Snapshot(FPictures), (std::map<std::string, std::string>{
                                     {"Screenshots", "dir"}, {"Screenshots/x.png", "file:the earlier image"}}));
}
#endif

// Nested albums are fine; anything that leaves the Pictures folder is refused before any
// folder is made.
TEST_F(ImageSaver, NoSaveLeavesThePicturesFolder) {
  fs::create_directories(FPictures);
  fs::create_directories(FTemp.Path() / "elsewhere");
  fs::create_directory_symlink(FTemp.Path() / "elsewhere", FPictures / "escape");
  const std::string badAlbum = "相册名称不合法: 不能是绝对路径或包含 ..";
  const std::string badName = "文件名不合法: 只能是单个文件名";
  struct Case {
    std::string album;
    std::string name;
    std::string error;
  } cases[] = {
      {"..", "x.png", badAlbum},
      {"../x", "x.png", badAlbum},
      {"a/../../x", "x.png", badAlbum},
      {"a\\..\\..\\x", "x.png", badAlbum},
      {(FTemp.Path() / "elsewhere").string(), "x.png", badAlbum},
      {std::string("a\0/../../x", 10), "x.png", badAlbum},
      {"escape", "x.png", "相册目录不在图片文件夹内"},
      {"escape/new", "x.png", "相册目录不在图片文件夹内"},
      {"Screenshots", "../x.png", badName},
      {"Screenshots", "a/b.png", badName},
      {"Screenshots", (FTemp.Path() / "x.png").string(), badName},
      {"Screenshots", "..", badName},
      {"Screenshots", "a\\b.png", badName},
      {"Screenshots", std::string("x.png\0/../y", 11), badName},
  };
  const auto before = Snapshot(FTemp.Path());
  for (const Case& c : cases) {
    FLines.Clear();
    const Json reply = Json::parse(SaveImage("aGk=", c.name, c.album, ""));
    EXPECT_FALSE(reply["ok"]) << c.album << " " << c.name;
    EXPECT_EQ(reply["error"], c.error) << c.album << " " << c.name;
    EXPECT_EQ(FLines.Lines(), std::vector<std::string>{"[IMAGE_SAVE] 保存失败: " + c.error}) << c.album;
    EXPECT_EQ(Snapshot(FTemp.Path()), before) << c.album << " " << c.name;
  }
}

}  // namespace
}  // namespace vantreel
