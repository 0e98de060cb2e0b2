// Page-supplied names against the media services' confinement. Two properties: a name that
// the checks accept cannot climb out of the folder it is joined to; and the services, fed the
// same text as ids, file names, paths and albums inside a sandbox, never touch the sandbox's
// "outside" folder, which links inside the photo and Pictures folders point to.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "base/LogText.h"
#include "media/AlarmPhotoFolder.h"
#include "media/SafeName.h"
#include "media/UAlarmPhotoProvider.h"
#include "media/UImageSaveProvider.h"
#include "platform/DebugOutput.h"

namespace {

namespace fs = std::filesystem;

void Check(bool condition) {
  if (!condition) std::abort();
}

bool StartsWith(const fs::path& path, const fs::path& prefix) {
  auto p = path.begin();
  for (const auto& part : prefix) {
    if (p == path.end() || *p != part) return false;
    ++p;
  }
  return true;
}

struct TSandbox {
  TSandbox() {
    root = fs::temp_directory_path() / ("vt-fuzz-media-" + std::to_string(std::random_device()()));
    photos = root / "alarm_photos";
    pictures = root / "home" / "Pictures";
    outside = root / "outside";
    fs::create_directories(outside);
    std::ofstream(outside / "secret.jpg") << "secret";
    Reset();
    fs::create_directories(root / "config");
    std::ofstream(root / "config" / "user-dirs.dirs") << "XDG_PICTURES_DIR=\"$HOME/Pictures\"\n";
    setenv("HOME", (root / "home").c_str(), 1);
    setenv("XDG_CONFIG_HOME", (root / "config").c_str(), 1);
    setenv("TZ", "UTC", 1);
    vantreel::SetAlarmPhotoDirForTesting(photos);
  }
  ~TSandbox() {
    vantreel::SetAlarmPhotoDirForTesting(std::nullopt);
    std::error_code ec;
    fs::remove_all(root, ec);
  }
  // Fresh store and Pictures folders, each with a link that leads outside.
  void Reset() {
    fs::remove_all(photos);
    fs::remove_all(pictures);
    fs::create_directories(photos);
    fs::create_directories(pictures);
    fs::create_symlink(outside / "secret.jpg", photos / "L_D_19700101_000000.png");
    fs::create_directory_symlink(outside, pictures / "escape");
  }
  bool OutsideUntouched() const {
    std::ifstream in(outside / "secret.jpg");
    std::stringstream text;
    text << in.rdbuf();
    return text.str() == "secret" && std::distance(fs::directory_iterator(outside), fs::directory_iterator()) == 1;
  }
  fs::path root, photos, pictures, outside;
};

std::vector<std::string> Fields(std::string_view text) {
  std::vector<std::string> fields;
  for (int i = 0; i < 4; ++i) {
    const std::size_t cut = text.find('\n');
    fields.emplace_back(text.substr(0, cut));
    text = cut == std::string_view::npos ? std::string_view() : text.substr(cut + 1);
  }
  return fields;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  // Every diagnostic line is one line of plain text, whatever names or values it quotes.
  vantreel::SetDebugOutputSinkForTesting([](std::string_view line) { Check(vantreel::EscapedForLog(line) == line); });
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static TSandbox sandbox;
  static int runs = 0;
  const auto f = Fields(std::string_view(reinterpret_cast<const char*>(data), size));
  const fs::path base = "/base/folder";

  try {
    const auto name = vantreel::TSafeName::Check(f[0], "no");
    Check((base / name.Text()).lexically_normal().parent_path() == base);
  } catch (const std::runtime_error&) {
  }
  try {
    const auto album = vantreel::TSafeRelativePath::Check(f[1], "no");
    Check(StartsWith((base / album.Path()).lexically_normal(), base));
  } catch (const std::runtime_error&) {
  }

  if (++runs % 256 == 0) sandbox.Reset();
  vantreel::SaveAlarmPhoto("aGk=", f[0], f[1], "image/png", 0, "");
  vantreel::GetAlarmPhoto(f[0], f[1], f[2], "");
  vantreel::DeleteAlarmPhoto(f[0], f[1], f[2], f[3], "");
  vantreel::ListAlarmPhotos(f[1], "");
  vantreel::SaveImage("aGk=", f[2], f[1], "");
  vantreel::SaveImage("aGk=", f[3], f[0], "");
  Check(sandbox.OutsideUntouched());
  return 0;
}
