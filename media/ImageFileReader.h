// Reads an image from a folder that others may write into (the shared photo store). The
// file is opened without following a link and without waiting, so a FIFO or a device put
// in a photo's place answers at once instead of blocking the client; what was opened is
// checked on the open handle to be a regular file on a disk; and its size is judged before
// anything is read, so a huge or sparse file cannot make the client hold it.
#pragma once

#include <filesystem>
#include <optional>

#include "base/Bytes.h"

namespace vantreel {

// nullopt when no regular file is there: nothing of that name, a symbolic link (or other
// reparse point), a FIFO, a socket, a device or a folder. Throws std::runtime_error with a
// message fit for the reply when the file is larger than kMaxImageBytes or cannot be read.
// The bytes are what the read found, also when the file changed size meanwhile.
std::optional<TBytes> ReadImageFile(const std::filesystem::path& path);

// What a listing adds to the library's own file type: false for an entry that it takes for
// a regular file but that is a link. POSIX: always true, the entry's own type (not
// followed) already tells. Windows: false for reparse points (symbolic links, junctions),
// which the library does not tell from their targets.
bool IsPlainFileEntry(const std::filesystem::path& path);

}  // namespace vantreel
