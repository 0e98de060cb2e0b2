#include "media/SafeName.h"

#include <algorithm>
#include <stdexcept>

namespace vantreel {
namespace {

namespace fs = std::filesystem;

bool HasNul(std::string_view value) { return value.find('\0') != std::string_view::npos; }

bool IsPlainComponent(std::string_view value) {
  return !value.empty() && value != "." && value != ".." && value.find_first_of("/\\") == std::string_view::npos &&
         !HasNul(value);
}

fs::path Resolved(const fs::path& path, std::error_code& ec) { return fs::weakly_canonical(fs::absolute(path, ec), ec); }

}  // namespace

TSafeName TSafeName::Check(std::string_view value, std::string_view refusal) {
  if (!IsPlainComponent(value)) throw std::runtime_error(std::string(refusal));
  return TSafeName(std::string(value));
}

TSafeRelativePath TSafeRelativePath::Check(std::string_view value, std::string_view refusal) {
  if (value.empty() || HasNul(value)) throw std::runtime_error(std::string(refusal));
  const fs::path path(value);
  if (path.has_root_name() || path.has_root_directory()) throw std::runtime_error(std::string(refusal));
  // Both separators count, whatever the platform, for the same reason as in TSafeName.
  std::string_view rest = value;
  while (!rest.empty()) {
    const std::size_t cut = rest.find_first_of("/\\");
    if (rest.substr(0, cut) == "..") throw std::runtime_error(std::string(refusal));
    if (cut == std::string_view::npos) break;
    rest.remove_prefix(cut + 1);
  }
  if (value.front() == '\\') throw std::runtime_error(std::string(refusal));
  // Both separators nest, on every platform: "a\\b" is the folder b inside a, as on Windows.
  std::string generic(value);
  for (char& c : generic)
    if (c == '\\') c = '/';
  return TSafeRelativePath(fs::path(generic));
}

std::optional<TFileInFolder> TFileInFolder::Find(const fs::path& folder, std::string_view value,
                                                std::string_view refusal) {
  // Every system call would stop reading the path at a NUL, so the checks below and the
  // later use could see another file than the text says.
  if (HasNul(value)) throw std::runtime_error(std::string(refusal));
  std::error_code ec;
  if (value.empty() || !fs::is_regular_file(fs::path(value), ec)) return std::nullopt;
  if (!IsDirectlyInsideFolder(folder, fs::path(value))) throw std::runtime_error(std::string(refusal));
  return TFileInFolder(std::string(value));
}

bool IsDirectlyInsideFolder(const fs::path& folder, const fs::path& candidate) {
  std::error_code ec;
  const fs::path file = fs::canonical(candidate, ec);
  if (ec) return false;
  const fs::path dir = fs::canonical(folder, ec);
  if (ec) return false;
  return file.parent_path() == dir;
}

bool StaysUnderFolder(const fs::path& folder, const fs::path& candidate) {
  std::error_code ec;
  const fs::path dir = Resolved(folder, ec);
  if (ec) return false;
  const fs::path target = Resolved(candidate, ec);
  if (ec) return false;
  // Compare whole components: "/p/Pictures2" is not under "/p/Pictures".
  auto d = dir.begin(), t = target.begin();
  for (; d != dir.end(); ++d, ++t) {
    if (d->empty()) continue;  // the empty element after a trailing separator
    if (t == target.end() || *d != *t) return false;
  }
  return true;
}

}  // namespace vantreel
