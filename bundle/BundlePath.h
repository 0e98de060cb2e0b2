// The one normalisation that turns both zip entry names and request URLs into file-map
// keys, and the Content-Type of a key. Percent escapes are not decoded and "." / ".."
// segments are not resolved: keys only ever index the in-memory map, never a file system.
#pragma once

#include <string>
#include <string_view>

namespace vantreel {

// "\" becomes "/"; an absolute URL loses the bundle origin prefix (any other URL becomes
// the entry page); one leading "/", the query and the fragment go; empty becomes
// "index.html"; A-Z are lower-cased. The result is never empty and holds no "?" or "#".
std::string NormalizeBundlePath(std::string_view text);

// The Content-Type for a normalised path, from its extension (the text from the last "."
// when no ":" or "\" follows it); "application/octet-stream" when unknown.
std::string_view MimeTypeForPath(std::string_view path);

}  // namespace vantreel
