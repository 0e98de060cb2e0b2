#include "json/JsonWriter.h"

#include <array>

namespace vantreel {

namespace {

// For each byte: 0 = written as is; otherwise the letter of its two-character escape, or
// 'u' for the \u00XX form.
constexpr std::array<char, 256> MakeEscapeTable() {
  std::array<char, 256> table{};
  for (int c = 0; c < 0x20; ++c) table[c] = 'u';
  table['"'] = '"';
  table['\\'] = '\\';
  table['/'] = '/';
  table['\b'] = 'b';
  table['\t'] = 't';
  table['\n'] = 'n';
  table['\f'] = 'f';
  table['\r'] = 'r';
  return table;
}
constexpr auto kEscape = MakeEscapeTable();

}  // namespace

void AppendJsonString(std::string& out, std::string_view value) {
  static constexpr char kHex[] = "0123456789abcdef";
  out.push_back('"');
  std::size_t runStart = 0;
  for (std::size_t i = 0; i < value.size(); ++i) {
    const auto c = static_cast<unsigned char>(value[i]);
    const char escape = kEscape[c];
    if (escape == 0) continue;
    out.append(value.data() + runStart, i - runStart);
    out.push_back('\\');
    out.push_back(escape);
    if (escape == 'u') {
      out.append("00");
      out.push_back(kHex[c >> 4]);
      out.push_back(kHex[c & 0x0F]);
    }
    runStart = i + 1;
  }
  out.append(value.data() + runStart, value.size() - runStart);
  out.push_back('"');
}

TJsonWriter::TJsonWriter() {
  // Replies carrying a seed, token or answer fit without growing: a grown buffer would leave
  // its earlier copy in freed memory, where no wipe reaches it.
  FOut.reserve(256);
  FOut.push_back('{');
}

void TJsonWriter::Name(std::string_view name) {
  if (!FFirst) FOut.push_back(',');
  FFirst = false;
  AppendJsonString(FOut, name);
  FOut.push_back(':');
}

TJsonWriter& TJsonWriter::AddString(std::string_view name, std::string_view value) {
  Name(name);
  AppendJsonString(FOut, value);
  return *this;
}

TJsonWriter& TJsonWriter::AddBool(std::string_view name, bool value) {
  Name(name);
  FOut.append(value ? "true" : "false");
  return *this;
}

TJsonWriter& TJsonWriter::AddInt64(std::string_view name, std::int64_t value) {
  Name(name);
  FOut.append(std::to_string(value));
  return *this;
}

TJsonWriter& TJsonWriter::AddRaw(std::string_view name, std::string_view json) {
  Name(name);
  FOut.append(json);
  return *this;
}

std::string& TJsonWriter::BeginString(std::string_view name) {
  Name(name);
  FOut.push_back('"');
  return FOut;
}

void TJsonWriter::EndString() { FOut.push_back('"'); }

std::string TJsonWriter::Finish() {
  FOut.push_back('}');
  return std::move(FOut);
}

TJsonArrayWriter::TJsonArrayWriter() : FOut("[") {}

TJsonArrayWriter& TJsonArrayWriter::AddRaw(std::string_view json) {
  if (!FFirst) FOut.push_back(',');
  FFirst = false;
  FOut.append(json);
  return *this;
}

std::string TJsonArrayWriter::Finish() {
  FOut.push_back(']');
  return std::move(FOut);
}

}  // namespace vantreel
