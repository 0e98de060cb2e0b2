#include "bundle/zip/ZipArchive.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <random>

#include "bundle/zip/ZipNames.h"
#include "tests/bundle/BundleTestSupport.h"

namespace vantreel {
namespace {

using namespace vantreel::test;

std::string ReadAll(TByteView archive) {
  return ErrorOf([&] {
    TZipArchive zip(archive);
    for (const TZipEntry& entry : zip.Entries()) zip.Read(entry);
  });
}

void Put16(TBytes& data, std::size_t at, std::uint32_t value) {
  data[at] = static_cast<std::uint8_t>(value);
  data[at + 1] = static_cast<std::uint8_t>(value >> 8);
}

void Put32(TBytes& data, std::size_t at, std::uint32_t value) {
  Put16(data, at, value & 0xFFFF);
  Put16(data, at + 2, value >> 16);
}

std::uint32_t Get32(const TBytes& data, std::size_t at) {
  return data[at] | (data[at + 1] << 8) | (data[at + 2] << 16) | (std::uint32_t(data[at + 3]) << 24);
}

class ZipArchiveTest : public ::testing::Test {
 protected:
  // Made at build time, so the Windows build under Wine reads them without a Python of its own.
  static TBytes Fixture(const char* name) {
    const TBytes bytes = ReadFileBytes(std::filesystem::path(VANTREEL_ZIP_FIXTURE_DIR) / name);
    EXPECT_FALSE(bytes.empty()) << name;
    return bytes;
  }

  // index.html deflates well; logo.bin (random) is stored. Offsets of the records, which
  // the malformed cases patch.
  void SetUp() override {
    std::mt19937 random(7);
    TBytes noise(300);
    for (auto& b : noise) b = static_cast<std::uint8_t>(random());
    FArchive = WriteZip({{"index.html", Bytes(std::string(4000, 'x'))}, {"logo.bin", noise}});
    FEnd = FArchive.size() - 22;
    FCentral = Get32(FArchive, FEnd + 16);
    FSecondCentral = FCentral + 46 + std::string("index.html").size();
  }

  TBytes FArchive;
  std::size_t FEnd = 0;
  std::size_t FCentral = 0;
  std::size_t FSecondCentral = 0;
};

TEST_F(ZipArchiveTest, ReadsAnArchiveWrittenByPythonZipfile) {
  const TBytes archive = Fixture("mixed.zip");
  const TZipArchive zip(archive);
  std::vector<std::string> names;
  for (const TZipEntry& entry : zip.Entries()) names.push_back(entry.name);
  EXPECT_EQ(names, (std::vector<std::string>{"index.html", "assets/", "Assets\\Logo.PNG", "js/app.js",
                                             "图片/照片.txt", "empty.txt"}));

  std::string logo;
  for (int i = 0; i < 4; ++i) {
    for (int b = 0; b < 256; ++b) logo += static_cast<char>(b);
  }
  std::string page;
  for (int i = 0; i < 50; ++i) page += "<!doctype html><title>t</title>";
  std::string script;
  for (int i = 0; i < 200; ++i) script += "console.log('x');\n";
  EXPECT_EQ(Text(zip.Read(*zip.FindEntry("index.html"))), page);
  EXPECT_EQ(Text(zip.Read(*zip.FindEntry("Assets\\Logo.PNG"))), logo);
  EXPECT_EQ(Text(zip.Read(*zip.FindEntry("js/app.js"))), script);
  EXPECT_EQ(Text(zip.Read(*zip.FindEntry("图片/照片.txt"))), "photo");
  EXPECT_EQ(Text(zip.Read(*zip.FindEntry("empty.txt"))), "");
}

TEST_F(ZipArchiveTest, DecodesNamesWithoutTheUtf8FlagAsCp437) {
  const TBytes archive = Fixture("cp437.zip");
  const TZipArchive zip(archive);
  ASSERT_EQ(zip.Entries().size(), 1u);
  EXPECT_EQ(zip.Entries()[0].name, "caf\u00e9-\u00fc\u2591.txt");
  EXPECT_EQ(Text(zip.Read(zip.Entries()[0])), "cp437");
}

TEST(ZipNamesTest, KeepsWellFormedUtf8AndReplacesTheRest) {
  struct Case {
    std::string raw;
    bool utf8;
    std::string name;
  };
  const Case cases[] = {
      {"\xe5\x9b\xbe/a.png", true, "\xe5\x9b\xbe/a.png"},
      {"\xf0\x9f\x98\x80.svg", true, "\xf0\x9f\x98\x80.svg"},
      {"a\xff.js", true, "a\uFFFD.js"},
      {"\xc0\x80", true, "\uFFFD\uFFFD"},              // overlong NUL
      {"\xed\xa0\x80", true, "\uFFFD\uFFFD\uFFFD"},   // surrogate
      {"\xe5\x9b", true, "\uFFFD\uFFFD"},              // cut short
      {"\x80\x81\xe1\xff", false, "\u00C7\u00FC\u00DF\u00A0"},  // CP437
      {"plain/ascii.txt", false, "plain/ascii.txt"},
  };
  for (const Case& c : cases) EXPECT_EQ(DecodeZipName(AsBytes(c.raw), c.utf8), c.name) << c.raw;
}

TEST_F(ZipArchiveTest, FindsTheFirstEntryWhoseNameMatchesIgnoringAsciiCase) {
  const TBytes archive = WriteZip(Entries({{"A.js", "first"}, {"a.js", "second"}, {"É.js", "accent"}}));
  const TZipArchive zip(archive);
  for (const char* name : {"A.js", "a.js", "a.JS"}) EXPECT_EQ(Text(zip.Read(*zip.FindEntry(name))), "first");
  EXPECT_NE(zip.FindEntry("É.JS"), nullptr);
  EXPECT_EQ(zip.FindEntry("é.js"), nullptr);  // only ASCII letters fold
  EXPECT_EQ(zip.FindEntry("b.js"), nullptr);
  std::vector<std::size_t> firsts;
  for (const TZipEntry& entry : zip.Entries()) firsts.push_back(entry.firstOfName);
  EXPECT_EQ(firsts, (std::vector<std::size_t>{0, 0, 2}));
}

TEST_F(ZipArchiveTest, RefusesWhatItCannotReadSafely) {
  struct Case {
    const char* what;
    std::function<void(TBytes&)> damage;
    const char* message;  // a part of the error text
  };
  const Case cases[] = {
      {"no end record", [](TBytes& z) { z.resize(z.size() - 1); }, "未找到中央目录结束记录"},
      {"not a zip at all", [](TBytes& z) { z = Bytes("plain text, no archive"); }, "未找到中央目录结束记录"},
      {"encrypted entry", [&](TBytes& z) { Put16(z, FSecondCentral + 8, 0x0801); }, "“logo.bin”已加密"},
      {"strong encryption", [&](TBytes& z) { Put16(z, FCentral + 8, 0x0840); }, "已加密"},
      {"method 12 (bzip2)", [&](TBytes& z) { Put16(z, FCentral + 10, 12); }, "不支持的压缩方式 12"},
      {"ZIP64 entry count", [&](TBytes& z) { Put16(z, FEnd + 10, 0xFFFF); }, "ZIP64"},
      {"ZIP64 entry size", [&](TBytes& z) { Put32(z, FCentral + 24, 0xFFFFFFFF); }, "ZIP64"},
      {"ZIP64 locator", [&](TBytes& z) { Put32(z, FEnd - 20, 0x07064b50); }, "ZIP64"},
      {"spanned archive", [&](TBytes& z) { Put16(z, FEnd + 4, 1); }, "分卷"},
      {"directory past the end record", [&](TBytes& z) { Put32(z, FEnd + 12, 0x10000); }, "中央目录超出文件范围"},
      {"entry count above the directory", [&](TBytes& z) { Put16(z, FEnd + 8, 3), Put16(z, FEnd + 10, 3); },
       "中央目录记录已损坏"},
      {"local header missing", [&](TBytes& z) { Put32(z, FSecondCentral + 42, 5); }, "本地文件头已损坏"},
      {"data running into the directory", [&](TBytes& z) { Put32(z, FSecondCentral + 20, 301), Put32(z, FSecondCentral + 24, 301); },
       "数据超出文件范围"},
      {"entries sharing bytes", [&](TBytes& z) { Put32(z, FSecondCentral + 42, 0); }, "相互重叠"},
      {"stored size not the data size", [&](TBytes& z) { Put32(z, FSecondCentral + 24, 299); }, "大小不可信"},
      {"deflate ratio beyond 1032:1",
       [&](TBytes& z) { Put32(z, FCentral + 24, Get32(z, FCentral + 20) * 1032 + 1); }, "大小不可信"},
      {"inflates past the declared size", [&](TBytes& z) { Put32(z, FCentral + 24, 3999); }, "大小与记录不符"},
      {"inflates short of the declared size", [&](TBytes& z) { Put32(z, FCentral + 24, 4001); }, "大小与记录不符"},
      {"CRC mismatch", [&](TBytes& z) { Put32(z, FCentral + 16, Get32(z, FCentral + 16) ^ 1); }, "“index.html”的 CRC 校验失败"},
      {"CRC mismatch of a stored entry", [&](TBytes& z) { Put32(z, FSecondCentral + 16, 0); }, "CRC 校验失败"},
  };
  ASSERT_EQ(ReadAll(FArchive), "");
  for (const Case& c : cases) {
    TBytes damaged = FArchive;
    c.damage(damaged);
    const std::string error = ReadAll(damaged);
    EXPECT_NE(error.find(c.message), std::string::npos) << c.what << ": " << error;
  }
}

// A stream that inflates to 64 MiB but declares 1 KiB is stopped at the declared size.
TEST_F(ZipArchiveTest, StopsInflatingAtTheDeclaredSize) {
  TBytes archive = WriteZip({{"bomb.bin", TBytes(64u << 20, 0)}});
  const std::size_t central = Get32(archive, archive.size() - 22 + 16);
  Put32(archive, central + 24, 1024);
  const std::string error = ReadAll(archive);
  EXPECT_NE(error.find("大小与记录不符"), std::string::npos) << error;
}

}  // namespace
}  // namespace vantreel
