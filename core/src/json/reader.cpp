#include "json/reader.hpp"

#include <double-conversion/double-conversion.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <memory>

#include "json/bytes.hpp"
#include "json/writer.hpp"
#include "text/unicode.hpp"

namespace varn::json {

// ---------------------------------------------------------------- arena

void* Arena::allocate(std::size_t bytes, std::size_t align) {
  constexpr std::size_t kBlock = 64 * 1024;
  if (!blocks_.empty()) {
    Block& b = blocks_.back();
    std::size_t at = (used_ + align - 1) & ~(align - 1);
    if (at + bytes <= b.size) {
      used_ = at + bytes;
      return b.data.get() + at;
    }
  }
  std::size_t size = std::max(kBlock, bytes);
  blocks_.push_back({std::make_unique<std::byte[]>(size), size});
  used_ = bytes;
  return blocks_.back().data.get();
}

void Arena::reset() {
  if (blocks_.empty()) return;
  auto largest = std::max_element(blocks_.begin(), blocks_.end(),
                                  [](const Block& a, const Block& b) { return a.size < b.size; });
  Block keep = std::move(*largest);
  blocks_.clear();
  blocks_.push_back(std::move(keep));
  used_ = 0;
}

// ---------------------------------------------------------------- positions

namespace {

bool is_digit(int c) { return c >= '0' && c <= '9'; }

int hex_value(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

void append_utf8(std::string& out, uint32_t cp) {
  if (cp < 0x80) {
    out.push_back(static_cast<char>(cp));
  } else if (cp < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else if (cp < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  }
}

// Lines from 1; the column is the count of bytes of the line before `offset`.
JsonError at(std::string_view text, std::size_t offset, std::string message) {
  JsonError e{std::move(message), 1, 0};
  std::string_view before = text.substr(0, offset);
  e.line += std::count(before.begin(), before.end(), '\n');
  std::size_t nl = before.rfind('\n');
  e.column = nl == std::string_view::npos ? before.size() : before.size() - nl - 1;
  return e;
}

}  // namespace

JsonError Reader::error(std::string message) const { return at(text_, pos_, std::move(message)); }

JsonError Reader::peek_error(std::string message) const {
  return at(text_, std::min(pos_ + 1, text_.size()), std::move(message));
}

// ---------------------------------------------------------------- structure

int Reader::skip_space() {
  const char* p = text_.data();
  const std::size_t n = text_.size();
  std::size_t i = pos_;
  while (i < n) {
    const char c = p[i];
    if (c == ' ') {
      // One space (after a colon) or a line's indentation.
      i += i + 1 < n && p[i + 1] != ' ' ? 1 : space_run(p + i, n - i);
    } else if (c == '\n' || c == '\r' || c == '\t') {
      ++i;
    } else {
      break;
    }
  }
  pos_ = i;
  return i < n ? static_cast<unsigned char>(p[i]) : -1;
}

JsonError Reader::too_deep() const { return peek_error("recursion limit exceeded"); }

JsonError Reader::list_error(int c) const {
  return peek_error(c < 0 ? "EOF while parsing a list" : "expected `,` or `]`");
}

JsonError Reader::object_error(bool first, int c) const {
  if (c < 0) return peek_error("EOF while parsing an object");
  return peek_error(first ? "key must be a string" : "expected `,` or `}`");
}

// After a comma, where the next element or member must start.
JsonError Reader::after_comma_error(int c, int close) const {
  if (c == close) return peek_error("trailing comma");
  if (c < 0) return peek_error("EOF while parsing a value");
  return peek_error("key must be a string");
}

JsonError Reader::colon_error() const {
  return peek_error(pos_ >= text_.size() ? "EOF while parsing an object" : "expected `:`");
}

Status Reader::end() {
  if (peek() >= 0) return err(peek_error("trailing characters"));
  return Ok{};
}

// ---------------------------------------------------------------- strings

Result<uint32_t, JsonError> Reader::hex_escape() {
  if (text_.size() - pos_ < 4) {
    pos_ = text_.size();
    return err(error("EOF while parsing a string"));
  }
  uint32_t n = 0;
  for (int i = 0; i < 4; ++i) {
    int h = hex_value(text_[pos_++]);
    if (h < 0) return err(error("invalid escape"));
    n = n << 4 | static_cast<uint32_t>(h);
  }
  return n;
}

Result<std::string_view, JsonError> Reader::raw_string() {
  ++pos_;  // the opening quote
  const std::size_t start = pos_;
  // Most strings have no escape: they stay a view into the text. Plain bytes
  // are passed over many at a time.
  while (true) {
    pos_ += plain_run(text_.data() + pos_, text_.size() - pos_);
    if (pos_ >= text_.size()) return err(error("EOF while parsing a string"));
    unsigned char c = static_cast<unsigned char>(text_[pos_]);
    if (c == '"') {
      ++pos_;
      return text_.substr(start, pos_ - 1 - start);
    }
    if (c == '\\') break;
    ++pos_;
    if (c < 0x20) return err(error("control character (\\u0000-\\u001F) found while parsing a string"));
  }
  scratch_.assign(text_.data() + start, pos_ - start);
  while (true) {
    if (pos_ >= text_.size()) return err(error("EOF while parsing a string"));
    unsigned char c = static_cast<unsigned char>(text_[pos_++]);
    if (c == '"') return std::string_view(scratch_);
    if (c < 0x20) return err(error("control character (\\u0000-\\u001F) found while parsing a string"));
    if (c != '\\') {
      scratch_.push_back(static_cast<char>(c));
      continue;
    }
    if (pos_ >= text_.size()) return err(error("EOF while parsing a string"));
    switch (text_[pos_++]) {
      case '"': scratch_.push_back('"'); break;
      case '\\': scratch_.push_back('\\'); break;
      case '/': scratch_.push_back('/'); break;
      case 'b': scratch_.push_back('\b'); break;
      case 'f': scratch_.push_back('\f'); break;
      case 'n': scratch_.push_back('\n'); break;
      case 'r': scratch_.push_back('\r'); break;
      case 't': scratch_.push_back('\t'); break;
      case 'u': {
        auto first = hex_escape();
        if (!first) return err(std::move(first).error());
        uint32_t cp = first.value();
        // A surrogate is valid only as the first half of a pair; a lone
        // half is refused rather than turned into invalid UTF-8.
        if (cp >= 0xDC00 && cp <= 0xDFFF) return err(error("lone leading surrogate in hex escape"));
        if (cp >= 0xD800 && cp <= 0xDBFF) {
          for (char want : {'\\', 'u'}) {
            if (pos_ >= text_.size()) return err(error("EOF while parsing a string"));
            if (text_[pos_++] != want) return err(error("unexpected end of hex escape"));
          }
          auto second = hex_escape();
          if (!second) return err(std::move(second).error());
          uint32_t low = second.value();
          if (low < 0xDC00 || low > 0xDFFF) return err(error("lone leading surrogate in hex escape"));
          cp = 0x10000 + ((cp - 0xD800) << 10) + (low - 0xDC00);
        }
        append_utf8(scratch_, cp);
        break;
      }
      default: return err(error("invalid escape"));
    }
  }
}

Result<std::string_view, JsonError> Reader::held_string(Arena& arena) {
  auto s = raw_string();
  if (!s) return s;
  std::string_view v = s.value();
  if (v.data() != scratch_.data() || v.empty()) return v;
  char* copy = arena.allocate_array<char>(v.size());
  std::copy(v.begin(), v.end(), copy);
  return std::string_view(copy, v.size());
}

// ---------------------------------------------------------------- scalars

Status Reader::literal(std::string_view word) {
  ++pos_;
  for (char want : word.substr(1)) {
    if (pos_ >= text_.size()) return err(error("EOF while parsing a value"));
    if (text_[pos_++] != want) return err(error("expected ident"));
  }
  return Ok{};
}

Status Reader::number(Value& out) {
  const std::size_t start = pos_;
  const bool negative = text_[pos_] == '-';
  if (negative) ++pos_;
  auto next_is_digit = [&] { return pos_ < text_.size() && is_digit(text_[pos_]); };
  if (pos_ >= text_.size()) return err(error("EOF while parsing a value"));
  char first = text_[pos_++];
  if (first == '0') {
    if (next_is_digit()) return err(peek_error("invalid number"));
  } else if (is_digit(first)) {
    while (next_is_digit()) ++pos_;
  } else {
    return err(error("invalid number"));
  }
  const std::size_t int_end = pos_;
  bool fractional = false;
  if (pos_ < text_.size() && text_[pos_] == '.') {
    fractional = true;
    ++pos_;
    if (!next_is_digit()) {
      return err(peek_error(pos_ < text_.size() ? "invalid number" : "EOF while parsing a value"));
    }
    while (next_is_digit()) ++pos_;
  }
  if (pos_ < text_.size() && (text_[pos_] == 'e' || text_[pos_] == 'E')) {
    fractional = true;
    ++pos_;
    if (pos_ < text_.size() && (text_[pos_] == '+' || text_[pos_] == '-')) ++pos_;
    if (pos_ >= text_.size()) return err(error("EOF while parsing a value"));
    if (!is_digit(text_[pos_++])) return err(error("invalid number"));
    while (next_is_digit()) ++pos_;
  }
  if (!fractional) {
    uint64_t mag = 0;
    bool fits = true;
    for (std::size_t i = start + (negative ? 1 : 0); i < int_end && fits; ++i) {
      unsigned digit = static_cast<unsigned>(text_[i] - '0');
      if (mag > (UINT64_MAX - digit) / 10) fits = false;
      mag = mag * 10 + digit;
    }
    if (fits && !negative) {
      out.kind = Kind::UInt;
      out.uint = mag;
      return Ok{};
    }
    // -0 and negatives below the signed range are read as floats.
    if (fits && mag != 0 && mag <= uint64_t{1} << 63) {
      out.kind = Kind::Int;
      out.int_ = static_cast<int64_t>(0 - mag);
      return Ok{};
    }
  }
  std::size_t len = pos_ - start;
  if (len > INT_MAX) return err(error("number out of range"));
  using double_conversion::StringToDoubleConverter;
  static const StringToDoubleConverter conv(StringToDoubleConverter::NO_FLAGS, 0.0, 0.0, nullptr, nullptr);
  int used = 0;
  double d = conv.StringToDouble(text_.data() + start, static_cast<int>(len), &used);
  // Past the double range the number is refused, never read as infinity.
  if (!std::isfinite(d)) return err(error("number out of range"));
  out.kind = Kind::Float;
  out.number = d;
  return Ok{};
}

Status Reader::scalar(Arena& arena, Value& out) {
  int c = peek();
  switch (c) {
    case 'n': out.kind = Kind::Null; return literal("null");
    case 't': out.kind = Kind::Bool; out.boolean = true; return literal("true");
    case 'f': out.kind = Kind::Bool; out.boolean = false; return literal("false");
    case '"': return string_value(arena, out);
    default:
      if (c == '-' || is_digit(c)) return number(out);
      if (c < 0) return err(peek_error("EOF while parsing a value"));
      return err(peek_error("expected value"));
  }
}

JsonError Reader::invalid_type(std::string_view want) {
  int c = peek();
  std::string found;
  if (c == '[') {
    found = "sequence";
  } else if (c == '{') {
    found = "map";
  } else {
    Arena arena;
    Value v;
    if (auto s = scalar(arena, v); !s) return std::move(s).error();
    found = describe(v);
  }
  return error("invalid type: " + found + ", expected " + std::string(want));
}

// ---------------------------------------------------------------- values

namespace {

template <class T>
const T* keep(Arena& arena, std::vector<T>& stack, std::size_t from) {
  std::size_t n = stack.size() - from;
  if (n == 0) return nullptr;
  T* dst = arena.allocate_array<T>(n);
  std::uninitialized_copy(stack.begin() + static_cast<std::ptrdiff_t>(from), stack.end(), dst);
  stack.resize(from);
  return dst;
}

}  // namespace

Result<Value, JsonError> Reader::value(Arena& arena) {
  Value out;
  int c = peek();
  if (c == '"') {
    // The commonest value, read here rather than through `scalar`.
    if (auto s = string_value(arena, out); !s) return err(std::move(s).error());
    return out;
  }
  if (c == '[') {
    if (auto o = open(); !o) return err(std::move(o).error());
    const std::size_t from = item_stack_.size();
    for (bool first = true;; first = false) {
      auto more = next_element(first);
      if (!more) return err(std::move(more).error());
      if (!more.value()) break;
      auto v = value(arena);
      if (!v) return v;
      item_stack_.push_back(v.value());
    }
    end_container();
    out.kind = Kind::Array;
    out.size = item_stack_.size() - from;
    out.items = keep(arena, item_stack_, from);
    return out;
  }
  if (c == '{') {
    if (auto o = open(); !o) return err(std::move(o).error());
    const std::size_t from = member_stack_.size();
    for (bool first = true;; first = false) {
      auto more = next_member(first);
      if (!more) return err(std::move(more).error());
      if (!more.value()) break;
      auto key = string(arena);
      if (!key) return err(std::move(key).error());
      if (auto s = colon(); !s) return err(std::move(s).error());
      auto v = value(arena);
      if (!v) return v;
      member_stack_.push_back({key.value(), v.value()});
    }
    end_container();
    out.kind = Kind::Object;
    out.size = member_stack_.size() - from;
    out.members = keep(arena, member_stack_, from);
    return out;
  }
  if (auto s = scalar(arena, out); !s) return err(std::move(s).error());
  return out;
}

Status Reader::skip(bool limited) {
  // The open containers, one byte each: a value skipped here may nest
  // without limit and without recursion.
  std::string open_brackets;
  Value ignored;
  while (true) {
    // A value starts here.
    int c = peek();
    bool opened = false;
    if (c == '[' || c == '{') {
      if (!limited) {
        ++pos_;
      } else if (auto o = open(); !o) {
        return o;
      }
      open_brackets.push_back(static_cast<char>(c));
      opened = true;
    } else if (c == '"') {
      if (auto s = raw_string(); !s) return err(std::move(s).error());
    } else {
      // Scalars other than strings never touch the arena.
      Arena none;
      if (auto s = scalar(none, ignored); !s) return s;
    }
    // Close what ends here, until another value is due.
    for (bool first = opened;; first = false) {
      if (open_brackets.empty()) return Ok{};
      if (open_brackets.back() == '[') {
        auto more = next_element(first);
        if (!more) return err(std::move(more).error());
        if (more.value()) break;
      } else {
        auto more = next_member(first);
        if (!more) return err(std::move(more).error());
        if (more.value()) {
          if (auto s = raw_string(); !s) return err(std::move(s).error());
          if (auto s = colon(); !s) return s;
          break;
        }
      }
      ++pos_;
      if (limited) close();
      open_brackets.pop_back();
    }
  }
}

Result<Parsed, JsonError> parse(std::string_view text) {
  Reader r(text);
  Parsed p;
  auto v = r.value(p.arena);
  if (!v) return err(std::move(v).error());
  if (auto s = r.end(); !s) return err(std::move(s).error());
  p.root = v.value();
  return p;
}

// ---------------------------------------------------------------- descriptions

namespace {

// The text between the quotes: quote, backslash and control characters escaped.
void append_debug_escaped(std::string& out, std::string_view s) {
  static constexpr char hex[] = "0123456789abcdef";
  for (std::size_t i = 0; i < s.size();) {
    const text::Decoded d = text::decode(s, i);
    const char32_t cp = d.cp;
    switch (cp) {
      case '"': out.append("\\\""); break;
      case '\\': out.append("\\\\"); break;
      case '\n': out.append("\\n"); break;
      case '\r': out.append("\\r"); break;
      case '\t': out.append("\\t"); break;
      case 0: out.append("\\0"); break;
      default:
        if (cp < 0x20 || (cp >= 0x7F && cp <= 0x9F)) {
          out.append("\\u{");
          if (cp >= 0x10) out.push_back(hex[cp >> 4]);
          out.push_back(hex[cp & 0xF]);
          out.push_back('}');
        } else {
          out.append(s.data() + i, d.len);
        }
    }
    i += d.len;
  }
}

}  // namespace

std::string describe(const Value& v) {
  switch (v.kind) {
    case Kind::Null: return "null";
    case Kind::Bool: return v.boolean ? "boolean `true`" : "boolean `false`";
    case Kind::UInt: return "integer `" + std::to_string(v.uint) + "`";
    case Kind::Int: return "integer `" + std::to_string(v.int_) + "`";
    case Kind::Float: {
      std::string out = "floating point `";
      append_plain_double(out, v.number);
      out.push_back('`');
      return out;
    }
    case Kind::String: {
      std::string out = "string \"";
      append_debug_escaped(out, v.str());
      out.push_back('"');
      return out;
    }
    case Kind::Array: return "sequence";
    case Kind::Object: return "map";
  }
  return {};
}

}  // namespace varn::json
