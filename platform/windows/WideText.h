// UTF-8 (the program's text everywhere) to UTF-16 (what Windows takes) and back, at the
// operating-system boundary only. Invalid UTF-8 becomes U+FFFD rather than a failure: the
// texts crossing here are captions, log lines and folder names, never keys.
#pragma once

#include <string>
#include <string_view>

namespace vantreel::win {

std::wstring Widen(std::string_view utf8);
std::string Narrow(std::wstring_view utf16);

}  // namespace vantreel::win
