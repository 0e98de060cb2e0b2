#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <stdexcept>
#include <string>
#include <system_error>

#include "media/DataUrl.h"
#include "media/ImageFileReader.h"

namespace vantreel {
namespace {

[[noreturn]] void Fail(int error) {
  throw std::runtime_error("读取文件失败: " + std::generic_category().message(error));
}

class TDescriptor {
 public:
  explicit TDescriptor(int fd) : FFd(fd) {}
  ~TDescriptor() { ::close(FFd); }
  TDescriptor(const TDescriptor&) = delete;
  TDescriptor& operator=(const TDescriptor&) = delete;
  int Get() const { return FFd; }

 private:
  int FFd;
};

}  // namespace

std::optional<TBytes> ReadImageFile(const std::filesystem::path& path) {
  // O_NONBLOCK: a FIFO opens at once instead of waiting for a writer, and a file under
  // another process's lease answers EWOULDBLOCK instead of waiting for the lease to break.
  const int fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) {
    // ELOOP: a link; ENXIO: a socket.
    if (errno == ENOENT || errno == ENOTDIR || errno == ELOOP || errno == ENXIO) return std::nullopt;
    Fail(errno);
  }
  const TDescriptor file(fd);
  struct stat info {};
  if (::fstat(fd, &info) != 0) Fail(errno);
  if (!S_ISREG(info.st_mode)) return std::nullopt;
  if (info.st_size < 0 || static_cast<std::uintmax_t>(info.st_size) > kMaxImageBytes) throw ImageTooLarge();

  // One byte more than the size told, so that a file that grew meanwhile is noticed.
  TBytes bytes(static_cast<std::size_t>(info.st_size) + 1);
  std::size_t have = 0;
  for (;;) {
    if (have == bytes.size()) {
      if (have > kMaxImageBytes) throw ImageTooLarge();
      bytes.resize(std::min(have * 2, kMaxImageBytes + 1));
    }
    const ssize_t n = ::read(fd, bytes.data() + have, bytes.size() - have);
    if (n < 0) {
      if (errno == EINTR) continue;
      Fail(errno);
    }
    if (n == 0) break;
    have += static_cast<std::size_t>(n);
  }
  if (have > kMaxImageBytes) throw ImageTooLarge();
  bytes.resize(have);
  return bytes;
}

bool IsPlainFileEntry(const std::filesystem::path&) { return true; }

}  // namespace vantreel
