// Builds one JSON object member by member, in insertion order, and serialises it with the
// reply conventions: no whitespace; true/false unquoted; in strings the quotation mark,
// reverse solidus, solidus, backspace, tab, line feed, form feed and carriage return are
// written as their two-character escapes, and every non-ASCII character unchanged. The other
// control characters (U+0000 to U+001F) are written as \u00XX: raw, they would make the reply
// invalid JSON that the page's parser refuses, and the reply would be lost.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace vantreel {

class TJsonWriter {
 public:
  // Starts an object ("{").
  TJsonWriter();

  TJsonWriter& AddString(std::string_view name, std::string_view value);
  TJsonWriter& AddBool(std::string_view name, bool value);
  TJsonWriter& AddInt64(std::string_view name, std::int64_t value);
  // Appends a member whose value is already serialised JSON (an array or object).
  TJsonWriter& AddRaw(std::string_view name, std::string_view json);
  // For large values (a photo's Base64): the caller appends the raw string content (which
  // must need no escaping) between BeginString and EndString without an extra copy.
  std::string& BeginString(std::string_view name);
  void EndString();

  // Closes the object and hands out the text; the writer is spent afterwards.
  std::string Finish();

 private:
  void Name(std::string_view name);
  std::string FOut;
  bool FFirst = true;
};

// Appends `value` as a JSON string literal (quotes included) with the escapes above.
void AppendJsonString(std::string& out, std::string_view value);

// A JSON array of already-serialised values.
class TJsonArrayWriter {
 public:
  TJsonArrayWriter();
  TJsonArrayWriter& AddRaw(std::string_view json);
  std::string Finish();

 private:
  std::string FOut;
  bool FFirst = true;
};

}  // namespace vantreel
