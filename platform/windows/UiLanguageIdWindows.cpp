// Windows names the display language itself; nothing to map.
#include <windows.h>

#include "platform/UiLanguageId.h"

namespace vantreel {

std::uint16_t GetUserDefaultUILanguage() { return ::GetUserDefaultUILanguage(); }

std::uint16_t GetSystemDefaultUILanguage() { return ::GetSystemDefaultUILanguage(); }

}  // namespace vantreel
