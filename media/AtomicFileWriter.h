// Replaces a whole file so that a reader, or a later start after a failure, sees either the
// old contents or the new ones, never a mix or an empty file: the bytes go to a temporary
// file in the target's folder, are flushed to the disk, and the temporary is renamed over
// the target. On any failure the temporary is removed and the old file is left as it was.
// A rename over an existing symbolic link replaces the link, not what it points to. A
// replaced file's permissions carry over. A write over the file-size limit fails like any
// other (the POSIX backend ignores SIGXFSZ for the process), and temporaries of ours older
// than a few minutes, left by a client that was killed, are removed when the folder is next
// written.
// Not promised: that the rename itself survives a system crash (the folder is synced, but
// on a best-effort basis). Synchronous; call from one thread per target.
#pragma once

#include <filesystem>

#include "base/Bytes.h"

namespace vantreel {

// Throws std::runtime_error with the file system's message, prefixed for the log.
void WriteFileAtomically(const std::filesystem::path& target, ByteView data);

}  // namespace vantreel
