// The bridge without the window: one page message per line on stdin, one line per message
// on stdout (the reply, or an empty line when there is none); the diagnostic lines go to
// stderr as the client writes them. Runs the real ProcessWebMessage and services.
#include <iostream>
#include <string>

#include "bridge/UWebViewBridge.h"

int main() {
  std::ios::sync_with_stdio(false);
  std::string message;
  std::string reply;
  while (std::getline(std::cin, message)) {
    if (!message.empty() && message.back() == '\r') message.pop_back();
    vantreel::ProcessWebMessage(message, reply);
    std::cout << reply << '\n' << std::flush;
  }
  return 0;
}
