#pragma once
// Small text functions shared by the parser, the writers, the conversions and
// the index. Whitespace is Unicode White_Space throughout.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>
#include <vector>

#include "varn/model.hpp"

namespace varn::parse {

// Gives back the room a list grew beyond its items. Only a short list is
// copied to fit: a long one keeps its room (a quarter of it on average),
// as its copy would hold it twice at once.
template <class T>
void drop_slack(std::vector<T>& list) {
  constexpr std::size_t kLong = 1024;
  if (list.capacity() > list.size() && list.size() < kLong) list.shrink_to_fit();
}

// Lines of a text: split at '\n', a '\r' right before it dropped, no empty
// last line after a final '\n'. The views borrow from `text`.
std::vector<std::string_view> split_lines(std::string_view text);

// The same lines one at a time, for a reader that only moves forward and
// need not hold a table of them.
class LineCursor {
 public:
  LineCursor() : done_(true) {}
  explicit LineCursor(std::string_view text) : text_(text) { next(); }
  bool done() const { return done_; }
  std::string_view line() const { return line_; }
  // Where the current line starts in the text (its size when done).
  std::size_t line_start() const { return line_start_; }
  // Moves to the following line, if any.
  void next();

 private:
  std::string_view text_;
  std::size_t start_ = 0;
  std::size_t line_start_ = 0;
  std::string_view line_;
  bool done_ = false;
};

// The length of `line` once each tab is four spaces.
std::size_t expanded_size(std::string_view line);
// `line` with every tab written as four spaces, as the parser reads it, into `out`.
void expand_tabs(std::string_view line, std::string& out);
// The line of `text` that starts at byte `start`, as the parser reads it: up
// to its line feed, a carriage return before that dropped, tabs expanded
// (into `expanded`, when the line holds one).
std::string_view line_at(std::string_view text, std::size_t start, std::string& expanded);

// Splits at the first ':' into a trimmed key and a trimmed value.
std::optional<std::pair<std::string, std::string>> split_key_value(std::string_view text);
Pairs collect_key_value_lines(const std::vector<std::string>& lines);
// The value of the first pair with `key`, or null.
const std::string* first_value(const Pairs& pairs, std::string_view key);

// After leading '+' then leading '-', starts with '[' and has a ']' after it.
bool is_checkbox_line(std::string_view text);
// Some character is neither '_' nor alphanumeric.
bool has_non_identifier_char(std::string_view text);
// Some byte is not an ASCII digit (false for the empty text).
bool has_non_digit(std::string_view text);
// An unsigned decimal number that fits in four bytes, one leading '+' allowed.
std::optional<uint32_t> parse_u32(std::string_view text);

// Removes every leading repetition of `prefix`.
std::string_view strip_prefix_all(std::string_view text, std::string_view prefix);
// Removes every trailing repetition of `suffix`.
std::string_view strip_suffix_all(std::string_view text, std::string_view suffix);
// Removes every repetition of `edge` from both ends.
std::string_view strip_surrounding(std::string_view text, std::string_view edge);

// A decimal floating-point number: optional sign, digits with an optional
// fraction and exponent, or "inf", "infinity", "nan" in any letter case.
// Too large a value reads as infinity, too small a one as zero.
std::optional<double> parse_f64(std::string_view text);
// Trimmed, then without every leading and every trailing '"'.
std::string_view strip_quotes(std::string_view text);
// The text after the first `prefix` repetitions are removed, trimmed: the
// value of a one-line statement such as "snap: name".
std::string_view statement_value(std::string_view text, std::string_view prefix);
// The text with every occurrence of `part` removed, in one pass from the left.
std::string remove_all(std::string_view text, std::string_view part);

// The text between an opening and a closing `mark` that do not overlap:
// `text` starts and ends with `mark` and is at least twice its length.
std::optional<std::string_view> between_marks(std::string_view text, std::string_view mark);
// Remove every leading, every trailing, or every leading and every trailing `c`.
std::string_view strip_leading(std::string_view text, char c);
std::string_view strip_trailing(std::string_view text, char c);
std::string_view strip_surrounding(std::string_view text, char c);
// The text with every occurrence of `part` removed, in one pass from the left.
std::string remove_all(std::string_view text, std::string_view part);

// Split-and-collect: each splits `text` at every `sep` and treats the pieces
// as its name says.
Strings collect_trimmed_strings(std::string_view text, std::string_view sep);  // trimmed, empty dropped
Strings collect_trimmed_pieces(std::string_view text, std::string_view sep);   // trimmed, empty kept
Strings collect_unquoted_pieces(std::string_view text, std::string_view sep);  // trimmed, '"' stripped, kept
Strings collect_atom_names(std::string_view text, std::string_view sep);       // trimmed, ':' stripped, kept
Strings collect_labels(std::string_view text, std::string_view sep);           // trimmed, ':' stripped, dropped
std::vector<std::string_view> collect_str_pieces(std::string_view text, std::string_view sep);
std::vector<std::string_view> collect_first_two(std::string_view text);  // at the first ':' only

// Mapping helpers for the writers and the index: one value per item, in order.
template <class T, class F>
auto map_each(const std::vector<T>& items, F f) {
  std::vector<std::decay_t<decltype(f(items.front()))>> out;
  out.reserve(items.size());
  for (const T& item : items) out.push_back(f(item));
  return out;
}

Strings format_atom_names(const Strings& names);  // ":" + name
Strings quote_each_string(const Strings& items);  // '"' + item + '"'

// The `name` of each `Atom` or `Gate`.
template <class R>
Strings collect_record_names(const std::vector<R>& records) {
  return map_each(records, [](const R& r) { return r.name; });
}

// (from, to) of each edge.
std::vector<std::pair<Strings, Strings>> collect_flow_edge_endpoints(const std::vector<FlowEdge>& edges);
// (path, gate names) of each rule.
std::vector<std::pair<std::string, Strings>> collect_policy_rules(const std::vector<PolicyRule>& rules);

}  // namespace varn::parse
