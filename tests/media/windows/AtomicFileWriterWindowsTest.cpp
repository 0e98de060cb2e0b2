// The Windows atomic writer on real files: a whole replacement, UTF-16 names, and a target
// that another program holds open (the move over it fails) left as it was, with no temporary.
#include <windows.h>

#include <gtest/gtest.h>

#include <stdexcept>

#include "media/AtomicFileWriter.h"
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

}  // namespace
}  // namespace vantreel
