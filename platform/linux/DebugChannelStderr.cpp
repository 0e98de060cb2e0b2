#include <sys/uio.h>
#include <unistd.h>

#include <string_view>

namespace vantreel {

// One writev per line so that lines from different threads never interleave.
void WriteDebugChannel(std::string_view line) {
  char newline = '\n';
  iovec parts[2] = {{const_cast<char*>(line.data()), line.size()}, {&newline, 1}};
  ssize_t ignored = writev(STDERR_FILENO, parts, 2);
  (void)ignored;
}

}  // namespace vantreel
