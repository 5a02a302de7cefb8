// The raw nested lines of an opener.
#include "parse/body.hpp"

#include "parse/text.hpp"
#include "text/unicode.hpp"

namespace varn::parse {

std::optional<Line> next_nested_line(Parser& p, std::size_t opener_indent) {
  while (p.pos < p.lines.size()) {
    const std::string_view raw = p.lines[p.pos];
    if (text::trim(raw).empty()) {
      ++p.pos;
      continue;
    }
    if (indentation(raw) <= opener_indent) break;
    ++p.pos;
    return read_line(raw);
  }
  return std::nullopt;
}

std::vector<std::string_view> collect_nested_lines(Parser& p, std::size_t opener_indent) {
  std::vector<std::string_view> lines;
  while (auto line = next_nested_line(p, opener_indent)) lines.push_back(line->content);
  return lines;
}

Pairs collect_nested_pairs(Parser& p, std::size_t opener_indent) {
  Pairs pairs;
  while (auto line = next_nested_line(p, opener_indent)) {
    if (auto kv = split_key_value(line->content)) pairs.push_back(std::move(*kv));
  }
  return pairs;
}

}  // namespace varn::parse
