#include "json/writer.hpp"

#include <double-conversion/double-conversion.h>

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>

#include "json/bytes.hpp"

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

// The most bytes one input byte becomes: a control byte is written \u00XX.
constexpr std::size_t kMaxEscapedPerByte = 6;
// Texts are escaped in segments of this many bytes, so that a long text asks
// for bounded room.
constexpr std::size_t kEscapeSegment = 4096;

// Writes `s` as the inside of a JSON string literal at `out`, which has room
// for kMaxEscapedPerByte bytes per byte of `s`, and returns the end: the
// standard escapes, other control bytes as \u00XX, everything else byte for
// byte.
char* escape(std::string_view s, char* out) {
  static constexpr char hex[] = "0123456789abcdef";
  const char* const end = s.data() + s.size();
  const char* run = s.data();  // start of the pending run of bytes that need no escape
  const char* p = run;
  auto put2 = [&](char a, char b) {
    out[0] = a;
    out[1] = b;
    out += 2;
  };
  while (p < end) {
    // Runs of plain bytes are skipped eight at a time.
    while (end - p >= 8 && !needs_escape(load8(p))) p += 8;
    if (p == end) break;
    const unsigned char c = static_cast<unsigned char>(*p);
    if (c >= 0x20 && c != '"' && c != '\\') {
      ++p;
      continue;
    }
    std::memcpy(out, run, static_cast<std::size_t>(p - run));
    out += p - run;
    run = ++p;
    switch (c) {
      case '"': put2('\\', '"'); break;
      case '\\': put2('\\', '\\'); break;
      case '\b': put2('\\', 'b'); break;
      case '\f': put2('\\', 'f'); break;
      case '\n': put2('\\', 'n'); break;
      case '\r': put2('\\', 'r'); break;
      case '\t': put2('\\', 't'); break;
      default:
        std::memcpy(out, "\\u00", 4);
        out[4] = hex[c >> 4];
        out[5] = hex[c & 0xf];
        out += 6;
    }
  }
  std::memcpy(out, run, static_cast<std::size_t>(end - run));
  return out + (end - run);
}

}  // namespace

void Writer::next_piece(std::size_t n) {
  const std::size_t written = cur_ ? static_cast<std::size_t>(cur_ - piece_.data()) : 0;
  const std::size_t size = std::max({n, std::size_t{128}, std::min(2 * piece_.size(), kLargestPiece)});
  if (written > 0) {
    piece_.resize(written);
    done_size_ += written;
    done_.push_back(std::move(piece_));
  }
  piece_ = std::string();
  piece_.resize(size);
  cur_ = piece_.data();
  end_ = cur_ + size;
}

std::string Writer::take() {
  piece_.resize(static_cast<std::size_t>(cur_ - piece_.data()));
  std::string all;
  if (done_.empty()) {
    all = std::move(piece_);
  } else {
    all.reserve(done_size_ + piece_.size());
    for (std::string& piece : done_) {
      all.append(piece);
      std::string().swap(piece);
    }
    all.append(piece_);
    done_.clear();
    done_size_ = 0;
  }
  piece_ = std::string();
  cur_ = end_ = piece_.data();
  return all;
}

void Writer::put(std::string_view s) {
  std::memcpy(room(s.size()), s.data(), s.size());
  cur_ += s.size();
}

void Writer::put_escaped(std::string_view s) {
  put('"');
  while (!s.empty()) {
    const std::string_view segment = s.substr(0, kEscapeSegment);
    cur_ = escape(segment, room(kMaxEscapedPerByte * segment.size()));
    s.remove_prefix(segment.size());
  }
  put('"');
}

void Writer::newline_indent(std::size_t depth) {
  const std::size_t n = 1 + 2 * depth;
  char* out = room(n);
  if (depth <= kIndentLevels) {
    std::memcpy(out, kIndent.data(), n);
  } else {
    out[0] = '\n';
    std::memset(out + 1, ' ', n - 1);
  }
  cur_ += n;
}

void Writer::before_value() {
  if (after_key_) {
    after_key_ = false;
    return;
  }
  if (frames_.empty()) return;
  Frame& f = frames_.back();
  if (!f.empty) put(',');
  f.empty = false;
  newline_indent(frames_.size());
}

void Writer::key(std::string_view name) {
  before_value();
  put_escaped(name);
  put(": ");
  after_key_ = true;
}

void Writer::open(char c) {
  before_value();
  put(c);
  frames_.push_back({});
}

void Writer::close(char c) {
  bool empty = frames_.back().empty;
  frames_.pop_back();
  if (!empty) newline_indent(frames_.size());
  put(c);
}

void Writer::string(std::string_view s) {
  before_value();
  put_escaped(s);
}

void Writer::integer(int64_t v) {
  before_value();
  constexpr std::size_t kDigits = 24;
  char* out = room(kDigits);
  cur_ = std::to_chars(out, out + kDigits, v).ptr;
}

void Writer::unsigned_integer(uint64_t v) {
  before_value();
  constexpr std::size_t kDigits = 24;
  char* out = room(kDigits);
  cur_ = std::to_chars(out, out + kDigits, v).ptr;
}

void Writer::number(double v) {
  before_value();
  number_.clear();
  append_double(number_, v);
  put(number_);
}

void Writer::boolean(bool b) {
  before_value();
  put(b ? "true" : "false");
}

void Writer::null() {
  before_value();
  put("null");
}

void append_escaped(std::string& out, std::string_view s) {
  out.push_back('"');
  while (!s.empty()) {
    const std::string_view segment = s.substr(0, kEscapeSegment);
    const std::size_t start = out.size();
    out.resize(start + kMaxEscapedPerByte * segment.size());
    char* end = escape(segment, out.data() + start);
    out.resize(static_cast<std::size_t>(end - out.data()));
    s.remove_prefix(segment.size());
  }
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
