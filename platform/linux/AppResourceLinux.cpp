#include "platform/AppResource.h"

namespace vantreel {

// Placeholder until the build embeds the bundle in the executable.
std::optional<ByteView> FindAppResource(std::string_view) { return std::nullopt; }

}  // namespace vantreel
