// Small text functions over borrowed UTF-8 text. Whitespace is Unicode
// White_Space; trimming goes through the shared unicode helpers.
#include "parse/text.hpp"

#include <double-conversion/double-conversion.h>

#include <algorithm>
#include <charconv>
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>

#include "text/unicode.hpp"

namespace varn::parse {
namespace {

// A byte that fails to decode comes back as a one-byte U+FFFD; a real U+FFFD
// takes three bytes, so the pair tells the two apart.
bool is_valid_utf8(std::string_view s) {
  for (std::size_t i = 0; i < s.size();) {
    const text::Decoded d = text::decode(s, i);
    if (d.cp == 0xFFFD && d.len == 1) return false;
    i += d.len;
  }
  return true;
}

// Whether the `len` bytes from the character boundary `at` end on a boundary.
bool ends_on_boundary(std::string_view s, std::size_t at, std::size_t len) {
  std::size_t i = at;
  while (i < at + len) i += text::decode(s, i).len;
  return i == at + len;
}

// Next match of `sep` at or after the character boundary `from`, on whole
// characters only. A valid UTF-8 separator can only match on character
// boundaries, so a plain byte search is exact for it; an invalid one (a stray
// byte) is matched character by character.
std::size_t find_separator(std::string_view s, std::string_view sep, std::size_t from, bool sep_valid) {
  if (sep_valid) return s.find(sep, from);
  for (std::size_t p = from; p < s.size(); p += text::decode(s, p).len) {
    if (s.compare(p, sep.size(), sep) == 0 && ends_on_boundary(s, p, sep.size())) return p;
  }
  return std::string_view::npos;
}

// Calls `f` on every piece of `s` split at `sep`: n separators give n + 1
// pieces, so an empty text is one empty piece. An empty separator does not
// split.
template <class F>
void for_each_piece(std::string_view s, std::string_view sep, F&& f) {
  if (sep.empty()) {
    f(s);
    return;
  }
  const bool sep_valid = is_valid_utf8(sep);
  std::size_t start = 0;
  for (;;) {
    const std::size_t p = find_separator(s, sep, start, sep_valid);
    if (p == std::string_view::npos) {
      f(s.substr(start));
      return;
    }
    f(s.substr(start, p - start));
    start = p + sep.size();
  }
}

}  // namespace

void LineCursor::next() {
  line_start_ = start_;
  if (start_ >= text_.size()) {
    done_ = true;
    line_ = {};
    return;
  }
  const std::size_t nl = text_.find('\n', start_);
  if (nl == std::string_view::npos) {
    // A carriage return without a line feed after it stays in the line.
    line_ = text_.substr(start_);
    start_ = text_.size();
    return;
  }
  std::size_t stop = nl;
  if (stop > start_ && text_[stop - 1] == '\r') --stop;
  line_ = text_.substr(start_, stop - start_);
  start_ = nl + 1;
}

std::size_t expanded_size(std::string_view line) {
  return line.size() + 3 * static_cast<std::size_t>(std::count(line.begin(), line.end(), '\t'));
}

void expand_tabs(std::string_view line, std::string& out) {
  out.clear();
  out.reserve(expanded_size(line));
  for (char c : line) {
    if (c == '\t') {
      out.append(4, ' ');
    } else {
      out.push_back(c);
    }
  }
}

std::string_view line_at(std::string_view text, std::size_t start, std::string& expanded) {
  const std::string_view line = LineCursor(text.substr(std::min(start, text.size()))).line();
  if (line.find('\t') == std::string_view::npos) return line;
  expand_tabs(line, expanded);
  return expanded;
}

std::vector<std::string_view> split_lines(std::string_view text) {
  std::vector<std::string_view> lines;
  // Counted first so that the list is allocated once at its final size.
  lines.reserve(static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n')) + 1);
  for (LineCursor c(text); !c.done(); c.next()) lines.push_back(c.line());
  return lines;
}

std::optional<std::pair<std::string, std::string>> split_key_value(std::string_view text) {
  const std::size_t colon = text.find(':');
  if (colon == std::string_view::npos) return std::nullopt;
  return std::pair{std::string(text::trim(text.substr(0, colon))), std::string(text::trim(text.substr(colon + 1)))};
}

Pairs collect_key_value_lines(const std::vector<std::string>& lines) {
  Pairs pairs;
  for (const std::string& line : lines) {
    if (auto kv = split_key_value(line)) pairs.push_back(std::move(*kv));
  }
  return pairs;
}

const std::string* first_value(const Pairs& pairs, std::string_view key) {
  for (const auto& [k, v] : pairs) {
    if (k == key) return &v;
  }
  return nullptr;
}

bool is_checkbox_line(std::string_view text) {
  text = strip_leading(strip_leading(text, '+'), '-');
  return !text.empty() && text.front() == '[' && text.find(']', 1) != std::string_view::npos;
}

bool has_non_identifier_char(std::string_view text) {
  for (std::size_t i = 0; i < text.size();) {
    const text::Decoded d = text::decode(text, i);
    if (d.cp != '_' && !text::is_alphanumeric(d.cp)) return true;
    i += d.len;
  }
  return false;
}

bool has_non_digit(std::string_view text) {
  for (const char c : text) {
    if (c < '0' || c > '9') return true;
  }
  return false;
}

std::optional<uint32_t> parse_u32(std::string_view text) {
  if (!text.empty() && text.front() == '+') text.remove_prefix(1);
  if (text.empty()) return std::nullopt;
  uint64_t value = 0;
  for (const char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    value = value * 10 + static_cast<uint64_t>(c - '0');
    // Checked per digit, so the accumulator itself never overflows.
    if (value > std::numeric_limits<uint32_t>::max()) return std::nullopt;
  }
  return static_cast<uint32_t>(value);
}

std::string_view strip_prefix_all(std::string_view text, std::string_view prefix) {
  if (prefix.empty()) return text;
  while (text.starts_with(prefix)) text.remove_prefix(prefix.size());
  return text;
}

std::string_view strip_suffix_all(std::string_view text, std::string_view suffix) {
  if (suffix.empty()) return text;
  while (text.ends_with(suffix)) text.remove_suffix(suffix.size());
  return text;
}

std::string_view strip_surrounding(std::string_view text, std::string_view edge) {
  return strip_suffix_all(strip_prefix_all(text, edge), edge);
}

std::optional<double> parse_f64(std::string_view text) {
  bool negative = false;
  if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
    negative = text.front() == '-';
    text.remove_prefix(1);
  }
  const auto sign = [&](double v) { return negative ? -v : v; };
  const auto is = [&](std::string_view word) {
    return text.size() == word.size() && std::equal(text.begin(), text.end(), word.begin(), [](char a, char b) {
             return (a >= 'A' && a <= 'Z' ? a - 'A' + 'a' : a) == b;
           });
  };
  if (is("inf") || is("infinity")) return sign(std::numeric_limits<double>::infinity());
  if (is("nan")) return std::numeric_limits<double>::quiet_NaN();

  // The grammar is checked here, so that the conversion below sees only a
  // plain decimal: digits, an optional '.' and digits (one digit at least),
  // then an optional exponent with at least one digit.
  std::size_t i = 0;
  const auto skip_digits = [&] {
    const std::size_t from = i;
    while (i < text.size() && text[i] >= '0' && text[i] <= '9') ++i;
    return i - from;
  };
  std::size_t digits = skip_digits();
  if (i < text.size() && text[i] == '.') {
    ++i;
    digits += skip_digits();
  }
  if (digits == 0) return std::nullopt;
  if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
    ++i;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
    if (skip_digits() == 0) return std::nullopt;
  }
  if (i != text.size() || text.size() > static_cast<std::size_t>(std::numeric_limits<int>::max())) return std::nullopt;

  // The converter rounds to the nearest double and gives infinity or zero
  // past the ends of the range.
  using double_conversion::StringToDoubleConverter;
  static const StringToDoubleConverter converter(StringToDoubleConverter::NO_FLAGS, 0.0,
                                                 std::numeric_limits<double>::quiet_NaN(), nullptr, nullptr);
  int used = 0;
  const double value = converter.StringToDouble(text.data(), static_cast<int>(text.size()), &used);
  if (used != static_cast<int>(text.size()) || std::isnan(value)) return std::nullopt;
  return sign(value);
}

std::string_view strip_quotes(std::string_view text) { return strip_trailing(strip_leading(text::trim(text), '"'), '"'); }

std::string_view statement_value(std::string_view text, std::string_view prefix) {
  return text::trim(strip_prefix_all(text, prefix));
}

std::optional<std::string_view> between_marks(std::string_view text, std::string_view mark) {
  if (text.size() < 2 * mark.size() || !text.starts_with(mark) || !text.ends_with(mark)) return std::nullopt;
  return text.substr(mark.size(), text.size() - 2 * mark.size());
}

std::string_view strip_leading(std::string_view s, char c) {
  while (!s.empty() && s.front() == c) s.remove_prefix(1);
  return s;
}

std::string_view strip_trailing(std::string_view s, char c) {
  while (!s.empty() && s.back() == c) s.remove_suffix(1);
  return s;
}

std::string_view strip_surrounding(std::string_view text, char c) { return strip_surrounding(text, std::string_view(&c, 1)); }

std::string remove_all(std::string_view text, std::string_view part) {
  if (part.empty()) return std::string(text);
  std::string out;
  out.reserve(text.size());
  std::size_t from = 0;
  for (std::size_t at = text.find(part); at != std::string_view::npos; at = text.find(part, from)) {
    out.append(text.substr(from, at - from));
    from = at + part.size();
  }
  out.append(text.substr(from));
  return out;
}

Strings collect_trimmed_strings(std::string_view text, std::string_view sep) {
  Strings out;
  for_each_piece(text, sep, [&](std::string_view piece) {
    piece = text::trim(piece);
    if (!piece.empty()) out.emplace_back(piece);
  });
  return out;
}

Strings collect_trimmed_pieces(std::string_view text, std::string_view sep) {
  Strings out;
  for_each_piece(text, sep, [&](std::string_view piece) { out.emplace_back(text::trim(piece)); });
  return out;
}

Strings collect_unquoted_pieces(std::string_view text, std::string_view sep) {
  Strings out;
  for_each_piece(text, sep, [&](std::string_view piece) {
    out.emplace_back(strip_quotes(piece));
  });
  return out;
}

Strings collect_atom_names(std::string_view text, std::string_view sep) {
  Strings out;
  for_each_piece(text, sep, [&](std::string_view piece) { out.emplace_back(strip_leading(text::trim(piece), ':')); });
  return out;
}

Strings collect_labels(std::string_view text, std::string_view sep) {
  Strings out;
  for_each_piece(text, sep, [&](std::string_view piece) {
    // A piece that is only colons is as empty as a blank one.
    piece = strip_leading(text::trim(piece), ':');
    if (!piece.empty()) out.emplace_back(piece);
  });
  return out;
}

std::vector<std::string_view> collect_str_pieces(std::string_view text, std::string_view sep) {
  std::vector<std::string_view> out;
  for_each_piece(text, sep, [&](std::string_view piece) { out.push_back(piece); });
  return out;
}

std::vector<std::string_view> collect_first_two(std::string_view text) {
  const std::size_t colon = text.find(':');
  if (colon == std::string_view::npos) return {text};
  return {text.substr(0, colon), text.substr(colon + 1)};
}

Strings format_atom_names(const Strings& names) {
  return map_each(names, [](const std::string& name) { return ":" + name; });
}

Strings quote_each_string(const Strings& items) {
  return map_each(items, [](const std::string& item) { return '"' + item + '"'; });
}

std::vector<std::pair<Strings, Strings>> collect_flow_edge_endpoints(const std::vector<FlowEdge>& edges) {
  return map_each(edges, [](const FlowEdge& e) { return std::pair{e.from, e.to}; });
}

std::vector<std::pair<std::string, Strings>> collect_policy_rules(const std::vector<PolicyRule>& rules) {
  return map_each(rules, [](const PolicyRule& r) { return std::pair{r.path, collect_record_names(r.gates)}; });
}

}  // namespace varn::parse
