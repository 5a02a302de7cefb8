// Automation definitions: webhooks, file scopes, path policies and gate blocks.
#include "parse/handlers.hpp"
#include "parse/inline.hpp"
#include "parse/text.hpp"
#include "text/unicode.hpp"

namespace varn::parse {
namespace {

// The text after the first `key` in `t`, if `t` holds it.
std::optional<std::string_view> after(std::string_view t, std::string_view key) {
  const std::size_t at = t.find(key);
  if (at == std::string_view::npos) return std::nullopt;
  return t.substr(at + key.size());
}

}  // namespace

std::optional<Node> parse_webhook(Parser& p, std::size_t, const Line& line) {
  ++p.pos;
  const std::string_view t = statement_value(line.content, "webhook:");
  // Each part is looked for in the whole line, whatever the order.
  Webhook w;
  if (auto on = after(t, "on:")) w.trigger = text_between_bars(*on);
  if (auto url = after(t, "url:")) {
    // The first word: white space inside the quotes comes before it.
    const std::string_view u = text::trim_start(strip_quotes(*url));
    w.url = std::string(u.substr(0, text::word_length(u)));
  }
  if (auto payload = after(t, "payload:")) w.payload = std::string(strip_quotes(*payload));
  return w;
}

std::optional<Node> parse_files(Parser& p, std::size_t, const Line& line) {
  ++p.pos;
  FilesDef files;
  for (std::string_view path : read_body_lines(p, indentation(line.raw))) {
    files.paths.emplace_back(path.starts_with('@') ? text::trim(path.substr(1)) : path);
  }
  return files;
}

std::optional<PolicyRule> parse_policy_rule(std::string_view content) {
  if (!content.starts_with('@')) return std::nullopt;
  content.remove_prefix(1);
  const std::size_t colon = content.find(':');
  if (colon == std::string_view::npos) return PolicyRule{std::string(text::trim(content)), {}};
  return PolicyRule{std::string(text::trim(content.substr(0, colon))),
                    extract_gates(text::trim(content.substr(colon + 1)))};
}

std::optional<Node> parse_policy(Parser& p, std::size_t, const Line& line) {
  ++p.pos;
  PolicyDef policy;
  while (auto body = next_body_line(p, indentation(line.raw))) {
    if (auto rule = parse_policy_rule(body->content)) {
      rule->line_start = p.lines.start(p.pos - 1);
      policy.rules.push_back(std::move(*rule));
    }
  }
  return policy;
}

std::optional<Node> parse_gate(Parser& p, std::size_t depth, const Line& line) {
  ++p.pos;
  // The name is read from the uncut line: a "//" in it is kept.
  GateDef gate;
  gate.name = std::string(statement_value(line.trimmed, "gate:"));
  gate.children = parse_block(p, indentation(line.raw) + 1, depth + 1);
  return gate;
}

}  // namespace varn::parse
