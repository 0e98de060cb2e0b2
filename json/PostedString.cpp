#include "json/PostedString.h"

#include <string_view>
#include <utility>

namespace vantreel {
namespace {

void ReplaceAll(std::string& text, std::string_view from, std::string_view to) {
  std::string out;
  out.reserve(text.size());
  std::size_t pos = 0;
  for (std::size_t hit; (hit = text.find(from, pos)) != std::string::npos; pos = hit + from.size()) {
    out.append(text, pos, hit - pos);
    out += to;
  }
  out.append(text, pos, std::string::npos);
  text = std::move(out);
}

}  // namespace

std::string UnwrapPostedString(std::string json) {
  if (json.size() >= 2 && json.front() == '"' && json.back() == '"') {
    json = json.substr(1, json.size() - 2);
    ReplaceAll(json, "\\\"", "\"");
    ReplaceAll(json, "\\\\", "\\");
  }
  return json;
}

}  // namespace vantreel
