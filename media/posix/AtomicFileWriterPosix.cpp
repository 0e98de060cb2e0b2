// POSIX backend of the atomic file writer.
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <random>
#include <stdexcept>
#include <string>
#include <system_error>

#include "media/AtomicFileWriter.h"

namespace vantreel {
namespace {

namespace fs = std::filesystem;

[[noreturn]] void Fail(const char* what, int error) {
  throw std::runtime_error(std::string(what) + ": " + std::generic_category().message(error));
}

// Hidden and ending in ".tmp", so that no listing of the store takes it for a photo.
fs::path TemporaryName(const fs::path& folder) {
  std::random_device random;
  char name[40];
  std::snprintf(name, sizeof name, ".vantreel-%08x%08x.tmp", random(), random());
  return folder / name;
}

int CreateTemporary(const fs::path& folder, fs::path& temporary) {
  for (int attempt = 0; attempt < 16; ++attempt) {
    temporary = TemporaryName(folder);
    const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd >= 0) return fd;
    if (errno != EEXIST) Fail("创建文件失败", errno);
  }
  Fail("创建文件失败", EEXIST);
}

void WriteAll(int fd, ByteView data) {
  const std::uint8_t* p = data.data();
  std::size_t left = data.size();
  while (left > 0) {
    const ssize_t n = ::write(fd, p, left);
    if (n < 0) {
      if (errno == EINTR) continue;
      Fail("写入文件失败", errno);
    }
    p += n;
    left -= static_cast<std::size_t>(n);
  }
}

void SyncFolder(const fs::path& folder) {
  const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  ::fsync(fd);
  ::close(fd);
}

}  // namespace

void WriteFileAtomically(const fs::path& target, ByteView data) {
  const fs::path folder = target.has_parent_path() ? target.parent_path() : fs::path(".");
  fs::path temporary;
  int fd = CreateTemporary(folder, temporary);
  try {
    WriteAll(fd, data);
    if (::fsync(fd) != 0) Fail("写入文件失败", errno);
    const int closed = ::close(fd);
    fd = -1;
    if (closed != 0) Fail("写入文件失败", errno);
    if (::rename(temporary.c_str(), target.c_str()) != 0) Fail("替换文件失败", errno);
  } catch (...) {
    if (fd >= 0) ::close(fd);
    ::unlink(temporary.c_str());
    throw;
  }
  SyncFolder(folder);
}

}  // namespace vantreel
