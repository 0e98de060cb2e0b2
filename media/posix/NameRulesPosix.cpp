#include "media/NameRules.h"

namespace vantreel {

bool IsAliasedName(std::string_view) { return false; }

}  // namespace vantreel
