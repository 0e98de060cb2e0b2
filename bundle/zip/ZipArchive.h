// A read-only view of a zip archive held in memory. Opening parses the end-of-central-
// directory record and the central directory and checks every entry's local header, so
// that anything this reader cannot read safely is refused before a byte is inflated:
// encrypted entries, methods other than stored and deflate, ZIP64, spanned archives,
// records that run past their bounds or overlap one another, and declared sizes no entry
// of that compressed size could hold. The archive bytes are borrowed, not copied: they
// must outlive the reader.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "base/Bytes.h"

namespace vantreel {

struct TZipEntry {
  std::string name;  // decoded to UTF-8
  std::uint16_t method = 0;
  std::uint32_t crc32 = 0;
  std::uint32_t compressedSize = 0;
  std::uint32_t uncompressedSize = 0;
  std::size_t dataOffset = 0;  // first byte of the entry's data in the archive
  // Index of the first entry whose name equals this one's ignoring ASCII case (its own index
  // when none comes before it): what a read "by name" finds, folded once while opening.
  std::size_t firstOfName = 0;
};

class TZipArchive {
 public:
  // Throws std::runtime_error with a message fit to show when the bytes are not an archive
  // this reader accepts.
  explicit TZipArchive(TByteView archive);

  // Entries in central-directory order.
  const std::vector<TZipEntry>& Entries() const { return FEntries; }

  // The first entry in archive order whose name equals `name` ignoring ASCII case, or null.
  const TZipEntry* FindEntry(std::string_view name) const;

  // The entry's uncompressed bytes, CRC-32 checked. Throws on corrupt data.
  TBytes Read(const TZipEntry& entry) const;

 private:
  using TSpans = std::vector<std::pair<std::size_t, std::size_t>>;  // [local header, end of data)
  void ReadCentralDirectory(std::size_t offset, std::size_t size, std::size_t count, std::size_t dataEnd,
                            TSpans& spans);

  TByteView FArchive;
  std::vector<TZipEntry> FEntries;
  std::unordered_map<std::string, std::size_t> FFirstByFoldedName;
};

}  // namespace vantreel
