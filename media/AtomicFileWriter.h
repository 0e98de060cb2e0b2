// Writes a whole file so that a reader, or a later start after a failure, sees either the
// old contents or the new ones, never a mix or an empty file: the bytes go to a temporary
// file in the target's folder (on Linux an unnamed one where the file system allows it),
// are flushed to the disk, and only then get the target's name. On any failure the
// temporary is removed and the old file is left as it was. A rename over an existing
// symbolic link replaces the link, not what it points to. A replaced file's permissions
// carry over. A write over the file-size limit fails like any other (the POSIX backend
// ignores SIGXFSZ for the process), and named temporaries of ours older than a few minutes,
// left by a client that was killed, are removed when the folder is next written.
// Not promised: that the rename itself survives a system crash (the folder is synced, but
// on a best-effort basis). Synchronous; call from one thread per target.
#pragma once

#include <filesystem>
#include <functional>

#include "base/Bytes.h"

namespace vantreel {

// Replaces `target`, or creates it. Throws std::runtime_error with the file system's
// message, prefixed for the log.
void WriteFileAtomically(const std::filesystem::path& target, TByteView data);

// How many names WriteNewFileAtomically tries before it gives up.
inline constexpr int kMaxNewNameAttempts = 1000;

// The same, but never replaces anything: the file takes the first of nameForAttempt(1),
// nameForAttempt(2), ... in `folder` that nothing holds at the moment it is placed; each
// name is taken by an exclusive create, so two writers can never end up in one file.
// Returns the full path written. Throws like WriteFileAtomically, also when every one of
// kMaxNewNameAttempts names is taken.
std::filesystem::path WriteNewFileAtomically(const std::filesystem::path& folder,
                                             const std::function<std::filesystem::path(int attempt)>& nameForAttempt,
                                             TByteView data);

}  // namespace vantreel
