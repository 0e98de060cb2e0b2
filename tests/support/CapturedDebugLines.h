// Collects the diagnostic lines written while it lives, instead of the debugger channel.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/DebugOutput.h"

namespace vantreel {

class TCapturedLines {
 public:
  TCapturedLines() {
    SetDebugOutputSinkForTesting([this](std::string_view line) { FLines.emplace_back(line); });
  }
  ~TCapturedLines() { SetDebugOutputSinkForTesting({}); }
  TCapturedLines(const TCapturedLines&) = delete;
  TCapturedLines& operator=(const TCapturedLines&) = delete;

  const std::vector<std::string>& Lines() const { return FLines; }
  void Clear() { FLines.clear(); }

 private:
  std::vector<std::string> FLines;
};

}  // namespace vantreel
