// Shell folders. SHGetFolderPathW for Pictures (what the image saver has always used), the
// known-folder API for the rest; each answer is checked to be an absolute path.
#include <windows.h>
#include <knownfolders.h>
#include <shlobj.h>

#include <string>

#include "platform/KnownFolders.h"

namespace vantreel {
namespace {

std::optional<std::filesystem::path> Usable(std::wstring path) {
  if (path.empty()) return std::nullopt;
  std::filesystem::path result(std::move(path));
  if (!result.is_absolute()) return std::nullopt;
  return result;
}

std::optional<std::filesystem::path> KnownFolder(REFKNOWNFOLDERID id) {
  PWSTR raw = nullptr;
  const HRESULT hr = SHGetKnownFolderPath(id, KF_FLAG_DEFAULT, nullptr, &raw);
  std::wstring path;
  if (SUCCEEDED(hr) && raw != nullptr) path = raw;
  CoTaskMemFree(raw);
  return Usable(std::move(path));
}

}  // namespace

std::optional<std::filesystem::path> LocalAppDataDir() { return KnownFolder(FOLDERID_LocalAppData); }

std::optional<std::filesystem::path> UserProfileDir() { return KnownFolder(FOLDERID_Profile); }

std::optional<std::filesystem::path> UserPicturesDir() {
  wchar_t path[MAX_PATH] = {};
  if (FAILED(SHGetFolderPathW(nullptr, CSIDL_MYPICTURES, nullptr, SHGFP_TYPE_CURRENT, path))) return std::nullopt;
  return Usable(path);
}

std::filesystem::path ExecutableDir() {
  // Long paths: grow until the whole name fits (the call truncates silently otherwise).
  std::wstring buffer(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (length == 0) return std::filesystem::path();
    if (length < buffer.size()) {
      buffer.resize(length);
      break;
    }
    if (buffer.size() >= 32768) return std::filesystem::path();
    buffer.resize(buffer.size() * 2);
  }
  return std::filesystem::path(buffer).parent_path();
}

}  // namespace vantreel
