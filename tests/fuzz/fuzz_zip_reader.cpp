// The zip reader on arbitrary bytes: it must refuse with std::runtime_error or read, never
// crash, overrun, or allocate without bound.
#include <cstddef>
#include <cstdint>
#include <stdexcept>

#include "bundle/zip/ZipArchive.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace vantreel;
  try {
    const TZipArchive zip(TByteView(data, size));
    for (const TZipEntry& entry : zip.Entries()) {
      if (zip.FindEntry(entry.name) == nullptr) __builtin_trap();  // every name finds an entry
      try {
        const TBytes bytes = zip.Read(entry);
        if (bytes.size() != entry.uncompressedSize) __builtin_trap();
      } catch (const std::runtime_error&) {
      }
    }
  } catch (const std::runtime_error&) {
  }
  return 0;
}
