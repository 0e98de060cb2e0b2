#include "browser/webkitgtk/DocumentPolicy.h"
#include "base/AsciiText.h"

#include <cstddef>
#include <utility>

namespace vantreel::webkitgtk {
namespace {

// The value of attribute `name` in one tag's text: its [begin, end) in the tag, or npos.
std::pair<std::size_t, std::size_t> AttributeValue(const std::string& lowerTag, std::string_view name) {
  std::size_t at = 0;
  while ((at = lowerTag.find(name, at)) != std::string::npos) {
    const bool boundary = at > 0 && (lowerTag[at - 1] == ' ' || lowerTag[at - 1] == '\t' ||
                                     lowerTag[at - 1] == '\n' || lowerTag[at - 1] == '\r' || lowerTag[at - 1] == '/');
    std::size_t p = at + name.size();
    while (p < lowerTag.size() && (lowerTag[p] == ' ' || lowerTag[p] == '\t' || lowerTag[p] == '\n')) ++p;
    if (!boundary || p >= lowerTag.size() || lowerTag[p] != '=') {
      at += name.size();
      continue;
    }
    ++p;
    while (p < lowerTag.size() && (lowerTag[p] == ' ' || lowerTag[p] == '\t' || lowerTag[p] == '\n')) ++p;
    if (p >= lowerTag.size()) break;
    if (lowerTag[p] == '"' || lowerTag[p] == '\'') {
      const std::size_t end = lowerTag.find(lowerTag[p], p + 1);
      if (end == std::string::npos) break;
      return {p + 1, end};
    }
    std::size_t end = p;
    while (end < lowerTag.size() && lowerTag[end] != ' ' && lowerTag[end] != '>' && lowerTag[end] != '\t') ++end;
    return {p, end};
  }
  return {std::string::npos, std::string::npos};
}

}  // namespace

std::string AdmitInternalOrigin(std::string_view html, std::string_view internalOrigin) {
  const std::string lower = AsciiLowered(html);
  std::string addition(1, ' ');
  addition.append(internalOrigin);
  std::string result;
  result.reserve(html.size() + 64);
  std::size_t copied = 0;
  std::size_t at = 0;
  while ((at = lower.find("<meta", at)) != std::string::npos) {
    const std::size_t tagEnd = lower.find('>', at);
    if (tagEnd == std::string::npos) break;
    const std::string tag = lower.substr(at, tagEnd - at);
    const auto equiv = AttributeValue(tag, "http-equiv");
    const auto content = AttributeValue(tag, "content");
    if (equiv.first != std::string::npos && content.first != std::string::npos &&
        tag.substr(equiv.first, equiv.second - equiv.first) == "content-security-policy") {
      // The policy text; 'self' is matched case-insensitively, as CSP keywords are.
      const std::size_t valueBegin = at + content.first;
      const std::size_t valueEnd = at + content.second;
      std::size_t self = valueBegin;
      while ((self = lower.find("'self'", self)) != std::string::npos && self + 6 <= valueEnd) {
        result.append(html.substr(copied, self + 6 - copied));
        result += addition;
        copied = self + 6;
        self += 6;
      }
    }
    at = tagEnd;
  }
  result.append(html.substr(copied));
  return result;
}

std::string AddPolicy(std::string_view html, std::string_view policy) {
  std::string element = "<meta http-equiv=\"Content-Security-Policy\" content=\"";
  for (char c : policy) {
    // An attribute value: nothing in the policy may end it or start markup.
    if (c == '"')
      element += "&quot;";
    else if (c == '&')
      element += "&amp;";
    else if (c == '<')
      element += "&lt;";
    else if (c == '>')
      element += "&gt;";
    else
      element.push_back(c);
  }
  element += "\">";
  const std::string lower = AsciiLowered(html);
  std::size_t at = 0;
  // "<head>" or "<head ...>", never "<header>".
  for (std::size_t head = lower.find("<head"); head != std::string::npos; head = lower.find("<head", head + 5)) {
    const char next = head + 5 < lower.size() ? lower[head + 5] : '\0';
    if (next == '>' || next == ' ' || next == '\t' || next == '\n' || next == '\r' || next == '/') {
      const std::size_t end = lower.find('>', head);
      if (end != std::string::npos) at = end + 1;
      break;
    }
  }
  if (at == 0) {
    // Anything before the doctype would put the document in quirks mode.
    std::size_t begin = lower.compare(0, 3, "\xef\xbb\xbf") == 0 ? 3 : 0;
    while (begin < lower.size() && IsBlankChar(lower[begin])) ++begin;
    if (lower.compare(begin, 9, "<!doctype") == 0) {
      const std::size_t end = lower.find('>', begin);
      if (end != std::string::npos) at = end + 1;
    }
  }
  std::string result;
  result.reserve(html.size() + element.size());
  result.append(html.substr(0, at)).append(element).append(html.substr(at));
  return result;
}

std::string ForbidFrames(std::string_view html) {
  return AddPolicy(html, "frame-src 'none'; child-src 'none'; object-src 'none'");
}

}  // namespace vantreel::webkitgtk
