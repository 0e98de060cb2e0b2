#include <string>

#include "base/AsciiText.h"
#include "media/NameRules.h"

namespace vantreel {
namespace {

bool IsDeviceName(std::string_view component) {
  // The device is named by what comes before the first dot, trailing spaces ignored.
  std::string_view base = component.substr(0, component.find('.'));
  while (!base.empty() && base.back() == ' ') base.remove_suffix(1);
  std::string upper(base);
  for (char& c : upper) c = AsciiUpper(c);
  for (const char* device : {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$"})
    if (upper == device) return true;
  return upper.size() == 4 && (upper.starts_with("COM") || upper.starts_with("LPT")) && upper[3] >= '0' &&
         upper[3] <= '9';
}

// "PHOTO~1.JPG": whichever long name the system gave that short name.
bool LooksLikeShortName(std::string_view component) {
  const std::size_t tilde = component.find('~');
  return tilde != std::string_view::npos && tilde + 1 < component.size() &&
         std::isdigit(static_cast<unsigned char>(component[tilde + 1]));
}

}  // namespace

bool IsAliasedName(std::string_view component) {
  // "." is this folder itself on every system; callers decide on it (and on "..").
  if (component.empty() || component == "." || component == "..") return false;
  for (char c : component) {
    const auto u = static_cast<unsigned char>(c);
    if (u < 32 || c == ':' || c == '<' || c == '>' || c == '"' || c == '|' || c == '?' || c == '*') return true;
  }
  if (component.back() == '.' || component.back() == ' ') return true;
  return IsDeviceName(component) || LooksLikeShortName(component);
}

}  // namespace vantreel
