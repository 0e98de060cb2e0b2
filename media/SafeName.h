// Page-supplied names and paths are checked here, once, where they enter a media service.
// A value of these types cannot lead a service outside its own folder, so the services use
// it without checking again. The page is our own, but a page can be tricked.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace vantreel {

// One plain name component: not empty, no "/" or "\", no NUL, not "." or "..". The
// backslash is refused on every platform so that a name means the same file everywhere.
class TSafeName {
 public:
  // Throws std::runtime_error carrying `refusal` when `value` is anything else.
  static TSafeName Check(std::string_view value, std::string_view refusal);
  const std::string& Text() const { return FText; }

 private:
  explicit TSafeName(std::string text) : FText(std::move(text)) {}
  std::string FText;
};

// A relative path of plain components, for nested albums: no root, no "..", no NUL.
class TSafeRelativePath {
 public:
  static TSafeRelativePath Check(std::string_view value, std::string_view refusal);
  const std::filesystem::path& Path() const { return FPath; }

 private:
  explicit TSafeRelativePath(std::filesystem::path path) : FPath(std::move(path)) {}
  std::filesystem::path FPath;
};

// A page-supplied path that names an existing file directly inside a service's folder.
class TFileInFolder {
 public:
  // nullopt when `value` names no existing file, so that the caller can fall back to other
  // ways of finding one. Throws std::runtime_error carrying `refusal` when `value` holds a
  // NUL or names an existing file anywhere else.
  static std::optional<TFileInFolder> Find(const std::filesystem::path& folder, std::string_view value,
                                           std::string_view refusal);
  // The value as the page gave it.
  const std::string& Text() const { return FText; }

 private:
  explicit TFileInFolder(std::string text) : FText(std::move(text)) {}
  std::string FText;
};

// True when `candidate` is an existing entry directly inside `folder`, symbolic links on
// both sides resolved: a link in the folder that points elsewhere is outside.
bool IsDirectlyInsideFolder(const std::filesystem::path& folder, const std::filesystem::path& candidate);

// True when `candidate`, which need not exist yet, resolves to `folder` or a place below it.
// Existing symbolic links along the way are resolved first, so a link that leads out counts.
bool StaysUnderFolder(const std::filesystem::path& folder, const std::filesystem::path& candidate);

}  // namespace vantreel
