// The one-line statements that the dispatcher builds itself, and the prose
// fallback for every line no rule claims.
#include "parse/handlers.hpp"
#include "parse/inline.hpp"
#include "parse/text.hpp"
#include "text/unicode.hpp"

namespace varn::parse {

std::optional<Node> build_comment(Parser& p, std::size_t, const Line& line) {
  ++p.pos;
  // The whole trimmed line: a later "//" is part of the comment's text.
  return Comment{std::string(text::trim(strip_prefix_all(line.trimmed, "//")))};
}

std::optional<Node> build_divider(Parser& p, std::size_t, const Line&) {
  ++p.pos;
  return Divider{};
}

std::optional<Node> build_spawn(Parser& p, std::size_t, const Line& line) {
  ++p.pos;
  return line.content == "++" ? SpawnMode::Sequential : SpawnMode::Parallel;
}

std::optional<Node> build_prose(Parser& p, std::size_t, const Line& line) {
  ++p.pos;
  // The text keeps a trailing comment; spans come from the cut text only.
  return Prose{std::string(line.trimmed), parse_inline(line.content)};
}

}  // namespace varn::parse
