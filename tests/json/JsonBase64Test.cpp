#include "json/JsonBase64.h"

#include <gtest/gtest.h>

#include <random>

#include "crypto/Base64.h"
#include "tests/support/JsonText.h"

namespace vantreel {
namespace {

using test::JsonSlashes;

TEST(AppendBase64JsonEscaped, IsTheBase64WithEverySlashEscaped) {
  std::mt19937 random(3);
  TBytes noise(100000);
  for (auto& b : noise) b = static_cast<std::uint8_t>(random());
  const std::vector<TBytes> cases = {
      {}, {0xff}, {0xff, 0xff}, {0xff, 0xff, 0xff}, {0xfb, 0xef, 0xbf}, {'h', 'i'},
      noise,
      TBytes(30000, 0xff),  // nothing but "/": the buffer has to grow several times
  };
  // Every length of a short tail, so each way of ending a run of groups is taken.
  std::vector<TBytes> all = cases;
  for (std::size_t size = 1; size <= 20; ++size) all.emplace_back(noise.begin(), noise.begin() + size);
  for (const TBytes& bytes : all) {
    std::string out = "prefix";
    AppendBase64JsonEscaped(bytes, out);
    EXPECT_EQ(out, "prefix" + JsonSlashes(Base64Encode(bytes))) << bytes.size();
  }
}

}  // namespace
}  // namespace vantreel
