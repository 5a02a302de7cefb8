#include "json/writer.hpp"

#include <double-conversion/double-conversion.h>

#include <charconv>
#include <cmath>

namespace varn::json {

void Writer::newline_indent(std::size_t depth) {
  out_.push_back('\n');
  out_.append(depth * 2, ' ');
}

void Writer::before_value() {
  if (after_key_) {
    after_key_ = false;
    return;
  }
  if (frames_.empty()) return;
  Frame& f = frames_.back();
  if (!f.empty) out_.push_back(',');
  f.empty = false;
  newline_indent(frames_.size());
}

void Writer::key(std::string_view name) {
  before_value();
  append_escaped(out_, name);
  out_.append(": ");
  after_key_ = true;
}

void Writer::open(char c) {
  before_value();
  out_.push_back(c);
  frames_.push_back({});
}

void Writer::close(char c) {
  bool empty = frames_.back().empty;
  frames_.pop_back();
  if (!empty) newline_indent(frames_.size());
  out_.push_back(c);
}

void Writer::string(std::string_view s) {
  before_value();
  append_escaped(out_, s);
}

void Writer::integer(int64_t v) {
  before_value();
  char buf[24];
  auto r = std::to_chars(buf, buf + sizeof buf, v);
  out_.append(buf, r.ptr);
}

void Writer::unsigned_integer(uint64_t v) {
  before_value();
  char buf[24];
  auto r = std::to_chars(buf, buf + sizeof buf, v);
  out_.append(buf, r.ptr);
}

void Writer::number(double v) {
  before_value();
  append_double(out_, v);
}

void Writer::boolean(bool b) {
  before_value();
  out_.append(b ? "true" : "false");
}

void Writer::null() {
  before_value();
  out_.append("null");
}

void append_escaped(std::string& out, std::string_view s) {
  static constexpr char hex[] = "0123456789abcdef";
  out.push_back('"');
  std::size_t run = 0;  // start of the pending run of bytes that need no escape
  for (std::size_t i = 0; i < s.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(s[i]);
    if (c >= 0x20 && c != '"' && c != '\\') continue;
    out.append(s.data() + run, i - run);
    run = i + 1;
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
  out.append(s.data() + run, s.size() - run);
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
