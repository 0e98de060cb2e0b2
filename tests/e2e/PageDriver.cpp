#include "tests/e2e/PageDriver.h"

#include <gtk/gtk.h>

#include <cstdio>
#include <sstream>
#include <stdexcept>

#include "json/JsonWriter.h"
#include "tests/browser/webkit/WebKitTestSupport.h"

namespace vantreel::test {
namespace {

void Run(const std::vector<std::string>& args) {
  std::vector<char*> argv;
  for (const auto& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
  argv.push_back(nullptr);
  GError* error = nullptr;
  gint status = 0;
  if (!g_spawn_sync(nullptr, argv.data(), nullptr, G_SPAWN_SEARCH_PATH, nullptr, nullptr, nullptr, nullptr, &status,
                    &error) ||
      !g_spawn_check_wait_status(status, &error)) {
    std::string message = args[0] + ": " + (error ? error->message : "failed");
    g_clear_error(&error);
    throw std::runtime_error(message);
  }
}

std::string Number(double value) {
  return std::to_string(static_cast<long>(value + 0.5));
}

}  // namespace

std::string JsonQuote(const std::string& text) {
  std::string out;
  AppendJsonString(out, text);
  return out;
}

std::string JsonUnquote(const std::string& json) {
  if (json.size() < 2 || json.front() != '"' || json.back() != '"') return json;
  std::string out;
  for (size_t i = 1; i + 1 < json.size(); ++i) {
    if (json[i] != '\\') {
      out += json[i];
      continue;
    }
    const char c = json[++i];
    switch (c) {
      case 'n': out += '\n'; break;
      case 't': out += '\t'; break;
      case 'r': out += '\r'; break;
      case 'b': out += '\b'; break;
      case 'f': out += '\f'; break;
      case 'u': {
        unsigned code = std::stoul(json.substr(i + 1, 4), nullptr, 16);
        i += 4;
        if (code >= 0xD800 && code < 0xDC00 && json.compare(i + 1, 2, "\\u") == 0) {
          const unsigned low = std::stoul(json.substr(i + 3, 4), nullptr, 16);
          code = 0x10000 + ((code - 0xD800) << 10) + (low - 0xDC00);
          i += 6;
        }
        char buffer[8] = {};
        g_unichar_to_utf8(code, buffer);
        out += buffer;
        break;
      }
      default: out += c;
    }
  }
  return out;
}

std::string TPageDriver::Eval(const std::string& body) const { return CallPage(FView, body); }

bool TPageDriver::WaitFor(const std::string& condition, std::chrono::milliseconds timeout) const {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  while (std::chrono::steady_clock::now() < deadline) {
    if (Eval("return Boolean(" + condition + ");") == "true") return true;
    RunFor(std::chrono::milliseconds(50));
  }
  return false;
}

std::string TPageDriver::Text(const std::string& selector) const {
  return JsonUnquote(Eval("const el = document.querySelector(" + JsonQuote(selector) +
                          "); if (!el) return ''; return ('value' in el && el.tagName !== 'BUTTON' ? el.value : "
                          "el.textContent).trim();"));
}

bool TPageDriver::Visible(const std::string& selector) const {
  return Eval("const el = document.querySelector(" + JsonQuote(selector) +
              "); return Boolean(el && el.getClientRects().length && getComputedStyle(el).visibility !== 'hidden');") ==
         "true";
}

int TPageDriver::Count(const std::string& selector) const {
  return std::stoi(Eval("return document.querySelectorAll(" + JsonQuote(selector) + ").length;"));
}

void TPageDriver::Fill(const std::string& selector, const std::string& value) const {
  const std::string result = Eval("const el = document.querySelector(" + JsonQuote(selector) +
                                  "); if (!el) return 'missing'; el.focus(); el.value = " + JsonQuote(value) +
                                  "; el.dispatchEvent(new Event('input', { bubbles: true })); return 'ok';");
  if (result != "\"ok\"") throw std::runtime_error("cannot fill " + selector + ": " + result);
}

std::vector<double> TPageDriver::ScreenBox(const std::string& selector) const {
  const std::string json = Eval("const el = document.querySelector(" + JsonQuote(selector) +
                                "); if (!el) return null; el.scrollIntoView({ block: 'center', inline: 'center' });"
                                " const r = el.getBoundingClientRect(); return [r.left, r.top, r.width, r.height];");
  std::vector<double> box(4);
  if (std::sscanf(json.c_str(), "[%lf,%lf,%lf,%lf]", &box[0], &box[1], &box[2], &box[3]) != 4 || box[2] <= 0 ||
      box[3] <= 0) {
    throw std::runtime_error("no visible element " + selector + ": " + json);
  }
  GtkWidget* widget = GTK_WIDGET(FView);
  GtkWidget* top = gtk_widget_get_toplevel(widget);
  int inTopX = 0, inTopY = 0, originX = 0, originY = 0;
  gtk_widget_translate_coordinates(widget, top, 0, 0, &inTopX, &inTopY);
  gdk_window_get_origin(gtk_widget_get_window(top), &originX, &originY);
  box[0] += originX + inTopX;
  box[1] += originY + inTopY;
  return box;
}

void TPageDriver::Click(const std::string& selector) const {
  // The pointer must be seen over the element before the button goes down: a tooltip of the
  // control the pointer last rested on (the narrow sidebar names its icons that way) can lie
  // over this one and take the click until it closes, and a list drawn anew replaces the
  // element under a pointer that stands still. So the pointer moves, a pixel each way, until
  // the page reports it over the element as it is now.
  const std::string element = "document.querySelector(" + JsonQuote(selector) + ")";
  Eval("window.__pointerOver = null;"
       "if (!window.__pointerWatched) { window.__pointerWatched = true;"
       " document.addEventListener('mousemove', (e) => { window.__pointerOver = e.target; }, true); }"
       "return true;");
  const std::string over = "window.__pointerOver !== null && " + element + "?.contains(window.__pointerOver)";
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(15);
  for (int step = 0;; ++step) {
    const auto box = ScreenBox(selector);
    Run({"xdotool", "mousemove", Number(box[0] + box[2] / 2 + step % 2), Number(box[1] + box[3] / 2)});
    if (WaitFor(over, std::chrono::milliseconds(400))) break;
    if (std::chrono::steady_clock::now() > deadline) throw std::runtime_error("the pointer never reached " + selector);
  }
  Run({"xdotool", "click", "1"});
  RunFor(std::chrono::milliseconds(60));
}

void TPageDriver::Drag(const std::string& selector, const std::vector<std::pair<double, double>>& points) const {
  const auto box = ScreenBox(selector);
  auto at = [&](const std::pair<double, double>& p) {
    return std::vector<std::string>{Number(box[0] + box[2] * p.first), Number(box[1] + box[3] * p.second)};
  };
  auto first = at(points.front());
  Run({"xdotool", "mousemove", first[0], first[1], "mousedown", "1"});
  RunFor(std::chrono::milliseconds(30));
  for (size_t i = 1; i < points.size(); ++i) {
    auto p = at(points[i]);
    Run({"xdotool", "mousemove", p[0], p[1]});
    RunFor(std::chrono::milliseconds(30));
  }
  Run({"xdotool", "mouseup", "1"});
  RunFor(std::chrono::milliseconds(60));
}

void TPageDriver::Screenshot(const std::filesystem::path& file) {
  Run({"import", "-window", "root", file.string()});
}

}  // namespace vantreel::test
