// Overwrites secret text or bytes with zeros and releases them. The stores cannot be
// optimised away.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <tuple>

#include "base/Bytes.h"
#include "crypto/SecureZero.h"

namespace vantreel {

void WipeString(std::string& text);
void WipeBytes(TBytes& bytes);

// Wipes every variable it was given when the scope ends, on every path, errors included.
//   std::string seed; TBytes key; TWipeOnExit wipe(seed, key);
template <typename... T>
class TWipeOnExit {
 public:
  explicit TWipeOnExit(T&... secrets) : FSecrets(secrets...) {}
  ~TWipeOnExit() {
    std::apply([](auto&... secret) { (Wipe(secret), ...); }, FSecrets);
  }
  TWipeOnExit(const TWipeOnExit&) = delete;
  TWipeOnExit& operator=(const TWipeOnExit&) = delete;

 private:
  static void Wipe(std::string& text) { WipeString(text); }
  static void Wipe(TBytes& bytes) { WipeBytes(bytes); }
  template <std::size_t N>
  static void Wipe(std::array<std::uint8_t, N>& bytes) {
    SecureZero(bytes.data(), N);
  }
  std::tuple<T&...> FSecrets;
};

}  // namespace vantreel
