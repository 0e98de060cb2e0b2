// The bench page's files, compiled into the program so that the bare yardstick serves them
// from memory as the client serves its bundle.
#pragma once

#include <cstddef>
#include <span>

namespace vantreel::bench {

struct TPageFile {
  const char* name;      // path under the page folder, '/'-separated
  const char* mimeType;
  const unsigned char* data;
  std::size_t size;
};

extern const std::span<const TPageFile> kPageFiles;

}  // namespace vantreel::bench
