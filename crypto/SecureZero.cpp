#include "crypto/SecureZero.h"

namespace vantreel {

void SecureZero(void* data, std::size_t size) {
  volatile unsigned char* p = static_cast<volatile unsigned char*>(data);
  while (size--) *p++ = 0;
  // Keeps the stores ordered before any later free of the buffer.
  __asm__ __volatile__("" : : "r"(data) : "memory");
}

}  // namespace vantreel
