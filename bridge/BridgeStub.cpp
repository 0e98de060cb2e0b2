// Temporary: replaced by the real bridge.
#include "bridge/UWebViewBridge.h"

namespace vantreel {

bool ProcessWebMessage(const std::string&, std::string& reply) {
  reply.clear();
  return false;
}

}  // namespace vantreel
