// Raw deflate (RFC 1951) through zlib, into a buffer of the size the archive declares.
// Inflation stops at that size: a stream that would give more is refused, never inflated
// further, so a small archive cannot make the reader allocate or write without bound.
#pragma once

#include <cstddef>

#include "base/Bytes.h"

namespace vantreel {

// Throws when the stream is corrupt, ends early, or holds more than `declaredSize` bytes.
TBytes InflateRaw(TByteView compressed, std::size_t declaredSize);

}  // namespace vantreel
