// FILE_FLAG_OPEN_REPARSE_POINT opens a symbolic link or junction itself, which is then
// refused by its attributes; GetFileType keeps out anything that is not a file on a disk.
#include <windows.h>

#include <algorithm>
#include <stdexcept>
#include <string>
#include <system_error>

#include "media/DataUrl.h"
#include "media/ImageFileReader.h"

namespace vantreel {
namespace {

[[noreturn]] void Fail(DWORD error) {
  throw std::runtime_error("读取文件失败: " + std::system_category().message(static_cast<int>(error)));
}

class THandle {
 public:
  explicit THandle(HANDLE handle) : FHandle(handle) {}
  ~THandle() { CloseHandle(FHandle); }
  THandle(const THandle&) = delete;
  THandle& operator=(const THandle&) = delete;
  HANDLE Get() const { return FHandle; }

 private:
  HANDLE FHandle;
};

}  // namespace

std::optional<TBytes> ReadImageFile(const std::filesystem::path& path) {
  const HANDLE handle =
      CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                  OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
  if (handle == INVALID_HANDLE_VALUE) {
    const DWORD error = GetLastError();
    if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND || error == ERROR_INVALID_NAME) {
      return std::nullopt;
    }
    // A folder cannot be opened this way at all; it is no photo rather than unreadable.
    const DWORD attributes = GetFileAttributesW(path.c_str());
    if (error == ERROR_ACCESS_DENIED && attributes != INVALID_FILE_ATTRIBUTES &&
        (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
      return std::nullopt;
    }
    Fail(error);
  }
  const THandle file(handle);
  if (GetFileType(handle) != FILE_TYPE_DISK) return std::nullopt;
  FILE_ATTRIBUTE_TAG_INFO tag{};
  if (!GetFileInformationByHandleEx(handle, FileAttributeTagInfo, &tag, sizeof tag)) Fail(GetLastError());
  if (tag.FileAttributes & (FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE)) {
    return std::nullopt;
  }
  LARGE_INTEGER size{};
  if (!GetFileSizeEx(handle, &size)) Fail(GetLastError());
  if (size.QuadPart < 0 || static_cast<unsigned long long>(size.QuadPart) > kMaxImageBytes) throw ImageTooLarge();

  // One byte more than the size told, so that a file that grew meanwhile is noticed.
  TBytes bytes(static_cast<std::size_t>(size.QuadPart) + 1);
  std::size_t have = 0;
  for (;;) {
    if (have == bytes.size()) {
      if (have > kMaxImageBytes) throw ImageTooLarge();
      bytes.resize(std::min(have * 2, kMaxImageBytes + 1));
    }
    DWORD read = 0;
    if (!ReadFile(handle, bytes.data() + have, static_cast<DWORD>(bytes.size() - have), &read, nullptr)) {
      Fail(GetLastError());
    }
    if (read == 0) break;
    have += read;
  }
  if (have > kMaxImageBytes) throw ImageTooLarge();
  bytes.resize(have);
  return bytes;
}

bool IsPlainFileEntry(const std::filesystem::path& path) {
  const DWORD attributes = GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES &&
         (attributes & (FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE)) == 0;
}

}  // namespace vantreel
