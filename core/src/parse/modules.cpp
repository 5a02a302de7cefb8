// Modules: definitions ("mod:$name" and a block of key-value lines),
// invocations ("$name.method(args)") and use blocks ("use $mod", "use @entity
// from $mod as @alias").
#include "parse/handlers.hpp"
#include "parse/text.hpp"
#include "text/unicode.hpp"

namespace varn::parse {
namespace {

constexpr std::string_view kTripleQuote = "\"\"\"";

// The lines after an opening """ up to a closing """ line (consumed) or the
// end of the text, whatever their indentation; each trimmed, joined by line
// feeds, leading blank lines dropped.
std::string read_triple_quoted(Parser& p) {
  std::string value;
  while (p.pos < p.lines.size()) {
    const std::string_view line = text::trim(p.lines[p.pos++]);
    if (line == kTripleQuote) break;
    if (!value.empty()) value.push_back('\n');
    value.append(line);
  }
  return value;
}

}  // namespace

std::optional<Node> parse_mod_def(Parser& p, std::size_t, const Line& line) {
  ++p.pos;
  const std::string_view t = statement_value(line.content, "mod:$");
  ModDef m;
  m.versioned = t.find(":v") != std::string_view::npos;
  m.name = std::string(text::trim(remove_all(remove_all(t, " :v"), ":v")));

  while (auto body = next_body_line(p, indentation(line.raw))) {
    const std::string_view content = body->content;
    auto kv = split_key_value(content);
    if (!kv) {
      m.body.emplace_back("_", std::string(content));
      continue;
    }
    if (kv->second == kTripleQuote) kv->second = read_triple_quoted(p);
    m.body.push_back(std::move(*kv));
  }
  // The typed fields come from the first pair of their key; every pair also
  // stays in the body.
  if (const std::string* kind = first_value(m.body, "kind")) m.kind = *kind;
  if (const std::string* d = first_value(m.body, "description")) m.description = std::string(strip_quotes(*d));
  if (const std::string* trigger = first_value(m.body, "trigger")) m.trigger = collect_unquoted_pieces(*trigger, "/");
  return m;
}

ModInvoke parse_mod_invoke(std::string_view text) {
  const std::string_view r = strip_prefix_all(text, "$");
  ModInvoke m;
  std::string_view head = r;
  if (const std::size_t paren = r.find('('); paren != std::string_view::npos) {
    head = r.substr(0, paren);
    m.args = std::string(strip_suffix_all(strip_prefix_all(r.substr(paren), "("), ")"));
  }
  if (const std::size_t dot = head.find('.'); dot != std::string_view::npos) {
    m.name = std::string(head.substr(0, dot));
    m.method = std::string(head.substr(dot + 1));
  } else {
    m.name = std::string(head);
  }
  return m;
}

std::optional<Node> build_mod_invoke(Parser& p, std::size_t, const Line& line) {
  ++p.pos;
  return parse_mod_invoke(line.content);
}

std::optional<Node> parse_use_block(Parser& p, std::size_t, const Line& line) {
  ++p.pos;
  const std::string_view t = statement_value(line.content, "use ");
  UseBlock u;
  if (!t.starts_with('@')) {
    u.mod_name = std::string(t.substr(0, text::word_length(t)));
  } else if (const std::size_t from = t.find(" from "); from == std::string_view::npos) {
    u.entity = std::string(strip_prefix_all(text::trim(t), "@"));
    u.mod_name = std::string(t);
  } else {
    u.entity = std::string(strip_prefix_all(text::trim(t.substr(0, from)), "@"));
    const std::string_view s = text::trim(t.substr(from + 6));
    std::string_view source = s;
    if (const std::size_t as = s.find(" as @"); as != std::string_view::npos) {
      source = text::trim(s.substr(0, as));
      u.alias = std::string(text::trim(s.substr(as + 5)));
    }
    u.mod_name = std::string(source);
    constexpr std::string_view kWorkspace = "@workspace:";
    if (source.starts_with('$')) {
      u.from_mod = std::string(strip_prefix_all(source, "$"));
    } else if (source.starts_with(kWorkspace)) {
      u.from_workspace = std::string(source.substr(kWorkspace.size()));
    }
  }
  u.config = read_body_pairs(p, indentation(line.raw));
  return u;
}

}  // namespace varn::parse
