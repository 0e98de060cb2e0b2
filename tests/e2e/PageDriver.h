// Drives the page as a user does: real pointer clicks and drags through the X server at the
// on-screen position of the page's own controls (xdotool), text typed into fields by script,
// and reads of what the page shows. Needs the display the client runs on.
#pragma once

#include <webkit2/webkit2.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

namespace vantreel::test {

class TPageDriver {
 public:
  explicit TPageDriver(WebKitWebView* view) : FView(view) {}

  // Runs `body` as an async function in the page; its result as JSON.
  std::string Eval(const std::string& body) const;
  // Runs the main loop until the page expression `condition` is true.
  bool WaitFor(const std::string& condition, std::chrono::milliseconds timeout = std::chrono::seconds(15)) const;

  // The element's trimmed textContent, or its value for inputs; empty when it is missing.
  std::string Text(const std::string& selector) const;
  bool Visible(const std::string& selector) const;
  int Count(const std::string& selector) const;

  // Replaces the field's value and tells the page, as typing does.
  void Fill(const std::string& selector, const std::string& value) const;
  // Scrolls the element into view and clicks its centre with the real pointer.
  void Click(const std::string& selector) const;
  // Presses the button at the first point, moves through the others, releases at the last;
  // points are fractions of the element's box.
  void Drag(const std::string& selector, const std::vector<std::pair<double, double>>& points) const;

  // A capture of the whole screen (the window with its native overlay, unlike a web snapshot).
  static void Screenshot(const std::filesystem::path& file);

  // The element's box on the screen, scrolled into view: left, top, width, height.
  std::vector<double> ScreenBox(const std::string& selector) const;

 private:

  WebKitWebView* FView;
};

// JSON text of a string value.
std::string JsonQuote(const std::string& text);
// The string that a JSON string literal holds; the text itself when it is no string literal.
std::string JsonUnquote(const std::string& json);

}  // namespace vantreel::test
