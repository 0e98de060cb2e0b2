#include "bridge/JsonWriter.h"

namespace vantreel {

void AppendJsonString(std::string& out, std::string_view value) {
  out.push_back('"');
  std::size_t runStart = 0;
  for (std::size_t i = 0; i < value.size(); ++i) {
    const char c = value[i];
    const char* escape = nullptr;
    switch (c) {
      case '"': escape = "\\\""; break;
      case '\\': escape = "\\\\"; break;
      case '/': escape = "\\/"; break;
      case '\b': escape = "\\b"; break;
      case '\t': escape = "\\t"; break;
      case '\n': escape = "\\n"; break;
      case '\f': escape = "\\f"; break;
      case '\r': escape = "\\r"; break;
      default: continue;
    }
    out.append(value.data() + runStart, i - runStart);
    out.append(escape);
    runStart = i + 1;
  }
  out.append(value.data() + runStart, value.size() - runStart);
  out.push_back('"');
}

TJsonWriter::TJsonWriter() : out_("{") {}

void TJsonWriter::Name(std::string_view name) {
  if (!first_) out_.push_back(',');
  first_ = false;
  AppendJsonString(out_, name);
  out_.push_back(':');
}

TJsonWriter& TJsonWriter::AddString(std::string_view name, std::string_view value) {
  Name(name);
  AppendJsonString(out_, value);
  return *this;
}

TJsonWriter& TJsonWriter::AddBool(std::string_view name, bool value) {
  Name(name);
  out_.append(value ? "true" : "false");
  return *this;
}

TJsonWriter& TJsonWriter::AddInt64(std::string_view name, std::int64_t value) {
  Name(name);
  out_.append(std::to_string(value));
  return *this;
}

TJsonWriter& TJsonWriter::AddRaw(std::string_view name, std::string_view json) {
  Name(name);
  out_.append(json);
  return *this;
}

std::string& TJsonWriter::BeginString(std::string_view name) {
  Name(name);
  out_.push_back('"');
  return out_;
}

void TJsonWriter::EndString() { out_.push_back('"'); }

std::string TJsonWriter::Finish() {
  out_.push_back('}');
  return std::move(out_);
}

TJsonArrayWriter::TJsonArrayWriter() : out_("[") {}

TJsonArrayWriter& TJsonArrayWriter::AddRaw(std::string_view json) {
  if (!first_) out_.push_back(',');
  first_ = false;
  out_.append(json);
  return *this;
}

std::string TJsonArrayWriter::Finish() {
  out_.push_back(']');
  return std::move(out_);
}

}  // namespace vantreel
