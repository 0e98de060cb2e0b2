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
    SetDebugOutputSinkForTesting([this](std::string_view line) { lines_.emplace_back(line); });
  }
  ~TCapturedLines() { SetDebugOutputSinkForTesting({}); }
  TCapturedLines(const TCapturedLines&) = delete;
  TCapturedLines& operator=(const TCapturedLines&) = delete;

  const std::vector<std::string>& Lines() const { return lines_; }
  void Clear() { lines_.clear(); }

 private:
  std::vector<std::string> lines_;
};

}  // namespace vantreel
