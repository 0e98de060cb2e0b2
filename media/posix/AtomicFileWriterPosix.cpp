// POSIX backend of the atomic file writer. Where the file system allows it (Linux: ext4,
// btrfs, xfs, tmpfs...), the bytes go to an unnamed file (O_TMPFILE) that only gets a name
// once it is whole, so a client killed while writing leaves nothing behind; elsewhere to a
// hidden named temporary.
#include <fcntl.h>
#include <stdio.h>
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

void WriteAll(int fd, TByteView data) {
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

// Whole file contents on their way to a name. Until they get one, nothing of them is
// visible (unnamed) or only a hidden temporary is, which the destructor removes.
class TTemporary {
 public:
  explicit TTemporary(const fs::path& folder) : FFolder(folder) {
#ifdef O_TMPFILE
    FFd = ::open(folder.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666);
    // Naming it later goes through /proc; without /proc, a named temporary does instead.
    if (FFd >= 0 && ::access(ProcName().c_str(), F_OK) != 0) {
      ::close(FFd);
      FFd = -1;
    }
    if (FFd >= 0) return;
#endif
    for (int attempt = 0; attempt < 16; ++attempt) {
      FNamed = TemporaryName(folder);
      FFd = ::open(FNamed.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
      if (FFd >= 0) return;
      if (errno != EEXIST) Fail("创建文件失败", errno);
    }
    FNamed.clear();
    Fail("创建文件失败", EEXIST);
  }
  ~TTemporary() {
    if (FFd >= 0) ::close(FFd);
    if (!FNamed.empty()) ::unlink(FNamed.c_str());
  }
  TTemporary(const TTemporary&) = delete;
  TTemporary& operator=(const TTemporary&) = delete;

  // The contents, on the disk before any name points at them.
  void Fill(TByteView data, const struct stat* keepModeOf) {
    if (keepModeOf != nullptr && ::fchmod(FFd, keepModeOf->st_mode & 07777) != 0) Fail("写入文件失败", errno);
    WriteAll(FFd, data);
    if (::fsync(FFd) != 0) Fail("写入文件失败", errno);
  }

  void Replace(const fs::path& target) {
    if (FNamed.empty()) NameIt();
    if (::rename(FNamed.c_str(), target.c_str()) != 0) Fail("替换文件失败", errno);
    FNamed.clear();
    Close();
  }

  // False when something already holds the name; the contents then stay for another try.
  bool PlaceIfFree(const fs::path& target) {
    if (FNamed.empty()) {
      if (::linkat(AT_FDCWD, ProcName().c_str(), AT_FDCWD, target.c_str(), AT_SYMLINK_FOLLOW) == 0) return Close();
      if (errno == EEXIST) return false;
      Fail("创建文件失败", errno);
    }
    if (::renameat2(AT_FDCWD, FNamed.c_str(), AT_FDCWD, target.c_str(), RENAME_NOREPLACE) == 0) {
      FNamed.clear();
      return Close();
    }
    if (errno == EEXIST) return false;
    if (errno != EINVAL && errno != ENOSYS && errno != EOPNOTSUPP) Fail("创建文件失败", errno);
    // A file system without the no-replace rename: a hard link never replaces either.
    if (::link(FNamed.c_str(), target.c_str()) != 0) {
      if (errno == EEXIST) return false;
      Fail("创建文件失败", errno);
    }
    ::unlink(FNamed.c_str());
    FNamed.clear();
    return Close();
  }

 private:
  std::string ProcName() const { return "/proc/self/fd/" + std::to_string(FFd); }

  // An unnamed file gets a hidden name only for the moment before the rename over the
  // target, which nothing can do without one.
  void NameIt() {
    for (int attempt = 0; attempt < 16; ++attempt) {
      const fs::path name = TemporaryName(FFolder);
      if (::linkat(AT_FDCWD, ProcName().c_str(), AT_FDCWD, name.c_str(), AT_SYMLINK_FOLLOW) == 0) {
        FNamed = name;
        return;
      }
      if (errno != EEXIST) Fail("替换文件失败", errno);
    }
    Fail("替换文件失败", EEXIST);
  }

  bool Close() {
    const int closed = ::close(FFd);
    FFd = -1;
    if (closed != 0) Fail("写入文件失败", errno);
    return true;
  }

  fs::path FFolder;
  fs::path FNamed;  // empty while unnamed, and once placed
  int FFd = -1;
};

fs::path FolderOf(const fs::path& target) { return target.has_parent_path() ? target.parent_path() : fs::path("."); }

}  // namespace

void WriteFileAtomically(const fs::path& target, TByteView data) {
  IgnoreFileSizeSignal();
  const fs::path folder = FolderOf(target);
  RemoveStaleTemporaries(folder);
  // The replacement keeps the permissions of the file it replaces (not a link's target's).
  struct stat old {};
  const bool replacing = ::lstat(target.c_str(), &old) == 0 && S_ISREG(old.st_mode);
  {
    TTemporary temporary(folder);
    temporary.Fill(data, replacing ? &old : nullptr);
    temporary.Replace(target);
  }
  SyncFolder(folder);
}

fs::path WriteNewFileAtomically(const fs::path& folder, const std::function<fs::path(int)>& nameForAttempt,
                                TByteView data) {
  IgnoreFileSizeSignal();
  RemoveStaleTemporaries(folder);
  fs::path placed;
  {
    TTemporary temporary(folder);
    temporary.Fill(data, nullptr);
    for (int attempt = 1; placed.empty(); ++attempt) {
      if (attempt > kMaxNewNameAttempts) Fail("创建文件失败", EEXIST);
      const fs::path candidate = folder / nameForAttempt(attempt);
      if (temporary.PlaceIfFree(candidate)) placed = candidate;
    }
  }
  SyncFolder(folder);
  return placed;
}

}  // namespace vantreel
