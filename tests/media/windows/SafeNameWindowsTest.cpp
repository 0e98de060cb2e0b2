// The media services' confinement on Windows: the system's own traversal and aliasing forms
// refused before any file is touched, and a Chinese or emoji album and file name written as
// UTF-16 and answered in UTF-8, in the Pictures folder of the test's Wine prefix.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <filesystem>
#include <string>

#include "media/SafeName.h"
#include "media/UImageSaveProvider.h"
#include "platform/KnownFolders.h"
#include "platform/Utf8Path.h"
#include "tests/media/MediaTestSupport.h"

namespace vantreel {
namespace {

namespace fs = std::filesystem;
using Json = nlohmann::json;

TEST(SafeNameWindows, TheSystemsTraversalAndAliasFormsAreRefused) {
  const char* names[] = {
      "..\\x.jpg", "a\\b.jpg", "C:x.jpg", "C:\\x.jpg", "\\\\?\\C:\\x.jpg", "\\\\.\\C:\\x.jpg", "\\\\server\\share\\x.jpg",
      "CON", "con", "NUL", "NUL.txt", "COM1.jpg", "lpt9.png", "aux.png", "CON .jpg", "a.jpg:evil", "a.jpg::$DATA",
      "a.jpg.", "a.jpg ", "a.jpg. .", "PHOTO~1.JPG", "a<b.jpg", "a|b.jpg", "a?.jpg", "a*.jpg", "a\"b.jpg", "a\x01.jpg",
  };
  for (const char* name : names) {
    EXPECT_THROW(TSafeName::Check(name, "refused"), std::runtime_error) << name;
  }
  const char* albums[] = {
      "..\\Pictures2", "a\\..\\..\\x", "C:", "C:x", "C:\\Users", "\\\\server\\share", "\\\\?\\C:\\x", "\\\\.\\PhysicalDrive0",
      "CON", "a\\NUL", "a\\COM1.txt", "x:stream", "trailing.", "trailing ", "PROGRA~1",
  };
  for (const char* album : albums) {
    EXPECT_THROW(TSafeRelativePath::Check(album, "refused"), std::runtime_error) << album;
  }
  // Plain names stay fine, including dots inside, spaces inside and non-ASCII.
  for (const char* name : {"photo.jpg", "a b.png", "照片😀.jpg", "CONSOLE.jpg", "COM10.jpg", "x~y.jpg", ".hidden"}) {
    EXPECT_NO_THROW(TSafeName::Check(name, "refused")) << name;
  }
  EXPECT_NO_THROW(TSafeRelativePath::Check("Screenshots\\2024", "refused"));
}

TEST(ImageSaverWindows, AChineseAlbumAndEmojiNameRoundTrip) {
  const auto pictures = UserPicturesDir();
  ASSERT_TRUE(pictures.has_value());
  const std::string album = "相册 vantreel-test 😀";
  const fs::path albumDir = *pictures / PathFromUtf8(album);
  fs::remove_all(albumDir);
  const Json reply = Json::parse(SaveImage("aGk=", "照片😀.png", album, "r1"));
  ASSERT_TRUE(reply["ok"]) << reply.dump();
  const fs::path file = albumDir / PathFromUtf8("照片😀.png");
  EXPECT_EQ(test::ReadFile(file), "hi");
  EXPECT_EQ(reply["filePath"], Utf8FromPath(file));
  EXPECT_TRUE(reply["filePath"].get<std::string>().ends_with("\\相册 vantreel-test 😀\\照片😀.png")) << reply.dump();
  fs::remove_all(albumDir);

  const Json refused = Json::parse(SaveImage("aGk=", "COM1.png", album, "r2"));
  EXPECT_FALSE(refused["ok"]);
  EXPECT_FALSE(fs::exists(albumDir));
}

}  // namespace
}  // namespace vantreel
