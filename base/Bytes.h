// The byte-array type shared by every unit that handles binary data.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

namespace vantreel {

using TBytes = std::vector<std::uint8_t>;
using TByteView = std::span<const std::uint8_t>;

inline TByteView AsBytes(std::string_view text) {
  return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

}  // namespace vantreel
