// Catches its own failures and always returns a whole reply. The album may name nested
// folders but never leaves the Pictures folder; the file name is a single component. A name
// the page gives replaces what holds it; a generated one never replaces anything.
#include "media/UImageSaveProvider.h"

#include <optional>
#include <stdexcept>
#include <string_view>
#include <system_error>

#include "base/AsciiText.h"
#include "base/LogText.h"
#include "json/JsonReply.h"
#include "media/AtomicFileWriter.h"
#include "media/DataUrl.h"
#include "media/LocalStamp.h"
#include "media/SafeName.h"
#include "platform/DebugOutput.h"
#include "platform/KnownFolders.h"
#include "platform/Utf8Path.h"

namespace vantreel {
namespace {

namespace fs = std::filesystem;

constexpr std::string_view kBadAlbum = "相册名称不合法: 不能是绝对路径或包含 ..";
constexpr std::string_view kAlbumOutside = "相册目录不在图片文件夹内";
constexpr std::string_view kBadFileName = "文件名不合法: 只能是单个文件名";

}  // namespace

fs::path GetPicturesDir() {
  if (auto pictures = UserPicturesDir()) return *pictures;
  if (auto profile = UserProfileDir()) return *profile / "Pictures";
  return fs::path("Pictures");
}

std::string SaveImage(const std::string& imageData, const std::string& fileName, const std::string& albumName,
                      const std::string& requestId) {
  TJsonReply reply("image_save_response", requestId, TReplyOutcome::OkAndSuccess);
  try {
    if (imageData.empty()) throw std::runtime_error("图片数据不能为空");
    std::string albumText(TrimBlanks(albumName));
    if (albumText.empty()) albumText = kDefaultAlbumName;
    const TSafeRelativePath album = TSafeRelativePath::Check(albumText, kBadAlbum);
    const std::string nameText(TrimBlanks(fileName));
    const std::optional<TSafeName> name =
        nameText.empty() ? std::nullopt : std::optional(TSafeName::Check(nameText, kBadFileName));

    const TBytes image = DecodeBoundedDataUrl(imageData);

    const fs::path pictures = GetPicturesDir();
    const fs::path albumDir = pictures / album.Path();
    // Checked before anything is created: a link inside Pictures could lead elsewhere.
    if (!StaysUnderFolder(pictures, albumDir)) throw std::runtime_error(std::string(kAlbumOutside));
    std::error_code ignored;  // a folder that cannot be made shows up as the write's failure
    fs::create_directories(albumDir, ignored);
    fs::path path;
    if (name) {
      path = albumDir / PathFromUtf8(name->Text());
      WriteFileAtomically(path, image);
    } else {
      // A generated name never replaces: two images in one second would otherwise leave
      // only the second. The later ones get "-2", "-3", ... before the extension.
      const std::string stem = "image_" + FormatLocalStamp(CurrentSecondsSinceEpoch());
      path = WriteNewFileAtomically(albumDir, [&](int attempt) {
        return PathFromUtf8(attempt == 1 ? stem + ".png" : stem + "-" + std::to_string(attempt) + ".png");
      }, image);
    }

    reply.Succeeded()
        .AddString("filePath", Utf8FromPath(path))
        .AddString("message", "图片已保存到 " + Utf8FromPath(albumDir));
    OutputDebugLine("[IMAGE_SAVE] 保存成功: " + EscapedForLog(Utf8FromPath(path)));
  } catch (const std::exception& e) {
    reply.Failed(e.what());
    OutputDebugLine("[IMAGE_SAVE] 保存失败: " + EscapedForLog(e.what()));
  }
  return reply.Finish();
}

}  // namespace vantreel
