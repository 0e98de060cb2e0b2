#include "bundle/UWebAppBundle.h"

#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <thread>

#include "bundle/BundleConstants.h"
#include "bundle/BundleCrypto.h"
#include "bundle/BundleOrigin.h"
#include "platform/DebugOutput.h"
#include "platform/PlatformCrypto.h"
#include "tests/bundle/BundleTestSupport.h"

namespace vantreel {
namespace {

using namespace vantreel::test;

constexpr const char* kHtml = "text/html; charset=utf-8";
const std::string kOrigin(kBundleOriginPrefix);

// One bundle shared by the lookup tests: loading costs a 120000-round derivation.
class BundleLookupTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    FLoaded = new TTestBundle(EncryptBundle(WriteZip(Entries({
        {"index.html", "<html>entry</html>"},
        {"assets/", ""},
        {"Assets/App.js", "app();"},
        {"Assets\\Logo.PNG", "png"},
        {"docs.old/readme", "readme"},
        {"my file.txt", "spaced"},
    }))));
    FLoadError = FLoaded->Load();
  }
  // Checked per test: GoogleTest reports the tests of a suite whose set-up failed as skipped,
  // which CTest would count as a quiet skip rather than a failure.
  void SetUp() override { ASSERT_EQ(FLoadError, ""); }
  static void TearDownTestSuite() {
    delete FLoaded;
    FLoaded = nullptr;
  }

  static std::pair<std::string, std::string> Get(const std::string& url) {
    std::shared_ptr<const TBytes> content;
    std::string mime = "stale";
    EXPECT_TRUE(FLoaded->bundle.TryGetFile(url, content, mime)) << url;
    return {content ? Text(*content) : "<null>", mime};
  }

  static inline TTestBundle* FLoaded = nullptr;
  static inline std::string FLoadError;
};

TEST_F(BundleLookupTest, AnswersEachUrlWithItsFileOrTheEntryPage) {
  struct Case {
    std::string url;
    std::string content;
    std::string mime;
  };
  const Case cases[] = {
      {FLoaded->bundle.BuildEntryUrl(), "<html>entry</html>", kHtml},
      {kOrigin + "index.html", "<html>entry</html>", kHtml},
      {kOrigin + "Assets/App.JS?v=3#top", "app();", "application/javascript; charset=utf-8"},
      {"HTTPS://APP.VANTREEL.INVALID/assets/logo.png", "png", "image/png"},
      {"/assets/logo.png", "png", "image/png"},
      {"assets\\LOGO.png", "png", "image/png"},
      {kOrigin + "docs.old/readme", "readme", "application/octet-stream"},
      {kOrigin + "my file.txt", "spaced", "application/octet-stream"},
      // misses: the entry page, as HTML, whatever was asked for
      {kOrigin + "my%20file.txt", "<html>entry</html>", kHtml},
      {kOrigin + "missing.js", "<html>entry</html>", kHtml},
      {kOrigin + "route/deep/page", "<html>entry</html>", kHtml},
      {kOrigin + "assets/", "<html>entry</html>", kHtml},
      {"https://elsewhere.example/assets/logo.png", "<html>entry</html>", kHtml},
      {"//assets/logo.png", "<html>entry</html>", kHtml},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Get(c.url), std::make_pair(c.content, c.mime)) << c.url;
  }
  EXPECT_EQ(FLoaded->bundle.BuildEntryUrl(), kOrigin);
}

TEST_F(BundleLookupTest, HandsOutTheStoredBytesWithoutCopying) {
  std::shared_ptr<const TBytes> first, second;
  std::string mime;
  ASSERT_TRUE(FLoaded->bundle.TryGetFile(kOrigin + "assets/app.js", first, mime));
  ASSERT_TRUE(FLoaded->bundle.TryGetFile("ASSETS/APP.JS", second, mime));
  EXPECT_EQ(first.get(), second.get());
  std::vector<std::string> keys;
  for (const auto& [key, bytes] : FLoaded->bundle.Files()) keys.push_back(key);
  EXPECT_EQ(keys, (std::vector<std::string>{"assets/app.js", "assets/logo.png", "docs.old/readme", "index.html",
                                            "my file.txt"}));
}

TEST(WebAppBundleTest, LoadsThroughEveryStepAndLogsEach) {
  TTestBundle loaded(EncryptBundle(WriteZip(Entries({{"index.html", "i"}, {"a.js", "a"}}))));
  EXPECT_EQ(loaded.Load(), "");
  EXPECT_TRUE(loaded.bundle.Loaded());
  EXPECT_EQ(loaded.log, (std::vector<std::string>{"[WEB_BUNDLE] 资源包 SHA256 校验成功。",
                                                  "[WEB_BUNDLE] 资源包解密完成。",
                                                  "[WEB_BUNDLE] 资源包加载完成，内存文件数 2。"}));
}

TEST(WebAppBundleTest, ComparesTheDigestTrimmedAndLowerCasedOrNotAtAll) {
  const TBytes cipher = EncryptBundle(WriteZip(Entries({{"index.html", "i"}})));
  std::string upper = Sha256Hex(cipher);
  for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  for (const std::string& expected :
       {Sha256Hex(cipher), " \t" + upper + "\r\n", std::string(), std::string(64, '0'), "  " + std::string(64, '0')}) {
    TTestBundle loaded(cipher, expected);
    EXPECT_EQ(loaded.Load(), "") << expected;
    EXPECT_EQ(loaded.log.front(), "[WEB_BUNDLE] 资源包 SHA256 校验成功。");
  }
}

TEST(WebAppBundleTest, EachLoadFailureCarriesItsMessageAndLeavesTheBundleUnloaded) {
  const TBytes good = EncryptBundle(WriteZip(Entries({{"index.html", "i"}})));
  const std::string goodDigest = Sha256Hex(good);
  const std::string wrongDigest(64, 'a');

  TBytes tampered = good;
  tampered[0] ^= 1;

  // The same archive under another key, and under the right key with another IV: the
  // first cannot pass the padding check (or, rarely, the zip reader); the second decrypts
  // to a first block of garbage, which only the zip reader notices.
  TBytes otherKey;
  ASSERT_TRUE(AesCbcPkcs7Encrypt(WriteZip(Entries({{"index.html", "i"}})), TBytes(32, 7),
                                 HexToBytes(BundleIvHex), otherKey).ok());
  TBytes otherIv;
  {
    TBytes key = DeriveKeyPbkdf2Sha256(BundlePassword, HexToBytes(BundleSaltHex), BundleIterations);
    ASSERT_TRUE(AesCbcPkcs7Encrypt(WriteZip(Entries({{"index.html", "i"}})), key, TBytes(16, 9), otherIv).ok());
  }

  TBytes badCrc = WriteZip(Entries({{"index.html", "i"}}));
  badCrc[14] ^= 0xFF;  // local header CRC is not read; the central one is
  badCrc[badCrc.size() - 22 - 10 - 46 + 16] ^= 0xFF;
  TBytes badMethod = WriteZip(Entries({{"index.html", "i"}}));
  badMethod[badMethod.size() - 22 - 10 - 46 + 10] = 14;

  struct Case {
    const char* what;
    TBytes cipher;
    std::string digest;
    std::string message;  // exact, or a prefix when it ends in "0x"
  };
  const Case cases[] = {
      {"digest mismatch", good, wrongDigest,
       "资源包 SHA256 校验失败，expected=" + wrongDigest + ", actual=" + goodDigest},
      {"tampered ciphertext", tampered, goodDigest,
       "资源包 SHA256 校验失败，expected=" + goodDigest + ", actual=" + Sha256Hex(tampered)},
      {"wrong key", otherKey, "", "BCryptDecrypt 失败: 0x"},
      {"wrong IV", otherIv, "", "Zip 文件无效："},
      {"not a multiple of 16", TBytes(good.begin(), good.end() - 3), "", test::kNotWholeBlocksFailure},
      {"plaintext is no zip", EncryptBundle(Bytes("just some text")), "", "Zip 文件无效：未找到中央目录结束记录。"},
      {"CRC mismatch", EncryptBundle(badCrc), "", "Zip 条目“index.html”的 CRC 校验失败。"},
      {"unsupported method", EncryptBundle(badMethod), "",
       "Zip 文件无效：条目“index.html”使用了不支持的压缩方式 14。"},
      {"zero files", EncryptBundle(WriteZip({})), "", "资源包解压后文件数为 0，疑似构建流程异常。"},
      {"directories only", EncryptBundle(WriteZip(Entries({{"a/", ""}, {"a\\b\\", ""}}))), "",
       "资源包解压后文件数为 0，疑似构建流程异常。"},
      {"zero-byte resource", {}, "", "资源包解压后文件数为 0，疑似构建流程异常。"},
  };
  for (const Case& c : cases) {
    TTestBundle loaded(c.cipher, c.digest);
    const std::string error = loaded.Load();
    if (c.message.ends_with("0x") || c.message.ends_with("：")) {
      EXPECT_EQ(error.rfind(c.message, 0), 0u) << c.what << ": " << error;
    } else {
      EXPECT_EQ(error, c.message) << c.what;
    }
    EXPECT_FALSE(loaded.bundle.Loaded()) << c.what;
    std::shared_ptr<const TBytes> content;
    std::string mime;
    EXPECT_FALSE(loaded.bundle.TryGetFile(kOrigin, content, mime)) << c.what;
  }
}

TEST(WebAppBundleTest, ReportsAMissingResource) {
  const std::string missing = "未找到 Web 资源包，请先运行 scripts/build-webview2-resource 并确保资源已编译进 EXE。";
  TWebAppBundle noResource([](const std::string&) {}, TWebBundleSource{[] { return std::nullopt; }, ""});
  try {
    noResource.LoadFromResource();
    FAIL() << "loaded without a resource";
  } catch (const std::runtime_error& error) {
    EXPECT_EQ(error.what(), missing);
  }
  // This test program embeds no bundle: the product's own source finds none either.
  TWebAppBundle embedded([](const std::string&) {});
  try {
    embedded.LoadFromResource();
    FAIL() << "loaded without a resource";
  } catch (const std::runtime_error& error) {
    EXPECT_EQ(error.what(), missing);
  }
  EXPECT_FALSE(embedded.Loaded());
}

TEST(WebAppBundleTest, LooksNothingUpUntilLoadedAndNothingAfterAFailedReload) {
  TTestBundle loaded(EncryptBundle(WriteZip(Entries({{"index.html", "i"}}))));
  std::shared_ptr<const TBytes> content = std::make_shared<const TBytes>(Bytes("stale"));
  std::string mime = "stale";
  EXPECT_FALSE(loaded.bundle.Loaded());
  EXPECT_FALSE(loaded.bundle.TryGetFile(kOrigin, content, mime));
  EXPECT_EQ(content, nullptr);
  EXPECT_EQ(mime, "");

  ASSERT_EQ(loaded.Load(), "");
  EXPECT_TRUE(loaded.bundle.TryGetFile(kOrigin + "index.html", content, mime));

  loaded.cipher.resize(loaded.cipher.size() - 1);  // the next load fails in decryption
  EXPECT_NE(loaded.Load(), "");
  EXPECT_FALSE(loaded.bundle.TryGetFile(kOrigin + "index.html", content, mime));
  EXPECT_EQ(content, nullptr);
  EXPECT_EQ(mime, "");
}

TEST(WebAppBundleTest, StoresEntriesUnderTheirNormalisedNames) {
  TTestBundle loaded(EncryptBundle(WriteZip(Entries({
      {"index.html", "real index"},
      {"A.js", "upper first"},
      {"a.js", "lower second"},   // same key, read by name: gets A.js's bytes
      {"x.js", "plain"},
      {"/x.js", "slashed later"}, // same key, its own bytes, stored later
      {"Assets\\Logo.PNG", "logo"},
      {"evil://host/page", "not the index"},  // "://" off the origin: the entry page's key
  }))));
  ASSERT_EQ(loaded.Load(), "");
  std::map<std::string, std::string> files;
  for (const auto& [key, bytes] : loaded.bundle.Files()) files[key] = Text(*bytes);
  EXPECT_EQ(files, (std::map<std::string, std::string>{{"index.html", "not the index"},
                                                       {"a.js", "upper first"},
                                                       {"x.js", "slashed later"},
                                                       {"assets/logo.png", "logo"}}));
  EXPECT_EQ(loaded.log.back(), "[WEB_BUNDLE] 资源包加载完成，内存文件数 4。");
}

TEST(WebAppBundleTest, ABundleWithoutIndexAnswersMissesWithFalse) {
  TTestBundle loaded(EncryptBundle(WriteZip(Entries({{"app.js", "a"}}))));
  ASSERT_EQ(loaded.Load(), "");
  std::shared_ptr<const TBytes> content;
  std::string mime;
  EXPECT_TRUE(loaded.bundle.TryGetFile(kOrigin + "app.js", content, mime));
  EXPECT_FALSE(loaded.bundle.TryGetFile(kOrigin, content, mime));
  EXPECT_FALSE(loaded.bundle.TryGetFile(kOrigin + "missing.css", content, mime));
  EXPECT_EQ(content, nullptr);
  EXPECT_EQ(mime, "");
}

TEST(WebAppBundleTest, WithoutACallbackLogsToTheDebugOutput) {
  std::vector<std::string> lines;
  SetDebugOutputSinkForTesting([&](std::string_view line) { lines.emplace_back(line); });
  const TBytes cipher = EncryptBundle(WriteZip(Entries({{"index.html", "i"}})));
  TWebAppBundle bundle(nullptr, TWebBundleSource{[&] { return std::optional<TByteView>(cipher); }, ""});
  EXPECT_FALSE(bundle.Loaded());
  EXPECT_TRUE(bundle.Files().empty());
  bundle.LoadFromResource();
  SetDebugOutputSinkForTesting(nullptr);
  ASSERT_EQ(lines.size(), 3u);
  for (const std::string& line : lines) EXPECT_EQ(line.rfind("[WEB_BUNDLE] ", 0), 0u) << line;
}


// A load prepared on the worker must look, from the caller's side, exactly like one run in
// place: the same error, the same lines in the same order, written by the caller's thread
// inside LoadFromResource and not before.
TEST(WebAppBundlePreparationTest, TakesTheSameResultAsALoadRunInPlace) {
  const TBytes good = EncryptBundle(WriteZip(Entries({{"index.html", "i"}, {"Assets/A.js", "a"}})));
  TBytes otherKey;
  ASSERT_TRUE(AesCbcPkcs7Encrypt(WriteZip(Entries({{"index.html", "i"}})), TBytes(32, 7), HexToBytes(BundleIvHex),
                                 otherKey).ok());
  struct Case {
    const char* what;
    std::optional<TBytes> cipher;  // nullopt: no resource at all
    std::string digest;
  };
  const Case cases[] = {
      {"loads", good, Sha256Hex(good)},
      {"digest mismatch", good, std::string(64, 'a')},
      {"wrong key", otherKey, ""},
      {"no files", EncryptBundle(WriteZip({})), ""},
      {"missing resource", std::nullopt, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    struct TRun {
      std::vector<std::string> log;
      bool offThread = false;
      std::string error;
      bool loaded = false;
      std::vector<std::string> keys;
    };
    const auto run = [&c](bool prepared) {
      TRun r;
      const std::thread::id caller = std::this_thread::get_id();
      TWebAppBundle bundle(
          [&](const std::string& line) {
            r.log.push_back(line);
            r.offThread = r.offThread || std::this_thread::get_id() != caller;
          },
          TWebBundleSource{[&c]() -> std::optional<TByteView> {
                             if (!c.cipher) return std::nullopt;
                             return TByteView(*c.cipher);
                           },
                           c.digest});
      if (prepared) {
        bundle.StartPreparing();
        // Long enough for the worker to finish here; nothing may be written before the take.
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        EXPECT_TRUE(r.log.empty());
        EXPECT_FALSE(bundle.Loaded());
      }
      r.error = ErrorOf([&] { bundle.LoadFromResource(); });
      r.loaded = bundle.Loaded();
      for (const auto& [key, bytes] : bundle.Files()) r.keys.push_back(key);
      return r;
    };
    const TRun inPlace = run(false);
    const TRun prepared = run(true);
    EXPECT_EQ(prepared.error, inPlace.error);
    EXPECT_EQ(prepared.log, inPlace.log);
    EXPECT_FALSE(prepared.offThread);
    EXPECT_EQ(prepared.loaded, inPlace.loaded);
    EXPECT_EQ(prepared.keys, inPlace.keys);
  }
}

TEST(WebAppBundlePreparationTest, ALaterLoadRunsInPlaceAgain) {
  TTestBundle loaded(EncryptBundle(WriteZip(Entries({{"index.html", "i"}}))));
  loaded.bundle.StartPreparing();
  loaded.bundle.StartPreparing();  // one worker only
  ASSERT_EQ(loaded.Load(), "");
  EXPECT_EQ(loaded.log.size(), 3u);
  loaded.cipher.resize(loaded.cipher.size() - 1);
  EXPECT_EQ(loaded.Load().rfind(test::kNotWholeBlocksFailure, 0), 0u);
  EXPECT_FALSE(loaded.bundle.Loaded());
}

// A bundle destroyed before anyone takes the result drops it: nothing is written, nothing
// is left running or allocated (the sanitizer build checks the last two). The resource
// read is held open until the owner is on its way out, so that the worker is caught mid-run
// whichever of the two moves first.
TEST(WebAppBundlePreparationTest, DestroyedFirstDropsTheWorkUnseen) {
  const TBytes cipher = EncryptBundle(WriteZip(Entries({{"index.html", "i"}})));
  for (int round = 0; round < 3; ++round) {
    SCOPED_TRACE(round);
    std::promise<void> reading;
    std::promise<void> release;
    std::shared_future<void> released = release.get_future().share();
    std::vector<std::string> log;
    auto bundle = std::make_unique<TWebAppBundle>(
        [&](const std::string& line) { log.push_back(line); },
        TWebBundleSource{[&, released] {
                           reading.set_value();
                           released.wait();
                           return std::optional<TByteView>(cipher);
                         },
                         ""});
    bundle->StartPreparing();
    reading.get_future().wait();
    std::thread opener([&] {
      std::this_thread::sleep_for(std::chrono::milliseconds(10 * round));
      release.set_value();
    });
    bundle.reset();
    opener.join();
    EXPECT_TRUE(log.empty());
  }
  // And with no gate at all, destroyed at once.
  for (int round = 0; round < 3; ++round) {
    TTestBundle loaded(cipher);
    loaded.bundle.StartPreparing();
  }
}

}  // namespace
}  // namespace vantreel
