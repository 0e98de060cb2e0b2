// The image saver: writes an image into an album folder under the user's Pictures folder
// and returns the complete JSON reply.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace vantreel {

// The album of a request that names none, or only blanks.
inline constexpr std::string_view kDefaultAlbumName = "Screenshots";

std::string SaveImage(const std::string& imageData, const std::string& fileName, const std::string& albumName,
                      const std::string& requestId);

// The user's Pictures folder; else "Pictures" in the profile folder; else the relative
// "Pictures".
std::filesystem::path GetPicturesDir();

}  // namespace vantreel
