#include "media/AtomicFileWriter.h"

#include <gtest/gtest.h>
#include <chrono>
#include <stdexcept>
#include <thread>
#include <vector>

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


// Writers racing for the same names each end up in a file of their own, whole.
TEST(WriteNewFileAtomically, RacingWritersNeverShareOrReplaceAFile) {
  TTempFolder temp;
  WriteFile(temp.Path() / "shot-1.png", "held before");
  constexpr int kWriters = 4;
  constexpr int kEach = 25;
  std::vector<std::thread> writers;
  std::vector<std::vector<fs::path>> written(kWriters);
  for (int w = 0; w < kWriters; ++w) {
    writers.emplace_back([&, w] {
      for (int i = 0; i < kEach; ++i) {
        const std::string payload = "writer " + std::to_string(w) + " image " + std::to_string(i);
        written[w].push_back(WriteNewFileAtomically(
            temp.Path(), [](int attempt) { return "shot-" + std::to_string(attempt) + ".png"; }, AsBytes(payload)));
      }
    });
  }
  for (auto& writer : writers) writer.join();
  std::map<std::string, std::string> expected{{"shot-1.png", "file:held before"}};
  for (int w = 0; w < kWriters; ++w) {
    for (int i = 0; i < kEach; ++i) {
      expected[written[w][i].filename().string()] = "file:writer " + std::to_string(w) + " image " + std::to_string(i);
    }
  }
  EXPECT_EQ(expected.size(), 1u + kWriters * kEach);
  EXPECT_EQ(Snapshot(temp.Path()), expected);
}

TEST(WriteNewFileAtomically, FailsWhenEveryNameIsTakenOrTheWriteFails) {
  TTempFolder temp;
  WriteFile(temp.Path() / "only.png", "held");
  try {
    WriteNewFileAtomically(temp.Path(), [](int) { return fs::path("only.png"); }, AsBytes("new"));
    FAIL() << "no exception";
  } catch (const std::runtime_error& e) {
    EXPECT_NE(std::string(e.what()).find("File exists"), std::string::npos) << e.what();
  }
  {
    TFileSizeLimit limit(64 * 1024);
    EXPECT_THROW(WriteNewFileAtomically(temp.Path(), [](int) { return fs::path("big.png"); },
                                        AsBytes(std::string(256 * 1024, 'x'))),
                 std::runtime_error);
  }
  EXPECT_EQ(Snapshot(temp.Path()), (std::map<std::string, std::string>{{"only.png", "file:held"}}));
}

}  // namespace
}  // namespace vantreel
