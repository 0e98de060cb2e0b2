// Windows backend of the atomic file writer: the temporary file is made exclusively
// (CREATE_NEW) in the target's folder, flushed with FlushFileBuffers, and moved over the
// target with MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH, which returns only once
// the move is on the disk (a new file: the same move without REPLACE_EXISTING). A reparse
// point (link) at the target is replaced, not followed.
#include <windows.h>

#include <cstdio>
#include <random>
#include <stdexcept>
#include <string>
#include <system_error>

#include "media/AtomicFileWriter.h"

namespace vantreel {
namespace {

namespace fs = std::filesystem;

[[noreturn]] void Fail(const char* what, DWORD error) {
  throw std::runtime_error(std::string(what) + ": " + std::system_category().message(static_cast<int>(error)));
}

// Hidden by its leading dot and ending in ".tmp", so that no listing of the store takes it
// for a photo.
fs::path TemporaryName(const fs::path& folder) {
  std::random_device random;
  wchar_t name[40];
  std::swprintf(name, 40, L".vantreel-%08x%08x.tmp", random(), random());
  return folder / name;
}

HANDLE CreateTemporary(const fs::path& folder, fs::path& temporary) {
  for (int attempt = 0; attempt < 16; ++attempt) {
    temporary = TemporaryName(folder);
    HANDLE file = CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != INVALID_HANDLE_VALUE) return file;
    const DWORD error = GetLastError();
    if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS) Fail("创建文件失败", error);
  }
  Fail("创建文件失败", ERROR_FILE_EXISTS);
}

void WriteAll(HANDLE file, TByteView data) {
  const std::uint8_t* p = data.data();
  std::size_t left = data.size();
  while (left > 0) {
    const DWORD chunk = left > (1u << 30) ? (1u << 30) : static_cast<DWORD>(left);
    DWORD written = 0;
    if (!WriteFile(file, p, chunk, &written, nullptr)) Fail("写入文件失败", GetLastError());
    if (written == 0) Fail("写入文件失败", ERROR_WRITE_FAULT);
    p += written;
    left -= written;
  }
}

// The temporary, written whole and flushed, then closed so that it can be moved.
fs::path WriteTemporary(const fs::path& folder, TByteView data) {
  fs::path temporary;
  HANDLE file = CreateTemporary(folder, temporary);
  try {
    WriteAll(file, data);
    if (!FlushFileBuffers(file)) Fail("写入文件失败", GetLastError());
    const BOOL closed = CloseHandle(file);
    file = INVALID_HANDLE_VALUE;
    if (!closed) Fail("写入文件失败", GetLastError());
  } catch (...) {
    if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
    DeleteFileW(temporary.c_str());
    throw;
  }
  return temporary;
}

fs::path FolderOf(const fs::path& target) { return target.has_parent_path() ? target.parent_path() : fs::path(L"."); }

}  // namespace

void WriteFileAtomically(const fs::path& target, TByteView data) {
  const fs::path temporary = WriteTemporary(FolderOf(target), data);
  if (!MoveFileExW(temporary.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    const DWORD error = GetLastError();
    DeleteFileW(temporary.c_str());
    Fail("替换文件失败", error);
  }
}

fs::path WriteNewFileAtomically(const fs::path& folder, const std::function<fs::path(int)>& nameForAttempt,
                                TByteView data) {
  const fs::path temporary = WriteTemporary(folder, data);
  for (int attempt = 1; attempt <= kMaxNewNameAttempts; ++attempt) {
    const fs::path candidate = folder / nameForAttempt(attempt);
    // Without MOVEFILE_REPLACE_EXISTING the move fails when anything holds the name.
    if (MoveFileExW(temporary.c_str(), candidate.c_str(), MOVEFILE_WRITE_THROUGH)) return candidate;
    const DWORD error = GetLastError();
    if (error != ERROR_ALREADY_EXISTS && error != ERROR_FILE_EXISTS) {
      DeleteFileW(temporary.c_str());
      Fail("创建文件失败", error);
    }
  }
  DeleteFileW(temporary.c_str());
  Fail("创建文件失败", ERROR_FILE_EXISTS);
}

}  // namespace vantreel
