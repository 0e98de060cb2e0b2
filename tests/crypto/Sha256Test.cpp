#include "crypto/Sha256.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

#include "crypto/Hex.h"
#include "tests/crypto/ReferenceSha256.h"

namespace vantreel {
namespace {

// Each test runs on the portable path and, where the processor has it, the hardware path.
class Sha256Test : public ::testing::TestWithParam<bool> {
 protected:
  void SetUp() override {
    if (!GetParam() && !Sha256HardwareAvailable()) GTEST_SKIP() << "no SHA-NI on this processor";
    SetSha256PortableForTesting(GetParam());
  }
  void TearDown() override { SetSha256PortableForTesting(false); }
};

std::string HexOf(const TSha256Digest& digest) { return BytesToHexLower(digest); }

TEST_P(Sha256Test, Fips180Vectors) {
  struct Case {
    std::string message;
    const char* digest;
  };
  const Case cases[] = {
      {"", "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
      {"abc", "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
      {"abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq",
       "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1"},
      {"abcdefghbcdefghicdefghijdefghijkefghijklfghijklmghijklmnhijklmnoijklmnopjklmnopqklmnopqrlmnopqrsmnopqrstnopqrstu",
       "cf5b16a778af8380036ce59e7b0492370b249b11e8f07a51afac45037afee9d1"},
      {std::string(1000000, 'a'), "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(HexOf(ComputeSha256(AsBytes(c.message))), c.digest) << "length " << c.message.size();
  }
}

// Lengths around the 55/56/64-byte padding boundaries, fed whole and in pieces, against
// the platform library's digest of the same bytes.
TEST_P(Sha256Test, MatchesThePlatformLibraryOnRandomDataWholeAndInPieces) {
  std::mt19937 random(12345);
  TBytes data(5000);
  for (auto& b : data) b = static_cast<std::uint8_t>(random());
  for (std::size_t length : {0, 1, 55, 56, 57, 63, 64, 65, 119, 120, 127, 128, 129, 1000, 4099, 5000}) {
    const TSha256Digest expected = test::ReferenceSha256(TByteView(data.data(), length));
    EXPECT_EQ(ComputeSha256(TByteView(data.data(), length)), expected) << "length " << length;

    TSha256 hash;
    std::size_t offset = 0;
    while (offset < length) {
      const std::size_t piece = std::min<std::size_t>(random() % 150, length - offset);
      hash.Update(TByteView(data.data() + offset, piece));
      offset += piece;
    }
    EXPECT_EQ(hash.Final(), expected) << "length " << length << " in pieces";
  }
}

INSTANTIATE_TEST_SUITE_P(Paths, Sha256Test, ::testing::Values(true, false),
                         [](const auto& info) { return info.param ? "Portable" : "Hardware"; });

}  // namespace
}  // namespace vantreel
