// Names that the file system would take for something else than a plain file of that name:
// on Windows drive-relative and stream names (":"), device names (CON, NUL, COM1.jpg...),
// names that lose trailing dots or spaces, characters Windows refuses, and 8.3 short names
// that can alias another file. POSIX has none beyond what TSafeName refuses itself.
#pragma once

#include <string_view>

namespace vantreel {

// One backend per platform (media/posix/, media/windows/).
bool IsAliasedName(std::string_view component);

}  // namespace vantreel
