// Writes a zip archive in memory that is the same bytes for the same input: fixed time
// stamps (1980-01-01 00:00), fixed attributes, UTF-8 names (bit 11), entries in the order
// given. Each entry is deflated, or stored when deflate would not make it smaller.
#pragma once

#include <string>
#include <vector>

#include "base/Bytes.h"

namespace vantreel {

struct TZipSource {
  std::string name;  // "/" separated, UTF-8
  TBytes data;
};

TBytes WriteZip(const std::vector<TZipSource>& files);

}  // namespace vantreel
