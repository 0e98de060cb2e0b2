// What the page's channel hands over. The page posts each request as an object
// (web/js/bridge.js), which arrives as its JSON text and passes through unchanged. A message
// posted as a string arrives as its JSON literal and is unwrapped here; the unwrapping is
// deliberately narrow, since the page's own requests never need it.
#pragma once

#include <string>

namespace vantreel {

// Strips the quotes of a string literal and undoes the escaping of quotes, then of
// backslashes; every other escape stays as written. Any other text is returned unchanged.
std::string UnwrapPostedString(std::string json);

}  // namespace vantreel
