#pragma once
// The raw nested lines of an opener: lines that the handler reads itself as
// key-value or item lines, never handing them to the dispatcher.
#include <cstddef>
#include <optional>
#include <string_view>
#include <vector>

#include "parse/parser.hpp"

namespace varn::parse {

// The next nested line below an opener indented by `opener_indent` bytes,
// consumed. Blank lines are skipped; the first non-blank line that is not
// indented deeper ends the nested lines and stays at `pos`.
std::optional<Line> next_nested_line(Parser& p, std::size_t opener_indent);

// Every nested line, as its `content` (trimmed, comment cut).
std::vector<std::string_view> collect_nested_lines(Parser& p, std::size_t opener_indent);

// The nested lines that hold a ':', split at the first one into a trimmed
// key and value; the other lines are dropped.
Pairs collect_nested_pairs(Parser& p, std::size_t opener_indent);

}  // namespace varn::parse
