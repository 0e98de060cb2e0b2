// Constants shared by the client that reads the bundle and the packer that writes it. The
// salt and IV are fixed on purpose: the same archive always gives the same ciphertext and
// digest, so a build is reproducible and the digest can be compiled in.
#pragma once

#include <string_view>

namespace vantreel {

inline constexpr std::string_view BundleSaltHex = "5c19e7a2f08d4b63c7e2a915d0f4b8e6";
inline constexpr std::string_view BundleIvHex = "f3a8d1c60b9e2745a1d8c3f60e7b4a92";
inline constexpr std::string_view BundlePassword = "Lantern over fjord";
inline constexpr int BundleIterations = 120000;

// The name of the resource in the executable that carries the ciphertext.
inline constexpr std::string_view BundleResourceName = "APP_WEB_ZIP";

}  // namespace vantreel
