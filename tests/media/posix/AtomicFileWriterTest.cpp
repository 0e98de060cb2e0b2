#include "media/AtomicFileWriter.h"

#include <gtest/gtest.h>
#include <chrono>
#include <stdexcept>

#include "tests/media/MediaTestSupport.h"

namespace vantreel {
namespace {

using test::ReadFile;
using test::TFileSizeLimit;
using test::Snapshot;
using test::TTempFolder;
using test::WriteFile;
namespace fs = std::filesystem;

TEST(WriteFileAtomically, ReplacesTheWholeFileAndLeavesNothingElse) {
  TTempFolder temp;
  const auto target = temp.Path() / "photo.jpg";
  WriteFile(target, "an older and longer photo");
  WriteFileAtomically(target, AsBytes("new"));
  EXPECT_EQ(ReadFile(target), "new");
  WriteFileAtomically(target, {});
  EXPECT_EQ(ReadFile(target), "");
  EXPECT_EQ(Snapshot(temp.Path()).size(), 1u);
}

TEST(WriteFileAtomically, MissingFolderFailsWithTheSystemsMessage) {
  TTempFolder temp;
  try {
    WriteFileAtomically(temp.Path() / "no" / "photo.jpg", AsBytes("x"));
    FAIL() << "no exception";
  } catch (const std::runtime_error& e) {
    EXPECT_NE(std::string(e.what()).find("No such file or directory"), std::string::npos) << e.what();
  }
  EXPECT_TRUE(Snapshot(temp.Path()).empty());
}

TEST(WriteFileAtomically, AWriteThatFailsHalfwayKeepsTheOldFileAndNoTemporary) {
  TTempFolder temp;
  const auto target = temp.Path() / "photo.jpg";
  WriteFile(target, "the earlier photo");
  const std::string big(256 * 1024, 'x');
  {
    TFileSizeLimit limit(64 * 1024);
    try {
      WriteFileAtomically(target, AsBytes(big));
      FAIL() << "no exception";
    } catch (const std::runtime_error& e) {
      EXPECT_NE(std::string(e.what()).find("File too large"), std::string::npos) << e.what();
    }
  }
  EXPECT_EQ(Snapshot(temp.Path()), (std::map<std::string, std::string>{{"photo.jpg", "file:the earlier photo"}}));
}

TEST(WriteFileAtomically, TheReplacementKeepsThePermissions) {
  TTempFolder temp;
  for (const auto perms : {fs::perms::owner_read | fs::perms::owner_write,
                           fs::perms::owner_all | fs::perms::group_read | fs::perms::others_read}) {
    const auto target = temp.Path() / "photo.jpg";
    WriteFile(target, "old");
    fs::permissions(target, perms);
    WriteFileAtomically(target, AsBytes("new"));
    EXPECT_EQ(fs::status(target).permissions(), perms);
    EXPECT_EQ(ReadFile(target), "new");
  }
}

TEST(WriteFileAtomically, StaleTemporariesOfOursGoFreshOnesAndOthersStay) {
  TTempFolder temp;
  const auto stale = temp.Path() / ".vantreel-0123456789abcdef.tmp";
  const auto fresh = temp.Path() / ".vantreel-fedcba9876543210.tmp";
  const auto foreign = temp.Path() / ".other-0123.tmp";
  for (const auto& file : {stale, fresh, foreign}) WriteFile(file, "x");
  const auto old = fs::file_time_type::clock::now() - std::chrono::minutes(10);
  fs::last_write_time(stale, old);
  fs::last_write_time(foreign, old);
  WriteFileAtomically(temp.Path() / "photo.jpg", AsBytes("new"));
  EXPECT_FALSE(fs::exists(stale));
  EXPECT_TRUE(fs::exists(fresh));
  EXPECT_TRUE(fs::exists(foreign));
}

TEST(WriteFileAtomically, ALinkAtTheTargetIsReplacedNotFollowed) {
  TTempFolder temp;
  WriteFile(temp.Path() / "outside.txt", "keep me");
  fs::create_directories(temp.Path() / "store");
  fs::create_symlink(temp.Path() / "outside.txt", temp.Path() / "store" / "photo.jpg");
  WriteFileAtomically(temp.Path() / "store" / "photo.jpg", AsBytes("new"));
  EXPECT_EQ(ReadFile(temp.Path() / "outside.txt"), "keep me");
  EXPECT_FALSE(fs::is_symlink(temp.Path() / "store" / "photo.jpg"));
  EXPECT_EQ(ReadFile(temp.Path() / "store" / "photo.jpg"), "new");
}

}  // namespace
}  // namespace vantreel
