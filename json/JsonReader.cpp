#include "json/JsonReader.h"

#include <cstring>
#include <limits>

#include "base/Utf8.h"

namespace vantreel {
namespace {

constexpr std::uint64_t kOnes = 0x0101010101010101ull;
constexpr std::uint64_t kHighs = 0x8080808080808080ull;

constexpr bool HasZeroByte(std::uint64_t v) { return ((v - kOnes) & ~v & kHighs) != 0; }

// True when any of the 8 bytes needs a closer look inside a string: a quotation mark, a
// reverse solidus, a control character or a non-ASCII byte.
constexpr bool NeedsAttention(std::uint64_t v) {
  return (v & kHighs) != 0 || HasZeroByte(v ^ (kOnes * '"')) || HasZeroByte(v ^ (kOnes * '\\')) ||
         ((v - kOnes * 0x20) & ~v & kHighs) != 0;
}

int HexDigit(unsigned char c) {
  if (c >= '0' && c <= '9') return c - '0';
  c |= 0x20;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

// Four hex digits at `p` (the caller guarantees they are in bounds); -1 if not all hex.
long Hex4(const unsigned char* p) {
  long value = 0;
  for (int k = 0; k < 4; ++k) {
    const int d = HexDigit(p[k]);
    if (d < 0) return -1;
    value = (value << 4) | d;
  }
  return value;
}

bool IsHighSurrogate(long unit) { return unit >= 0xD800 && unit <= 0xDBFF; }

// `p` (with `left` bytes after it) starts with an escaped low surrogate, "\uDC00".."\uDFFF".
bool IsLowSurrogateEscape(const unsigned char* p, std::size_t left) {
  if (left < 6 || p[0] != '\\' || p[1] != 'u') return false;
  const long low = Hex4(p + 2);
  return low >= 0xDC00 && low <= 0xDFFF;
}

}  // namespace

class TJsonDocument::TParser {
 public:
  TParser(std::string_view text, std::vector<TToken>& tokens)
      : FData(reinterpret_cast<const unsigned char*>(text.data())), FSize(text.size()), FTokens(tokens) {}

  bool Run() {
    std::uint32_t open[kMaxJsonDepth];  // token index of each open container
    std::size_t depth = 0;
    SkipWhitespace();
    for (;;) {
      // A value starts here.
      const unsigned char c = At(FAt);
      if (c == '{' || c == '[') {
        if (depth == kMaxJsonDepth) return false;
        const std::uint32_t index = Push(c == '{' ? TJsonKind::Object : TJsonKind::Array, FAt, 0, false);
        open[depth++] = index;
        ++FAt;
        SkipWhitespace();
        if (At(FAt) != (c == '{' ? '}' : ']')) {
          if (c == '{' && !ParseMemberName()) return false;
          continue;
        }
        Close(index);
        --depth;
      } else if (c == '"') {
        if (!ParseString()) return false;
      } else if (c == 't') {
        if (!ParseLiteral("true", TJsonKind::True)) return false;
      } else if (c == 'f') {
        if (!ParseLiteral("false", TJsonKind::False)) return false;
      } else if (c == 'n') {
        if (!ParseLiteral("null", TJsonKind::Null)) return false;
      } else if (!ParseNumber()) {
        return false;
      }
      // After a value: close containers until one continues with another value.
      for (;;) {
        SkipWhitespace();
        if (depth == 0) return FAt == FSize;
        const std::uint32_t top = open[depth - 1];
        const bool isObject = FTokens[top].kind == TJsonKind::Object;
        const unsigned char next = At(FAt);
        if (next == ',') {
          ++FAt;
          SkipWhitespace();
          if (isObject && !ParseMemberName()) return false;
          break;
        }
        if (next != (isObject ? '}' : ']')) return false;
        Close(top);
        --depth;
      }
    }
  }

 private:
  // Past the end reads as NUL, which no grammar position accepts.
  unsigned char At(std::size_t i) const { return i < FSize ? FData[i] : 0; }

  void SkipWhitespace() {
    while (FAt < FSize && (FData[FAt] == ' ' || FData[FAt] == '\n' || FData[FAt] == '\r' || FData[FAt] == '\t')) ++FAt;
  }

  std::uint32_t Push(TJsonKind kind, std::size_t start, std::size_t length, bool escaped) {
    const auto index = static_cast<std::uint32_t>(FTokens.size());
    FTokens.push_back({static_cast<std::uint32_t>(start), static_cast<std::uint32_t>(length), index + 1, kind, escaped});
    return index;
  }

  void Close(std::uint32_t index) {
    ++FAt;
    TToken& token = FTokens[index];
    token.end = static_cast<std::uint32_t>(FTokens.size());
    token.length = static_cast<std::uint32_t>(FAt - token.start);
  }

  bool ParseMemberName() {
    if (At(FAt) != '"' || !ParseString()) return false;
    SkipWhitespace();
    if (At(FAt) != ':') return false;
    ++FAt;
    SkipWhitespace();
    return true;
  }

  bool ParseLiteral(std::string_view word, TJsonKind kind) {
    if (FSize - FAt < word.size() || std::memcmp(FData + FAt, word.data(), word.size()) != 0) return false;
    Push(kind, FAt, word.size(), false);
    FAt += word.size();
    return true;
  }

  bool ParseNumber() {
    const std::size_t start = FAt;
    if (At(FAt) == '-') ++FAt;
    if (At(FAt) == '0') {
      ++FAt;
    } else if (At(FAt) >= '1' && At(FAt) <= '9') {
      while (IsDigit(At(FAt))) ++FAt;
    } else {
      return false;
    }
    if (At(FAt) == '.') {
      ++FAt;
      if (!IsDigit(At(FAt))) return false;
      while (IsDigit(At(FAt))) ++FAt;
    }
    if (At(FAt) == 'e' || At(FAt) == 'E') {
      ++FAt;
      if (At(FAt) == '+' || At(FAt) == '-') ++FAt;
      if (!IsDigit(At(FAt))) return false;
      while (IsDigit(At(FAt))) ++FAt;
    }
    Push(TJsonKind::Number, start, FAt - start, false);
    return true;
  }

  static bool IsDigit(unsigned char c) { return c >= '0' && c <= '9'; }

  bool ParseString() {
    const std::size_t start = ++FAt;
    bool escaped = false;
    std::size_t i = FAt;
    for (;;) {
      while (i + 8 <= FSize) {
        std::uint64_t chunk;
        std::memcpy(&chunk, FData + i, 8);
        if (NeedsAttention(chunk)) break;
        i += 8;
      }
      const unsigned char c = At(i);
      if (c == '"') break;
      if (c == '\\') {
        escaped = true;
        if (!SkipEscape(i)) return false;
      } else if (c < 0x20) {
        return false;  // raw control character, or the text ended inside the string
      } else if (c >= 0x80) {
        if (!SkipUtf8(i)) return false;
      } else {
        ++i;
      }
    }
    Push(TJsonKind::String, start, i - start, escaped);
    FAt = i + 1;
    return true;
  }

  // At a reverse solidus; moves past the escape. A surrogate escape without its partner is
  // well-formed JSON (JSON.stringify writes one for half of a broken emoji) and decodes to
  // U+FFFD; a high surrogate followed by an escaped low one is one character.
  bool SkipEscape(std::size_t& i) const {
    const unsigned char c = At(i + 1);
    if (c != 'u') {
      i += 2;
      return c == '"' || c == '\\' || c == '/' || c == 'b' || c == 'f' || c == 'n' || c == 'r' || c == 't';
    }
    if (FSize - i < 6) return false;
    const long unit = Hex4(FData + i + 2);
    i += 6;
    if (unit < 0) return false;
    if (IsHighSurrogate(unit) && IsLowSurrogateEscape(FData + i, FSize - i)) i += 6;
    return true;
  }

  // At a byte >= 0x80; moves past one well-formed UTF-8 sequence.
  bool SkipUtf8(std::size_t& i) const {
    const std::size_t length = Utf8SequenceLength({reinterpret_cast<const char*>(FData), FSize}, i);
    i += length;
    return length != 0;
  }

  const unsigned char* FData;
  std::size_t FSize;
  std::size_t FAt = 0;
  std::vector<TToken>& FTokens;
};

bool TJsonDocument::Parse(std::string_view text) {
  FTokens.clear();
  FText = {};
  // Offsets are 32-bit; page messages are far smaller.
  if (text.size() >= std::numeric_limits<std::uint32_t>::max()) return false;
  FTokens.reserve(32);
  if (!TParser(text, FTokens).Run()) {
    FTokens.clear();
    return false;
  }
  FText = text;
  return true;
}

TJsonValue TJsonDocument::Root() const { return FTokens.empty() ? TJsonValue() : TJsonValue(this, 0); }

std::string TJsonDocument::DecodeString(const TToken& token) const {
  const std::string_view raw = FText.substr(token.start, token.length);
  if (!token.escaped) return std::string(raw);
  std::string out;
  out.reserve(raw.size());
  const auto* p = reinterpret_cast<const unsigned char*>(raw.data());
  for (std::size_t i = 0; i < raw.size();) {
    if (p[i] != '\\') {
      // Copy the run up to the next escape in one go.
      const void* next = std::memchr(p + i, '\\', raw.size() - i);
      const std::size_t runEnd = next ? static_cast<std::size_t>(static_cast<const unsigned char*>(next) - p) : raw.size();
      out.append(raw.data() + i, runEnd - i);
      i = runEnd;
      continue;
    }
    const unsigned char c = p[i + 1];
    i += 2;
    switch (c) {
      case 'b': out.push_back('\b'); break;
      case 'f': out.push_back('\f'); break;
      case 'n': out.push_back('\n'); break;
      case 'r': out.push_back('\r'); break;
      case 't': out.push_back('\t'); break;
      case 'u': {
        // Parse has checked the digits; pairing is decided as Parse decided it.
        auto cp = static_cast<char32_t>(Hex4(p + i));
        i += 4;
        if (IsHighSurrogate(cp) && IsLowSurrogateEscape(p + i, raw.size() - i)) {
          const auto low = static_cast<char32_t>(Hex4(p + i + 2));
          i += 6;
          cp = 0x10000 + ((cp - 0xD800) << 10) + (low - 0xDC00);
        } else if (cp >= 0xD800 && cp <= 0xDFFF) {
          cp = kReplacementCharacter;
        }
        AppendUtf8(out, cp);
        break;
      }
      default: out.push_back(static_cast<char>(c)); break;  // " \ /
    }
  }
  return out;
}

bool TJsonDocument::StringEquals(const TToken& token, std::string_view value) const {
  if (!token.escaped) return FText.substr(token.start, token.length) == value;
  return DecodeString(token) == value;
}

TJsonKind TJsonValue::Kind() const { return FDoc->FTokens[FIndex].kind; }

TJsonValue TJsonValue::Member(std::string_view name) const {
  if (!Is(TJsonKind::Object)) return {};
  const auto& tokens = FDoc->FTokens;
  for (std::uint32_t i = FIndex + 1; i < tokens[FIndex].end; i = tokens[i + 1].end) {
    if (FDoc->StringEquals(tokens[i], name)) return TJsonValue(FDoc, i + 1);
  }
  return {};
}

std::string TJsonValue::Text() const {
  if (IsAbsent()) return {};
  const auto& token = FDoc->FTokens[FIndex];
  if (token.kind == TJsonKind::String) return FDoc->DecodeString(token);
  if (token.kind == TJsonKind::Number) return std::string(FDoc->FText.substr(token.start, token.length));
  return {};
}

std::string_view TJsonValue::Raw() const {
  if (IsAbsent()) return {};
  const auto& token = FDoc->FTokens[FIndex];
  if (token.kind == TJsonKind::String) return FDoc->FText.substr(token.start - 1, token.length + 2);
  return FDoc->FText.substr(token.start, token.length);
}

}  // namespace vantreel
