// The digest compiled into the executable beside its embedded bundle (the packer writes
// it for each bundle). Empty when the executable carries no bundle or was built with the
// check off.
#pragma once

#include <string_view>

namespace vantreel {

std::string_view ExpectedBundleSha256();

}  // namespace vantreel
