#include "json/writer.hpp"

#include "memory/pages.hpp"

#include <double-conversion/double-conversion.h>

#include <algorithm>
#include <array>
#include <bit>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

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
// Indentations up to this many bytes (line feed included) are copied as one
// block of this fixed size, which compiles to a few stores; callers leave
// this much room beyond the indentation.
constexpr std::size_t kShortIndent = 32;

// Writes a line feed and the indentation of `depth` at `out`, which has room
// for 1 + 2 * depth + kShortIndent bytes, and returns the end.
char* indent(char* out, std::size_t depth) {
  const std::size_t n = 1 + 2 * depth;
  if (n <= kShortIndent) {
    std::memcpy(out, kIndent.data(), kShortIndent);
  } else if (depth <= kIndentLevels) {
    std::memcpy(out, kIndent.data(), n);
  } else {
    out[0] = '\n';
    std::memset(out + 1, ' ', n - 1);
  }
  return out + n;
}

constexpr bool is_plain(unsigned char c) { return c >= 0x20 && c != '"' && c != '\\'; }

// Copies the bytes from `p` that need no escape to `out`, up to the first
// byte that does or to `end`, and moves both past them. Whole blocks are
// copied before they are tested, so `out` needs room for the bytes left.
void copy_plain(const char*& p, const char* end, char*& out) {
#if defined(__SSE2__)
  while (end - p >= 16) {
    const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out), x);
    const __m128i quote = _mm_cmpeq_epi8(x, _mm_set1_epi8('"'));
    const __m128i backslash = _mm_cmpeq_epi8(x, _mm_set1_epi8('\\'));
    const __m128i control = _mm_cmpeq_epi8(_mm_max_epu8(x, _mm_set1_epi8(0x1f)), _mm_set1_epi8(0x1f));
    const auto found = static_cast<unsigned>(_mm_movemask_epi8(_mm_or_si128(_mm_or_si128(quote, backslash), control)));
    if (found != 0) {
      const int k = std::countr_zero(found);
      p += k;
      out += k;
      return;
    }
    p += 16;
    out += 16;
  }
#endif
  while (end - p >= 8) {
    const std::uint64_t w = load8(p);
    std::memcpy(out, &w, 8);
    if (const std::uint64_t found = escape_mask(w)) {
      // The bytes below stop at the first one that really needs an escape.
      const unsigned k = first_marked(found);
      p += k;
      out += k;
      break;
    }
    p += 8;
    out += 8;
  }
  while (p < end && is_plain(static_cast<unsigned char>(*p))) *out++ = *p++;
}

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
  const char* p = s.data();
  const char* const end = p + s.size();
  auto put2 = [&](char a, char b) {
    out[0] = a;
    out[1] = b;
    out += 2;
  };
  for (;;) {
    copy_plain(p, end, out);
    if (p == end) return out;
    const unsigned char c = static_cast<unsigned char>(*p++);
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
}

}  // namespace

Writer::Writer(TextSink sink) : sink_(std::move(sink)) { next_piece(kLargestPiece); }

void Writer::next_piece(std::size_t n) {
  const std::size_t written = written_in_piece();
  if (sink_) {
    if (written > 0) {
      done_size_ += written;
      sink_(std::string_view(piece_.text.get(), written));
    }
    // The piece is reused: its bytes are the sink's copy now, and memory
    // that is written again costs no fresh pages.
    if (piece_.size < n) {
      const std::size_t size = std::max(n, kLargestPiece);
      piece_ = Piece{std::unique_ptr<char[]>(new char[size]), size};
    }
    cur_ = piece_.text.get();
    end_ = cur_ + piece_.size;
    return;
  }
  const std::size_t size = std::max({n, std::size_t{128}, std::min(2 * piece_.size, kLargestPiece)});
  if (written > 0) {
    piece_.size = written;
    done_size_ += written;
    done_.push_back(std::move(piece_));
  }
  piece_ = Piece{std::unique_ptr<char[]>(new char[size]), size};
  cur_ = piece_.text.get();
  end_ = cur_ + size;
}

void Writer::flush() {
  if (sink_ && written_in_piece() > 0) next_piece(0);
}

std::string Writer::take() {
  std::string all;
  all.reserve(size());
  memory::advise_sequential_fill(all.data(), size());
  take_into(all);
  return all;
}

void Writer::take_into(std::string& out) {
  const std::size_t last = written_in_piece();
  for (Piece& piece : done_) {
    out.append(piece.text.get(), piece.size);
    piece.text.reset();
  }
  if (last > 0) out.append(piece_.text.get(), last);
  done_.clear();
  done_size_ = 0;
  piece_ = Piece{};
  cur_ = end_ = nullptr;
}

void Writer::put(std::string_view s) {
  std::memcpy(room(s.size()), s.data(), s.size());
  cur_ += s.size();
}

void Writer::put_escaped(std::string_view s) {
  put('"');
  while (!s.empty()) {
    // A segment ends at a character boundary, so that no piece of the text
    // ends inside a character.
    std::size_t n = std::min(s.size(), kEscapeSegment);
    if (n < s.size()) {
      std::size_t k = n;
      while (k > n - 4 && (static_cast<unsigned char>(s[k]) & 0xC0) == 0x80) --k;
      if ((static_cast<unsigned char>(s[k]) & 0xC0) != 0x80) n = k;
    }
    const std::string_view segment = s.substr(0, n);
    cur_ = escape(segment, room(kMaxEscapedPerByte * segment.size()));
    s.remove_prefix(segment.size());
  }
  put('"');
}

char* Writer::begin_value(std::size_t n) {
  if (after_key_) {
    after_key_ = false;
    return room(n);
  }
  if (frames_.empty()) return room(n);
  const std::size_t depth = frames_.size();
  char* out = room(2 + 2 * depth + kShortIndent + n);
  Frame& f = frames_.back();
  if (!f.empty) *out++ = ',';
  f.empty = false;
  return indent(out, depth);
}

void Writer::key(std::string_view name) {
  if (name.size() <= kEscapeSegment) {
    char* out = begin_value(4 + kMaxEscapedPerByte * name.size());
    *out++ = '"';
    out = escape(name, out);
    std::memcpy(out, "\": ", 3);
    cur_ = out + 3;
  } else {
    cur_ = begin_value(0);
    put_escaped(name);
    put(": ");
  }
  after_key_ = true;
}

void Writer::plain_key(std::string_view name) {
  char* out = begin_value(4 + name.size());
  *out++ = '"';
  std::memcpy(out, name.data(), name.size());
  out += name.size();
  std::memcpy(out, "\": ", 3);
  cur_ = out + 3;
  after_key_ = true;
}

void Writer::open(char c) {
  char* out = begin_value(1);
  *out = c;
  cur_ = out + 1;
  frames_.push_back({});
}

void Writer::close(char c) {
  const bool empty = frames_.back().empty;
  frames_.pop_back();
  if (empty) {
    put(c);
    return;
  }
  const std::size_t depth = frames_.size();
  char* out = indent(room(2 + 2 * depth + kShortIndent), depth);
  *out = c;
  cur_ = out + 1;
}

void Writer::string(std::string_view s) {
  if (s.size() <= kEscapeSegment) {
    char* out = begin_value(2 + kMaxEscapedPerByte * s.size());
    *out++ = '"';
    out = escape(s, out);
    *out = '"';
    cur_ = out + 1;
  } else {
    cur_ = begin_value(0);
    put_escaped(s);
  }
}

void Writer::plain_string(std::string_view s) {
  char* out = begin_value(2 + s.size());
  *out++ = '"';
  std::memcpy(out, s.data(), s.size());
  out += s.size();
  *out = '"';
  cur_ = out + 1;
}

void Writer::integer(int64_t v) {
  constexpr std::size_t kDigits = 24;
  char* out = begin_value(kDigits);
  cur_ = std::to_chars(out, out + kDigits, v).ptr;
}

void Writer::unsigned_integer(uint64_t v) {
  constexpr std::size_t kDigits = 24;
  char* out = begin_value(kDigits);
  cur_ = std::to_chars(out, out + kDigits, v).ptr;
}

void Writer::number(double v) {
  number_.clear();
  append_double(number_, v);
  char* out = begin_value(number_.size());
  std::memcpy(out, number_.data(), number_.size());
  cur_ = out + number_.size();
}

void Writer::boolean(bool b) {
  const std::string_view text = b ? "true" : "false";
  char* out = begin_value(text.size());
  std::memcpy(out, text.data(), text.size());
  cur_ = out + text.size();
}

void Writer::null() {
  char* out = begin_value(4);
  std::memcpy(out, "null", 4);
  cur_ = out + 4;
}

std::size_t escaped_size(std::string_view s) {
  std::size_t n = s.size();
  for (std::size_t i = plain_run(s.data(), s.size()); i < s.size(); i += 1 + plain_run(s.data() + i + 1, s.size() - i - 1)) {
    switch (s[i]) {
      case '"': case '\\': case '\b': case '\f': case '\n': case '\r': case '\t': n += 1; break;
      default: n += 5;  // \u00XX
    }
  }
  return n;
}

void Measure::unsigned_integer(uint64_t v) {
  std::size_t digits = 1;
  for (; v >= 10; v /= 10) ++digits;
  value(digits);
}

void Measure::value(std::size_t n) {
  if (after_key_) {
    after_key_ = false;
  } else if (!empty_.empty()) {
    // A comma after the member before, then a line feed and the indentation.
    add((empty_.back() ? 1 : 2) + 2 * empty_.size());
    empty_.back() = false;
  }
  add(n);
}

void Measure::close() {
  const bool empty = empty_.back();
  empty_.pop_back();
  add(empty ? 1 : 2 + 2 * empty_.size());
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
