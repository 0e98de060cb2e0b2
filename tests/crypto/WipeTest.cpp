#include "crypto/Wipe.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace vantreel {
namespace {

TEST(Wipe, GuardWipesOnTheErrorPath) {
  std::array<std::uint8_t, 4> digest{1, 2, 3, 4};
  std::string text = "a secret longer than the small-string buffer";
  TBytes bytes = {9, 9, 9};
  try {
    TWipeOnExit wipe(digest, text, bytes);
    throw std::runtime_error("failure");
  } catch (const std::runtime_error&) {
  }
  EXPECT_EQ(digest, (std::array<std::uint8_t, 4>{}));
  EXPECT_TRUE(text.empty());
  EXPECT_TRUE(bytes.empty());
}

}  // namespace
}  // namespace vantreel
