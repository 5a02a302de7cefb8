#include "json/writer.hpp"

#include <double-conversion/double-conversion.h>

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>

namespace varn::json {

namespace {

// Pieces double in size up to this, then stay at it. Pieces this small come
// from the heap, where they reuse what the caller frees while it writes (the
// AST writer frees the tree as it goes).
constexpr std::size_t kLargestPiece = std::size_t{64} << 10;

// A line feed and the indentation of the deepest level written in one append.
constexpr std::size_t kIndentLevels = 64;
constexpr auto kIndent = [] {
  std::array<char, 1 + 2 * kIndentLevels> a{};
  a.fill(' ');
  a[0] = '\n';
  return a;
}();

// True when one of the eight bytes of `w` needs an escape: a control byte,
// '"' or '\\'. A borrow across bytes only follows a byte that is found.
constexpr bool needs_escape(std::uint64_t w) {
  constexpr std::uint64_t ones = 0x0101010101010101ull, high = 0x8080808080808080ull;
  auto has_zero_byte = [](std::uint64_t v) { return (v - ones) & ~v & high; };
  return (((w - ones * 0x20) & ~w & high) | has_zero_byte(w ^ (ones * '"')) | has_zero_byte(w ^ (ones * '\\'))) !=
         0;
}

}  // namespace

void Writer::next_piece(std::size_t n) {
  const std::size_t size = std::max(n, std::min(2 * out_.capacity(), kLargestPiece));
  done_size_ += out_.size();
  done_.push_back(std::move(out_));
  out_ = std::string();
  out_.reserve(size);
}

std::string Writer::take() {
  if (done_.empty()) return std::move(out_);
  std::string all;
  all.reserve(done_size_ + out_.size());
  for (std::string& piece : done_) {
    all.append(piece);
    std::string().swap(piece);
  }
  all.append(out_);
  done_.clear();
  done_size_ = 0;
  out_.clear();
  return all;
}

void Writer::newline_indent(std::size_t depth) {
  std::string& out = room(1 + 2 * depth);
  if (depth <= kIndentLevels) {
    out.append(kIndent.data(), 1 + 2 * depth);
  } else {
    out.push_back('\n');
    out.append(depth * 2, ' ');
  }
}

void Writer::before_value() {
  if (after_key_) {
    after_key_ = false;
    return;
  }
  if (frames_.empty()) return;
  Frame& f = frames_.back();
  if (!f.empty) room(1).push_back(',');
  f.empty = false;
  newline_indent(frames_.size());
}

void Writer::key(std::string_view name) {
  before_value();
  std::string& out = room(name.size() + 4);
  append_escaped(out, name);
  out.append(": ");
  after_key_ = true;
}

void Writer::open(char c) {
  before_value();
  room(1).push_back(c);
  frames_.push_back({});
}

void Writer::close(char c) {
  bool empty = frames_.back().empty;
  frames_.pop_back();
  if (!empty) newline_indent(frames_.size());
  room(1).push_back(c);
}

void Writer::string(std::string_view s) {
  before_value();
  append_escaped(room(s.size() + 2), s);
}

void Writer::integer(int64_t v) {
  before_value();
  char buf[24];
  auto r = std::to_chars(buf, buf + sizeof buf, v);
  room(sizeof buf).append(buf, r.ptr);
}

void Writer::unsigned_integer(uint64_t v) {
  before_value();
  char buf[24];
  auto r = std::to_chars(buf, buf + sizeof buf, v);
  room(sizeof buf).append(buf, r.ptr);
}

void Writer::number(double v) {
  before_value();
  append_double(room(32), v);
}

void Writer::boolean(bool b) {
  before_value();
  room(5).append(b ? "true" : "false");
}

void Writer::null() {
  before_value();
  room(4).append("null");
}

void append_escaped(std::string& out, std::string_view s) {
  static constexpr char hex[] = "0123456789abcdef";
  out.push_back('"');
  const char* const begin = s.data();
  const char* const end = begin + s.size();
  const char* run = begin;  // start of the pending run of bytes that need no escape
  const char* p = begin;
  while (p < end) {
    // Runs of plain bytes are skipped eight at a time.
    while (end - p >= 8) {
      std::uint64_t w;
      std::memcpy(&w, p, 8);
      if (needs_escape(w)) break;
      p += 8;
    }
    if (p == end) break;
    const unsigned char c = static_cast<unsigned char>(*p);
    if (c >= 0x20 && c != '"' && c != '\\') {
      ++p;
      continue;
    }
    out.append(run, p);
    run = ++p;
    switch (c) {
      case '"': out.append("\\\""); break;
      case '\\': out.append("\\\\"); break;
      case '\b': out.append("\\b"); break;
      case '\f': out.append("\\f"); break;
      case '\n': out.append("\\n"); break;
      case '\r': out.append("\\r"); break;
      case '\t': out.append("\\t"); break;
      default:
        out.append("\\u00");
        out.push_back(hex[c >> 4]);
        out.push_back(hex[c & 0xf]);
    }
  }
  out.append(run, end);
  out.push_back('"');
}

namespace {

// The shortest digits d1..dn of |v| and its exponent e (d1.d2...dn times ten to the e).
struct Digits {
  char text[double_conversion::DoubleToStringConverter::kBase10MaximalLength + 1];
  int n = 0;
  int e = 0;
};

Digits shortest_digits(double v) {
  using double_conversion::DoubleToStringConverter;
  Digits d;
  bool sign = false;
  int point = 0;  // the value is 0.d1d2...dn times ten to the power `point`
  DoubleToStringConverter::DoubleToAscii(std::fabs(v), DoubleToStringConverter::SHORTEST, 0, d.text,
                                         sizeof d.text, &sign, &d.n, &point);
  d.e = point - 1;
  return d;
}

// d1d2...dn in plain notation, ".0" when integral.
void append_plain(std::string& out, const Digits& d) {
  const int n = d.n, e = d.e;
  if (n - 1 <= e) {
    out.append(d.text, n);
    out.append(e - n + 1, '0');
    out.append(".0");
  } else if (e >= 0) {
    out.append(d.text, e + 1);
    out.push_back('.');
    out.append(d.text + e + 1, n - e - 1);
  } else {
    out.append("0.");
    out.append(-e - 1, '0');
    out.append(d.text, n);
  }
}

}  // namespace

void append_double(std::string& out, double v) {
  if (!std::isfinite(v)) {
    out.append("null");
    return;
  }
  if (std::signbit(v)) out.push_back('-');
  if (v == 0) {
    out.append("0.0");
    return;
  }
  const Digits d = shortest_digits(v);
  const int n = d.n, e = d.e;
  if (e >= -5 && e <= 15) {
    append_plain(out, d);
    return;
  }
  out.push_back(d.text[0]);
  if (n > 1) {
    out.push_back('.');
    out.append(d.text + 1, n - 1);
  }
  out.push_back('e');
  out.push_back(e >= 0 ? '+' : '-');
  char buf[8];
  auto r = std::to_chars(buf, buf + sizeof buf, e >= 0 ? e : -e);
  out.append(buf, r.ptr);
}

void append_plain_double(std::string& out, double v) {
  if (std::signbit(v)) out.push_back('-');
  if (v == 0) {
    out.append("0.0");
    return;
  }
  append_plain(out, shortest_digits(v));
}

}  // namespace varn::json
