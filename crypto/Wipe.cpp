#include "crypto/Wipe.h"

#include "crypto/SecureZero.h"

namespace vantreel {

void WipeString(std::string& text) {
  // The whole capacity: a shrunk string may still hold secret characters past its end.
  text.resize(text.capacity());
  SecureZero(text.data(), text.size());
  std::string().swap(text);
}

void WipeBytes(TBytes& bytes) {
  SecureZero(bytes.data(), bytes.capacity());
  TBytes().swap(bytes);
}

}  // namespace vantreel
