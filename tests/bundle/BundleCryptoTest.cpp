#include "bundle/BundleCrypto.h"

#include <gtest/gtest.h>

#include <stdexcept>

#include "bundle/BundleConstants.h"
#include "crypto/Hex.h"
#include "platform/PlatformCrypto.h"
#include "tests/bundle/BundleTestSupport.h"

namespace vantreel {
namespace {

using vantreel::test::ErrorOf;

TEST(HexToBytesTest, ReadsPairsAfterTrimmingAndRefusesBadText) {
  EXPECT_EQ(HexToBytes("00ff7F"), (TBytes{0x00, 0xff, 0x7f}));
  EXPECT_EQ(HexToBytes(" \t\r\n0aB1\x01 "), (TBytes{0x0a, 0xb1}));
  EXPECT_EQ(HexToBytes(""), TBytes{});
  EXPECT_EQ(BytesToHexLower(HexToBytes(BundleSaltHex)), BundleSaltHex);

  EXPECT_EQ(ErrorOf([] { HexToBytes("abc"); }), "Hex 字符串长度必须为偶数。");
  EXPECT_EQ(ErrorOf([] { HexToBytes(" abc "); }), "Hex 字符串长度必须为偶数。");
  for (const char* bad : {"zz", "0g", "+1", "-1", " x"}) {
    EXPECT_NE(ErrorOf([&] { HexToBytes(std::string("00") + bad); }), "") << bad;
  }
}

TEST(DeriveKeyPbkdf2Sha256Test, GivesTheReferenceKeyAndRefusesNoIterations) {
  TBytes key = DeriveKeyPbkdf2Sha256(BundlePassword, HexToBytes(BundleSaltHex), BundleIterations);
  EXPECT_EQ(BytesToHexLower(key), "445876eb1b9f792623a0f69c5fd55bf3079d60f029716a158f8841a273b8399b");
  // RFC 7914's PBKDF2-HMAC-SHA-256 vector ("passwd", "salt", 1), first 32 bytes.
  EXPECT_EQ(BytesToHexLower(DeriveKeyPbkdf2Sha256("passwd", AsBytes("salt"), 1)),
            "55ac046e56e3089fec1691c22544b605f94185216dde0465e68b9d57c20dacbc");
  EXPECT_EQ(DeriveKeyPbkdf2Sha256("", {}, 1).size(), 32u);  // empty password and salt are accepted

  EXPECT_EQ(ErrorOf([] { DeriveKeyPbkdf2Sha256("p", {}, 0); }), "PBKDF2 迭代次数必须大于 0。");
  EXPECT_EQ(ErrorOf([] { DeriveKeyPbkdf2Sha256("p", {}, -5); }), "PBKDF2 迭代次数必须大于 0。");
}

TEST(AesCbcDecryptTest, RoundTripsAndWordsEachFailureAfterTheFailingCall) {
  const TBytes key(32, 0x11);
  const TBytes iv(16, 0x22);
  const TBytes plain = {'b', 'u', 'n', 'd', 'l', 'e'};
  TBytes cipher;
  ASSERT_TRUE(AesCbcPkcs7Encrypt(plain, key, iv, cipher).ok());
  EXPECT_EQ(AesCbcDecrypt(cipher, key, iv), plain);
  EXPECT_EQ(AesCbcDecrypt({}, {}, {}), TBytes{});  // nothing to decrypt: no key needed

  // Its garbage ends in 0xB4, which no padding check accepts (Wine's CNG checks the last byte
  // only, so a key whose garbage ends in 1 to 16 would pass there).
  const TBytes otherKey(32, 0x13);
  const TBytes shortKey(16, 0x11);
  const TBytes notBlocks(cipher.begin(), cipher.end() - 1);
  const std::pair<std::function<void()>, std::string> failures[] = {
      {[&] { AesCbcDecrypt(cipher, otherKey, iv); }, "BCryptDecrypt 失败: 0x"},  // bad padding
      {[&] { AesCbcDecrypt(notBlocks, key, iv); }, test::kNotWholeBlocksFailure},
      {[&] { AesCbcDecrypt(cipher, shortKey, iv); }, "BCryptGenerateSymmetricKey 失败: 0x"},
  };
  for (const auto& [action, prefix] : failures) {
    const std::string message = ErrorOf(action);
    EXPECT_EQ(message.rfind(prefix, 0), 0u) << message;
    // The status is upper-case hexadecimal and never zero.
    const std::string status = message.substr(prefix.size());
    EXPECT_FALSE(status.empty());
    EXPECT_EQ(status.find_first_not_of("0123456789ABCDEF"), std::string::npos) << status;
    EXPECT_NE(status, "0");
  }
}

TEST(Sha256HexTest, LowerCaseDigits) {
  EXPECT_EQ(Sha256Hex(AsBytes("abc")), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
}

}  // namespace
}  // namespace vantreel
