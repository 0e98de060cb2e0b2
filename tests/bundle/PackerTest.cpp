#include "tools/packer/BundlePacker.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <stdexcept>

#include "bundle/BundleCrypto.h"
#include "tests/bundle/BundleTestSupport.h"

namespace vantreel {
namespace {

using namespace vantreel::test;
namespace fs = std::filesystem;

struct TRun {
  int status;
  std::string output;
};

TRun RunCommand(const std::string& command) {
  TRun run{-1, ""};
  FILE* pipe = popen((command + " 2>&1").c_str(), "r");
  if (!pipe) return run;
  char buffer[4096];
  while (std::size_t n = std::fread(buffer, 1, sizeof buffer, pipe)) run.output.append(buffer, n);
  const int status = pclose(pipe);
  run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return run;
}

std::string Quote(const fs::path& path) {
  std::string quoted = path.string();
  quoted.insert(quoted.begin(), '\'');
  quoted.push_back('\'');
  return quoted;
}

void MakeSite(const fs::path& root, const std::vector<std::pair<std::string, std::string>>& files) {
  for (const auto& [name, text] : files) WriteFileText(root / name, text);
}

TEST(PackerTest, TheSameFolderAlwaysGivesTheSameBytes) {
  TTempDir one, two;
  MakeSite(one.path(), {{"index.html", "<p>"}, {"js/b.js", "b"}, {"js/a.js", "a"}, {"css/x.css", "x"}});
  // The same files written in another order, at another time.
  MakeSite(two.path(), {{"css/x.css", "x"}, {"js/a.js", "a"}, {"index.html", "<p>"}, {"js/b.js", "b"}});
  fs::last_write_time(two.path() / "index.html", fs::last_write_time(one.path() / "index.html") - std::chrono::hours(48));

  const TPackedBundle first = PackWebFolder(one.path());
  const TPackedBundle second = PackWebFolder(two.path());
  EXPECT_EQ(first.cipherText, second.cipherText);
  EXPECT_EQ(first.sha256, Sha256Hex(first.cipherText));
  EXPECT_EQ(first.fileCount, 4u);

  std::vector<std::string> names;
  for (const TZipSource& file : CollectWebFolder(one.path())) names.push_back(file.name);
  EXPECT_EQ(names, (std::vector<std::string>{"css/x.css", "index.html", "js/a.js", "js/b.js"}));
}

TEST(PackerTest, RefusesFoldersTheClientCouldNotServeFaithfully) {
  const std::pair<std::vector<std::pair<std::string, std::string>>, std::string> cases[] = {
      {{{"main.html", "m"}}, "no index.html"},
      {{{"sub/index.html", "m"}}, "no index.html"},
      {{{"index.html", "i"}, {"App.js", "1"}, {"app.js", "2"}}, "both give the key \"app.js\""},
      {{{"index.html", "i"}, {"a?v=1.js", "q"}}, "cannot be served under its own URL: a?v=1.js"},
      {{{"index.html", "i"}, {"x#y.css", "f"}}, "cannot be served under its own URL"},
      {{{"index.html", "i"}, {"dir\\name.js", "b"}}, "cannot be served under its own URL"},
  };
  for (const auto& [files, message] : cases) {
    TTempDir site;
    MakeSite(site.path(), files);
    try {
      PackWebFolder(site.path());
      ADD_FAILURE() << "packed: " << message;
    } catch (const std::runtime_error& error) {
      EXPECT_NE(std::string(error.what()).find(message), std::string::npos) << error.what();
    }
  }
}

// The archive must be a plain zip any tool reads: checked with Python's zipfile.
TEST(PackerTest, WritesAZipThatAnIndependentReaderAccepts) {
  TTempDir dir;
  const TBytes zip = WriteZip({{"index.html", Bytes(std::string(3000, 'h'))},
                               {"图片/a b.png", Bytes("\x89PNG")},
                               {"empty.txt", {}}});
  const fs::path file = dir.path() / "plain.zip";
  std::ofstream(file, std::ios::binary).write(reinterpret_cast<const char*>(zip.data()), zip.size());
  const TRun run = RunCommand("python3 -c \"import zipfile,sys; z=zipfile.ZipFile(sys.argv[1]); "
                       "assert z.testzip() is None; "
                       "[print(i.filename, i.compress_type, i.date_time, i.file_size) for i in z.infolist()]\" " +
                       Quote(file));
  EXPECT_EQ(run.status, 0) << run.output;
  EXPECT_EQ(run.output,
            "index.html 8 (1980, 1, 1, 0, 0, 0) 3000\n"
            "图片/a b.png 0 (1980, 1, 1, 0, 0, 0) 4\n"
            "empty.txt 0 (1980, 1, 1, 0, 0, 0) 0\n");
}

TEST(PackerTest, CommandLinePacksListsAndChecksTheDigest) {
  TTempDir site, out;
  MakeSite(site.path(), {{"index.html", "<p>hi</p>"}, {"Img/Logo.SVG", "<svg/>"}});
  const std::string packer = VANTREEL_PACKER;
  const fs::path bin = out.path() / "APP_WEB_ZIP.bin";
  const fs::path header = out.path() / "BundleDigest.generated.h";

  TRun pack = RunCommand(packer + " pack " + Quote(site.path()) + " " + Quote(bin) + " " + Quote(header));
  ASSERT_EQ(pack.status, 0) << pack.output;
  const std::string digest = Sha256Hex(ReadFileBytes(bin));
  EXPECT_EQ(Text(ReadFileBytes(header)), DigestHeaderText(digest));

  TRun list = RunCommand(packer + " list --expect " + digest + " " + Quote(bin));
  EXPECT_EQ(list.status, 0) << list.output;
  EXPECT_NE(list.output.find("sha256 " + digest + "\n"), std::string::npos) << list.output;
  EXPECT_NE(list.output.find("img/logo.svg\t6\timage/svg+xml\n"), std::string::npos) << list.output;
  EXPECT_NE(list.output.find("index.html\t9\ttext/html; charset=utf-8\n"), std::string::npos) << list.output;

  TRun wrong = RunCommand(packer + " list --expect " + std::string(64, 'f') + " " + Quote(bin));
  EXPECT_EQ(wrong.status, 1);
  EXPECT_NE(wrong.output.find("资源包 SHA256 校验失败"), std::string::npos) << wrong.output;

  // The script front, with the check turned off.
  TRun script = RunCommand("VANTREEL_PACKER=" + packer + " " + VANTREEL_PACKER_SCRIPT + " --no-digest " +
                    Quote(site.path()) + " " + Quote(out.path()));
  EXPECT_EQ(script.status, 0) << script.output;
  EXPECT_EQ(Text(ReadFileBytes(header)), DigestHeaderText(""));
  EXPECT_EQ(Sha256Hex(ReadFileBytes(bin)), digest);
  TRun scriptList = RunCommand("VANTREEL_PACKER=" + packer + " " + VANTREEL_PACKER_SCRIPT + " --list " + Quote(bin));
  EXPECT_EQ(scriptList.status, 0) << scriptList.output;

  TRun noIndex = RunCommand(packer + " pack " + Quote(out.path()) + " " + Quote(bin) + " " + Quote(header));
  EXPECT_EQ(noIndex.status, 1);
  EXPECT_NE(noIndex.output.find("no index.html"), std::string::npos) << noIndex.output;
  EXPECT_EQ(RunCommand(packer + " bogus").status, 2);
}

}  // namespace
}  // namespace vantreel
