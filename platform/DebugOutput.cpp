#include "platform/DebugOutput.h"

#include <mutex>
#include <utility>

namespace vantreel {

void WriteDebugChannel(std::string_view line);  // one per backend

namespace {
std::mutex gSinkMutex;
std::function<void(std::string_view)> gSink;
}  // namespace

void OutputDebugLine(std::string_view line) {
  std::function<void(std::string_view)> sink;
  {
    std::lock_guard lock(gSinkMutex);
    sink = gSink;
  }
  if (sink) {
    sink(line);
  } else {
    WriteDebugChannel(line);
  }
}

void SetDebugOutputSinkForTesting(std::function<void(std::string_view)> sink) {
  std::lock_guard lock(gSinkMutex);
  gSink = std::move(sink);
}

}  // namespace vantreel
