#pragma once
// The inline scanner and the small text operations the construct handlers share.
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "varn/model.hpp"
#include "varn/parse.hpp"

namespace varn::parse {

// Splits a line of free text into spans; every character lands in a span.
// With `keep` Refs only the references are kept (the other spans are still
// read, as they decide where a reference may start), with None nothing is.
Inlines parse_inline(std::string_view text, Spans keep = Spans::All);

// The reference at the start of `text` (its first character is '@'): the
// `Ref` and the number of bytes it used, the '@' included.
std::pair<Ref, std::size_t> parse_ref(std::string_view text);

// Byte position of the '}' matching the '{' at `open`, if any.
std::optional<std::size_t> find_matching_brace(std::string_view text, std::size_t open);

// Calls `gate(open, close)` for the byte positions of each balanced brace
// group of `text`, left to right, up to the first '{' that does not close
// (after which no gate is read). Returns where the text after the last group
// starts, or npos when a call returned false.
template <class GateFn>
std::size_t visit_gate_spans(std::string_view text, GateFn&& gate) {
  std::size_t from = 0;
  for (;;) {
    const std::size_t open = text.find('{', from);
    if (open == std::string_view::npos) return from;
    const auto close = find_matching_brace(text, open);
    if (!close) return from;
    if (!gate(open, *close)) return std::string_view::npos;
    from = *close + 1;
  }
}

// One `Gate` per balanced brace group: name is the first word, body the rest.
std::vector<Gate> extract_gates(std::string_view text);
// The text with every balanced brace group removed (not trimmed).
std::string strip_gates(std::string_view text);

// Trimmed, without one pair of surrounding double quotes.
std::string unquote(std::string_view text);
// The text between the first two '|', or the whole text.
std::string text_between_bars(std::string_view text);

struct ScopePrefix {
  std::optional<std::string> mod_scope;
  std::optional<std::string> workspace_scope;
  std::string_view rest;
};
ScopePrefix parse_scope_prefix(std::string_view text);

}  // namespace varn::parse
