// The page-to-client message protocol: one JSON request in, at most one JSON reply out.
#pragma once

#include <string>

namespace vantreel {

// True: post `reply` to the page. False: post nothing (`reply` is then empty).
bool ProcessWebMessage(const std::string& text, std::string& reply);

}  // namespace vantreel
