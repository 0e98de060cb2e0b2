// Zeroing that the optimiser cannot drop, for buffers that held secrets.
#pragma once

#include <cstddef>

namespace vantreel {

void SecureZero(void* data, std::size_t size);

}  // namespace vantreel
