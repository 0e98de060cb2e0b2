#include "crypto/Hex.h"

namespace vantreel {

std::string BytesToHexLower(TByteView data) {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string out(data.size() * 2, '\0');
  for (std::size_t i = 0; i < data.size(); ++i) {
    out[2 * i] = kDigits[data[i] >> 4];
    out[2 * i + 1] = kDigits[data[i] & 15];
  }
  return out;
}

}  // namespace vantreel
