// What the page's channel hands over. A message posted as a string arrives as its JSON
// literal; the page never posts anything else, so the unwrapping is deliberately narrow.
#pragma once

#include <string>

namespace vantreel {

// Strips the quotes of a string literal and undoes the escaping of quotes, then of
// backslashes; every other escape stays as written. Any other text is returned unchanged.
std::string UnwrapPostedString(std::string json);

}  // namespace vantreel
