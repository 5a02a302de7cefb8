// The parse entry and the indentation-driven block walk.
#include "parse/handlers.hpp"
#include "parse/parser.hpp"
#include "parse/text.hpp"
#include "text/unicode.hpp"
#include "varn/parse.hpp"

namespace varn {
namespace parse {

std::size_t indentation(std::string_view line) { return line.size() - text::trim_start(line).size(); }

Nodes parse_block(Parser& p, std::size_t min_indent, std::size_t depth) {
  Nodes nodes;
  // Past the limit the block is empty: its lines stay at `pos` and the
  // enclosing block takes them as its own members.
  if (depth > kMaxDepth) return nodes;
  while (p.pos < p.lines.size()) {
    std::string_view line = p.lines[p.pos];
    std::string_view rest = text::trim_start(line);
    if (text::trim_end(rest).empty()) {
      ++p.pos;
      continue;
    }
    if (line.size() - rest.size() < min_indent) break;
    if (auto node = parse_node(p, depth)) nodes.push_back(std::move(*node));
  }
  return nodes;
}

std::optional<Line> next_body_line(Parser& p, std::size_t opener_indent) {
  while (p.pos < p.lines.size()) {
    const Line line = read_line(p.lines[p.pos]);
    if (!line.trimmed.empty()) {
      if (indentation(line.raw) <= opener_indent) break;
      ++p.pos;
      return line;
    }
    ++p.pos;
  }
  return std::nullopt;
}

std::vector<std::string_view> read_body_lines(Parser& p, std::size_t opener_indent) {
  std::vector<std::string_view> body;
  while (auto line = next_body_line(p, opener_indent)) body.push_back(line->content);
  return body;
}

Pairs read_body_pairs(Parser& p, std::size_t opener_indent) {
  Pairs pairs;
  while (auto line = next_body_line(p, opener_indent)) {
    if (auto kv = split_key_value(line->content)) pairs.push_back(std::move(*kv));
  }
  return pairs;
}

}  // namespace parse

namespace {

// Every tab becomes four spaces, wherever it stands.
std::string expand_tabs(std::string_view source) {
  std::string out;
  out.reserve(source.size());
  std::size_t run = 0;
  for (std::size_t i = 0; i < source.size(); ++i) {
    if (source[i] != '\t') continue;
    out.append(source.data() + run, i - run);
    out.append(4, ' ');
    run = i + 1;
  }
  out.append(source.data() + run, source.size() - run);
  return out;
}

}  // namespace

Result<Document, ParseError> parse_source(std::string_view source) {
  // A text without tabs is read in place rather than copied.
  std::string expanded;
  if (source.find('\t') != std::string_view::npos) {
    expanded = expand_tabs(source);
    source = expanded;
  }
  parse::Parser p;
  p.lines = parse::split_lines(source);
  Nodes nodes = parse::parse_block(p, 0, 0);
  if (p.first_error) return err(std::move(*p.first_error));
  if (auto e = parse::lower_document(nodes)) return err(std::move(*e));
  return Document{std::move(nodes)};
}

}  // namespace varn
