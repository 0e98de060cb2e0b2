#include "media/SafeName.h"

#include <gtest/gtest.h>

#include <stdexcept>

#include "MediaTestSupport.h"

namespace vantreel {
namespace {

using test::TTempFolder;
using test::WriteFile;

TEST(TSafeName, TakesOnlyOnePlainComponent) {
  for (const std::string good : {"A1", "a.b", "x.JPG", "名字_1"}) {
    EXPECT_EQ(TSafeName::Check(good, "no").Text(), good);
  }
  // Windows drops trailing dots and spaces ("..." would name the folder itself); it refuses
  // these there (media/windows/NameRulesWindows.cpp), POSIX takes them as they stand.
  for (const std::string trailing : {"...", " padded "}) {
#ifdef _WIN32
    EXPECT_THROW(TSafeName::Check(trailing, "no"), std::runtime_error) << trailing;
#else
    EXPECT_EQ(TSafeName::Check(trailing, "no").Text(), trailing);
#endif
  }
  for (const std::string& bad : {std::string(""), std::string("."), std::string(".."), std::string("a/b"),
                                std::string("/etc"), std::string("a\\b"), std::string("..\\x"),
                                std::string("a\0b", 3), std::string("x/")}) {
    EXPECT_THROW(
        {
          try {
            TSafeName::Check(bad, "refused");
          } catch (const std::runtime_error& e) {
            EXPECT_STREQ(e.what(), "refused");
            throw;
          }
        },
        std::runtime_error)
        << bad;
  }
}

TEST(TSafeRelativePath, TakesNestedFoldersButNeverARootOrParent) {
  for (const std::string good : {"Screenshots", "a/b/c", "a/./b", "a/", "a..b/c", "."}) {
    EXPECT_NO_THROW(TSafeRelativePath::Check(good, "no")) << good;
  }
  // A trailing dot is dropped by Windows, which refuses it there.
#ifdef _WIN32
  EXPECT_THROW(TSafeRelativePath::Check("a..b/c..", "no"), std::runtime_error);
#else
  EXPECT_NO_THROW(TSafeRelativePath::Check("a..b/c..", "no"));
#endif
  for (const std::string& bad : {std::string(""), std::string("/abs"), std::string("//x"), std::string(".."),
                                std::string("a/../b"), std::string("a/.."), std::string("..\\x"),
                                std::string("a\\..\\b"), std::string("\\x"), std::string("a\0/b", 4)}) {
    EXPECT_THROW(TSafeRelativePath::Check(bad, "refused"), std::runtime_error) << bad;
  }
}

TEST(IsDirectlyInsideFolder, ResolvesLinksOnBothSides) {
  TTempFolder temp;
  const auto folder = temp.Path() / "store";
  WriteFile(folder / "in.jpg", "x");
  WriteFile(folder / "sub" / "deep.jpg", "x");
  WriteFile(temp.Path() / "outside.jpg", "x");
  std::filesystem::create_symlink(temp.Path() / "outside.jpg", folder / "out-link.jpg");
  std::filesystem::create_symlink(folder / "in.jpg", folder / "in-link.jpg");
  std::filesystem::create_directory_symlink(folder, temp.Path() / "store-link");

  EXPECT_TRUE(IsDirectlyInsideFolder(folder, folder / "in.jpg"));
  EXPECT_TRUE(IsDirectlyInsideFolder(folder, folder / "in-link.jpg"));
  EXPECT_TRUE(IsDirectlyInsideFolder(temp.Path() / "store-link", folder / "in.jpg"));
  EXPECT_TRUE(IsDirectlyInsideFolder(folder, folder / "sub" / ".." / "in.jpg"));
  EXPECT_FALSE(IsDirectlyInsideFolder(folder, folder / "out-link.jpg"));
  EXPECT_FALSE(IsDirectlyInsideFolder(folder, folder / "sub" / "deep.jpg"));
  EXPECT_FALSE(IsDirectlyInsideFolder(folder, folder / ".." / "outside.jpg"));
  EXPECT_FALSE(IsDirectlyInsideFolder(folder, folder / "missing.jpg"));
  EXPECT_FALSE(IsDirectlyInsideFolder(temp.Path() / "no-such-folder", folder / "in.jpg"));
}

TEST(TFileInFolder, FallsBackForNothingAndRefusesWhatLiesElsewhere) {
  TTempFolder temp;
  const auto folder = temp.Path() / "store";
  WriteFile(folder / "in.jpg", "x");
  WriteFile(temp.Path() / "outside.jpg", "x");

  EXPECT_EQ(TFileInFolder::Find(folder, (folder / "in.jpg").string(), "no")->Text(), (folder / "in.jpg").string());
  EXPECT_FALSE(TFileInFolder::Find(folder, "", "no"));
  EXPECT_FALSE(TFileInFolder::Find(folder, (folder / "gone.jpg").string(), "no"));
  EXPECT_FALSE(TFileInFolder::Find(folder, folder.string(), "no"));  // a folder is no file
  EXPECT_THROW(TFileInFolder::Find(folder, (temp.Path() / "outside.jpg").string(), "no"), std::runtime_error);
  // The NUL would cut the path to the file inside before any system call saw the rest.
  EXPECT_THROW(TFileInFolder::Find(folder, (folder / "in.jpg").string() + std::string("\0/x", 3), "no"),
               std::runtime_error);
}

TEST(StaysUnderFolder, ComparesWholeComponentsAfterResolvingLinks) {
  TTempFolder temp;
  const auto pictures = temp.Path() / "Pictures";
  std::filesystem::create_directories(pictures);
  std::filesystem::create_directories(temp.Path() / "elsewhere");
  std::filesystem::create_directory_symlink(temp.Path() / "elsewhere", pictures / "escape");

  EXPECT_TRUE(StaysUnderFolder(pictures, pictures / "a" / "b"));
  EXPECT_TRUE(StaysUnderFolder(pictures, pictures / "."));
  EXPECT_FALSE(StaysUnderFolder(pictures, pictures / "escape" / "new"));
  EXPECT_FALSE(StaysUnderFolder(pictures, temp.Path() / "Pictures2"));
}

}  // namespace
}  // namespace vantreel
