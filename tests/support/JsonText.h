// Expected texts as the reply writer puts them into JSON.
#pragma once

#include <string>
#include <string_view>

namespace vantreel::test {

// For texts whose only character to escape is "/".
inline std::string JsonSlashes(std::string_view text) {
  std::string out;
  for (char c : text) {
    if (c == '/') out += '\\';
    out += c;
  }
  return out;
}

}  // namespace vantreel::test
