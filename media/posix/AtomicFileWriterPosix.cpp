// POSIX backend of the atomic file writer.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <csignal>
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

constexpr std::string_view kTemporaryPrefix = ".vantreel-";
constexpr std::string_view kTemporarySuffix = ".tmp";
// Older than this, a temporary of ours belongs to no write still running.
constexpr auto kStaleTemporaryAge = std::chrono::minutes(5);

// A write past the file-size limit (RLIMIT_FSIZE) raises SIGXFSZ, whose default kills the
// client and leaves the temporary behind; ignored, the write fails with EFBIG instead.
void IgnoreFileSizeSignal() {
  static const bool ignored = [] {
    std::signal(SIGXFSZ, SIG_IGN);
    return true;
  }();
  (void)ignored;
}

// Temporaries that a killed or crashed client left in the folder.
void RemoveStaleTemporaries(const fs::path& folder) {
  std::error_code ec;
  const auto now = fs::file_time_type::clock::now();
  for (auto it = fs::directory_iterator(folder, ec); !ec && it != fs::directory_iterator(); it.increment(ec)) {
    const std::string name = it->path().filename().string();
    if (!name.starts_with(kTemporaryPrefix) || !name.ends_with(kTemporarySuffix)) continue;
    std::error_code entryError;
    if (!it->is_regular_file(entryError) || entryError) continue;
    const auto modified = it->last_write_time(entryError);
    if (!entryError && now - modified > kStaleTemporaryAge) fs::remove(it->path(), entryError);
  }
}

// Hidden and ending in ".tmp", so that no listing of the store takes it for a photo.
fs::path TemporaryName(const fs::path& folder) {
  std::random_device random;
  char name[40];
  std::snprintf(name, sizeof name, "%s%08x%08x%s", std::string(kTemporaryPrefix).c_str(), random(), random(),
                std::string(kTemporarySuffix).c_str());
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
  IgnoreFileSizeSignal();
  const fs::path folder = target.has_parent_path() ? target.parent_path() : fs::path(".");
  RemoveStaleTemporaries(folder);
  // The replacement keeps the permissions of the file it replaces (not a link's target's).
  struct stat old {};
  const bool replacing = ::lstat(target.c_str(), &old) == 0 && S_ISREG(old.st_mode);
  fs::path temporary;
  int fd = CreateTemporary(folder, temporary);
  try {
    if (replacing && ::fchmod(fd, old.st_mode & 07777) != 0) Fail("写入文件失败", errno);
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
