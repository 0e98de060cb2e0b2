// Cold starts: a program started afresh, each time with an empty home and data folders of
// its own, timed from just before the fork to the moment its load-finished line arrives.
#pragma once

#include <chrono>
#include <string>

namespace vantreel::bench {

// Milliseconds from spawn to the line; throws std::runtime_error when the program fails or
// says nothing within `timeout`. The program gets its data folder as its only argument.
double TimeColdStart(const std::string& program, std::chrono::milliseconds timeout = std::chrono::seconds(30));

}  // namespace vantreel::bench
