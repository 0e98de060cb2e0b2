// The Windows atomic writer on real files: a whole replacement, UTF-16 names, a target that
// another program holds open (the move over it fails) left as it was, with no temporary, and
// new files that never replace; and the image reader's refusals.
#include <windows.h>

#include <gtest/gtest.h>

#include <stdexcept>

#include "media/AtomicFileWriter.h"
#include "media/DataUrl.h"
#include "media/ImageFileReader.h"
#include "tests/media/MediaTestSupport.h"

namespace vantreel {
namespace {

using test::ReadFile;
using test::Snapshot;
using test::TTempFolder;
using test::WriteFile;
namespace fs = std::filesystem;

TEST(WriteFileAtomicallyWindows, ReplacesTheWholeFileUnderAUtf16Name) {
  TTempFolder temp;
  const fs::path target = temp.Path() / fs::path(u8"相册 😀") / fs::path(u8"照片.jpg");
  fs::create_directories(target.parent_path());
  WriteFile(target, "an older and longer photo");
  WriteFileAtomically(target, AsBytes("new"));
  EXPECT_EQ(ReadFile(target), "new");
  EXPECT_EQ(Snapshot(target.parent_path()).size(), 1u);
}

TEST(WriteFileAtomicallyWindows, AMissingFolderFailsAndLeavesNothing) {
  TTempFolder temp;
  EXPECT_THROW(WriteFileAtomically(temp.Path() / "no" / "photo.jpg", AsBytes("x")), std::runtime_error);
  EXPECT_TRUE(Snapshot(temp.Path()).empty());
}

TEST(WriteFileAtomicallyWindows, ATargetHeldOpenKeepsItsContentsAndNoTemporaryRemains) {
  TTempFolder temp;
  const fs::path target = temp.Path() / "photo.jpg";
  WriteFile(target, "the earlier photo");
  // Another program reading the photo without sharing delete access: the move cannot replace it.
  HANDLE holder = CreateFileW(target.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(holder, INVALID_HANDLE_VALUE);
  std::string error;
  try {
    WriteFileAtomically(target, AsBytes("new"));
  } catch (const std::runtime_error& e) {
    error = e.what();
  }
  CloseHandle(holder);
  EXPECT_EQ(error.rfind("替换文件失败: ", 0), 0u) << error;
  EXPECT_EQ(Snapshot(temp.Path()), (std::map<std::string, std::string>{{"photo.jpg", "file:the earlier photo"}}));
}


TEST(WriteNewFileAtomicallyWindows, TakesTheFirstFreeNameAndNeverReplaces) {
  TTempFolder temp;
  WriteFile(temp.Path() / "shot.png", "held");
  fs::create_directories(temp.Path() / "shot-2.png");
  const auto name = [](int attempt) { return attempt == 1 ? fs::path("shot.png") : fs::path("shot-" + std::to_string(attempt) + ".png"); };
  EXPECT_EQ(WriteNewFileAtomically(temp.Path(), name, AsBytes("first")), temp.Path() / "shot-3.png");
  EXPECT_EQ(WriteNewFileAtomically(temp.Path(), name, AsBytes("second")), temp.Path() / "shot-4.png");
  EXPECT_THROW(WriteNewFileAtomically(temp.Path(), [](int) { return fs::path("shot.png"); }, AsBytes("x")),
               std::runtime_error);
  EXPECT_EQ(Snapshot(temp.Path()), (std::map<std::string, std::string>{{"shot.png", "file:held"},
                                                                       {"shot-2.png", "dir"},
                                                                       {"shot-3.png", "file:first"},
                                                                       {"shot-4.png", "file:second"}}));
}

TEST(ReadImageFileWindows, ReadsRegularFilesOnlyAndJudgesTheSizeFirst) {
  TTempFolder temp;
  WriteFile(temp.Path() / "photo.jpg", "a photo");
  const std::optional<TBytes> read = ReadImageFile(temp.Path() / "photo.jpg");
  ASSERT_TRUE(read.has_value());
  EXPECT_EQ(std::string(read->begin(), read->end()), "a photo");
  EXPECT_FALSE(ReadImageFile(temp.Path() / "missing.jpg").has_value());
  fs::create_directories(temp.Path() / "folder.jpg");
  EXPECT_FALSE(ReadImageFile(temp.Path() / "folder.jpg").has_value());
  EXPECT_FALSE(IsPlainFileEntry(temp.Path() / "folder.jpg"));
  EXPECT_TRUE(IsPlainFileEntry(temp.Path() / "photo.jpg"));

  const fs::path huge = temp.Path() / "huge.jpg";
  WriteFile(huge, "");
  fs::resize_file(huge, kMaxImageBytes + 1);
  try {
    ReadImageFile(huge);
    FAIL() << "no exception";
  } catch (const std::runtime_error& e) {
    EXPECT_STREQ(e.what(), "图片过大: 最多 32 MB");
  }
}

}  // namespace
}  // namespace vantreel
