// Reads one JSON text (RFC 8259, UTF-8) into a compact document: one flat array of 16-byte
// tokens that point into the caller's text, no heap node per value and no copy of string
// content until a string is asked for. Parsing is all-or-nothing: the text must be exactly
// one well-formed value (surrounding whitespace allowed). Refused, among others: trailing
// text or a second value, invalid UTF-8, raw control characters in strings, lone surrogate
// escapes, and nesting deeper than kMaxJsonDepth. The parser does not recurse.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vantreel {

enum class TJsonKind : std::uint8_t { Null, False, True, Number, String, Array, Object };

inline constexpr std::size_t kMaxJsonDepth = 512;

class TJsonDocument;

// A view of one value in a document; valid while the document and its text live. A
// default-constructed value is "absent" (e.g. a member that is not there).
class TJsonValue {
 public:
  TJsonValue() = default;

  bool IsAbsent() const { return FDoc == nullptr; }
  TJsonKind Kind() const;
  bool Is(TJsonKind kind) const { return !IsAbsent() && Kind() == kind; }

  // Object: the first member with exactly this (decoded) name; absent when there is none
  // or when this value is not an object.
  TJsonValue Member(std::string_view name) const;

  // String: the decoded content. Number: the text exactly as written. Others: empty.
  std::string Text() const;
  // The value's source text exactly as written (a string with its quotes and escapes).
  std::string_view Raw() const;

  // Arrays and objects: visits each element, or each member as (decoded name, value).
  template <typename F>
  void ForEachElement(F&& visit) const;
  template <typename F>
  void ForEachMember(F&& visit) const;

 private:
  friend class TJsonDocument;
  TJsonValue(const TJsonDocument* doc, std::uint32_t index) : FDoc(doc), FIndex(index) {}
  const TJsonDocument* FDoc = nullptr;
  std::uint32_t FIndex = 0;
};

class TJsonDocument {
 public:
  // False (and an empty document) unless `text` is exactly one well-formed JSON value. The
  // document refers to `text`, which must outlive it.
  bool Parse(std::string_view text);
  // The parsed value; absent before a successful Parse.
  TJsonValue Root() const;

 private:
  friend class TJsonValue;
  struct TToken {
    std::uint32_t start;   // strings: after the opening quote; others: first character
    std::uint32_t length;  // strings: content only; containers: unused
    std::uint32_t end;     // index one past this value's last token (its subtree)
    TJsonKind kind;
    bool escaped;          // strings: the content holds at least one escape
  };
  static_assert(sizeof(TToken) == 16);

  class TParser;
  std::string DecodeString(const TToken& token) const;
  bool StringEquals(const TToken& token, std::string_view value) const;

  std::string_view FText;
  std::vector<TToken> FTokens;
};

template <typename F>
void TJsonValue::ForEachElement(F&& visit) const {
  if (!Is(TJsonKind::Array)) return;
  const auto& tokens = FDoc->FTokens;
  for (std::uint32_t i = FIndex + 1; i < tokens[FIndex].end; i = tokens[i].end) visit(TJsonValue(FDoc, i));
}

template <typename F>
void TJsonValue::ForEachMember(F&& visit) const {
  if (!Is(TJsonKind::Object)) return;
  const auto& tokens = FDoc->FTokens;
  for (std::uint32_t i = FIndex + 1; i < tokens[FIndex].end; i = tokens[i + 1].end)
    visit(FDoc->DecodeString(tokens[i]), TJsonValue(FDoc, i + 1));
}

}  // namespace vantreel
