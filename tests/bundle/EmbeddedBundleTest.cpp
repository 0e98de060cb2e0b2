// This program carries a bundle packed from testweb/ and embedded in its ELF by the same
// build function as the client's.
#include <gtest/gtest.h>

#include "bundle/BundleCrypto.h"
#include "bundle/BundleDigest.h"
#include "bundle/UWebAppBundle.h"
#include "platform/AppResource.h"

namespace vantreel {
namespace {

TEST(EmbeddedBundleTest, LoadsTheBundleCompiledIntoThisProgram) {
  const std::optional<TByteView> resource = FindAppResource("APP_WEB_ZIP");
  ASSERT_TRUE(resource.has_value());
  EXPECT_GT(resource->size(), 0u);
  EXPECT_EQ(resource->size() % 16, 0u);
  EXPECT_FALSE(FindAppResource("OTHER").has_value());
#if VANTREEL_DIGEST_CHECK
  EXPECT_EQ(ExpectedBundleSha256(), Sha256Hex(*resource));
#else
  EXPECT_EQ(ExpectedBundleSha256(), "");
#endif

  std::vector<std::string> log;
  TWebAppBundle bundle([&](const std::string& line) { log.push_back(line); });
  bundle.LoadFromResource();
  ASSERT_TRUE(bundle.Loaded());
  std::vector<std::string> keys;
  for (const auto& [key, content] : bundle.Files()) keys.push_back(key);
  EXPECT_EQ(keys, (std::vector<std::string>{"index.html", "js/app.js"}));

  std::shared_ptr<const TBytes> content;
  std::string mime;
  ASSERT_TRUE(bundle.TryGetFile(bundle.BuildEntryUrl() + "js/app.js", content, mime));
  EXPECT_EQ(std::string(content->begin(), content->end()), "window.embedded = true;\n");
  EXPECT_EQ(mime, "application/javascript; charset=utf-8");
}

}  // namespace
}  // namespace vantreel
