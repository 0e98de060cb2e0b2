// The zip records the reader and the packer's writer agree on (APPNOTE 6.3.x), little-endian
// throughout. Offsets are from the start of each record.
//
// End of central directory, 22 bytes + comment, the last record of the archive:
//   0 signature 0x06054b50   4 this disk   6 disk of central directory
//   8 entries on this disk  10 total entries  12 central directory size
//  16 central directory offset  20 comment length  22 comment
//
// Central directory header, 46 bytes + name + extra + comment:
//   0 signature 0x02014b50   4 version made by   6 version needed   8 flags  10 method
//  12 time  14 date  16 crc-32  20 compressed size  24 uncompressed size  28 name length
//  30 extra length  32 comment length  34 disk start  36 internal attributes
//  38 external attributes  42 local header offset  46 name
//
// Local header, 30 bytes + name + extra, followed by the data:
//   0 signature 0x04034b50   4 version needed   6 flags   8 method  10 time  12 date
//  14 crc-32  18 compressed size  22 uncompressed size  26 name length  28 extra length
// Sizes and CRC here may be zero when bit 3 defers them to a data descriptor; the central
// directory's values are the ones used.
#pragma once

#include <cstddef>
#include <cstdint>

namespace vantreel::zip {

constexpr std::uint32_t kEndSignature = 0x06054b50;
constexpr std::size_t kEndSize = 22;
// ZIP64 end-of-central-directory locator, 20 bytes right before the end record.
constexpr std::uint32_t kZip64LocatorSignature = 0x07064b50;
constexpr std::size_t kZip64LocatorSize = 20;
constexpr std::uint32_t kCentralSignature = 0x02014b50;
constexpr std::size_t kCentralSize = 46;
constexpr std::uint32_t kLocalSignature = 0x04034b50;
constexpr std::size_t kLocalSize = 30;

constexpr std::uint16_t kFlagEncrypted = 0x0001;
constexpr std::uint16_t kFlagStrongEncryption = 0x0040;
constexpr std::uint16_t kFlagUtf8Name = 0x0800;
constexpr std::uint16_t kMethodStored = 0;
constexpr std::uint16_t kMethodDeflate = 8;

}  // namespace vantreel::zip
