// Git statements: "git: verb args" with nested key-value lines.
#include "parse/handlers.hpp"
#include "parse/text.hpp"
#include "text/unicode.hpp"

namespace varn::parse {

std::optional<Node> parse_git(Parser& p, std::size_t, const Line& line) {
  ++p.pos;
  const std::string_view t = statement_value(line.content, "git:");
  const std::size_t verb = text::word_length(t);
  GitOp git;
  git.verb = std::string(t.substr(0, verb));
  // The args start after the one whitespace character that ends the verb.
  if (verb < t.size()) git.args = std::string(t.substr(verb + text::decode(t, verb).len));
  git.body = read_body_pairs(p, indentation(line.raw));
  return git;
}

}  // namespace varn::parse
