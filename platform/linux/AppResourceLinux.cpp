#include "platform/AppResource.h"

// The build places the bundle's ciphertext in the ELF itself, in a section of its own,
// between these two symbols (see vantreel_embed_web_bundle). They are weak: a program
// without an embedded bundle resolves them to null and sees the resource as missing.
extern "C" {
extern const std::uint8_t vantreel_app_web_zip_begin[] __attribute__((weak));
extern const std::uint8_t vantreel_app_web_zip_end[] __attribute__((weak));
}

namespace vantreel {

std::optional<TByteView> FindAppResource(std::string_view name) {
  const std::uint8_t* begin = vantreel_app_web_zip_begin;
  const std::uint8_t* end = vantreel_app_web_zip_end;
  if (name != "APP_WEB_ZIP" || begin == nullptr || end == nullptr || end < begin) return std::nullopt;
  return TByteView(begin, static_cast<std::size_t>(end - begin));
}

}  // namespace vantreel
