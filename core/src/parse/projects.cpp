// Projects with their nested commands and serve settings, command lists,
// serve lines, and '%' project scopes.
#include <string>

#include "parse/handlers.hpp"
#include "parse/text.hpp"
#include "text/unicode.hpp"

namespace varn::parse {
namespace {

// Skips blank lines; then the trimmed line at `pos` when it is indented deeper
// than `opener_indent`, left unconsumed so that a nested block can read it.
std::optional<std::string_view> peek_body_line(Parser& p, std::size_t opener_indent) {
  while (p.pos < p.lines.size()) {
    const std::string_view raw = p.lines[p.pos];
    const std::string_view trimmed = text::trim(raw);
    if (!trimmed.empty()) {
      if (indentation(raw) <= opener_indent) break;
      return trimmed;
    }
    ++p.pos;
  }
  return std::nullopt;
}


bool is_blank(std::string_view raw) { return text::trim(raw).empty(); }

// Whether the line at `at` exists, is not blank and is not deeper than `indent`.
bool ends_block_at(const Parser& p, std::size_t at, std::size_t indent) {
  return at < p.lines.size() && !is_blank(p.lines[at]) && indentation(p.lines[at]) <= indent;
}

// The lines deeper than `indent` from `pos`, up to the first blank line or
// the first line that is not deeper, trimmed and joined by line feeds.
std::string read_text_block(Parser& p, std::size_t indent) {
  std::string out;
  bool first = true;
  while (p.pos < p.lines.size()) {
    const std::string_view raw = p.lines[p.pos];
    if (is_blank(raw) || indentation(raw) <= indent) break;
    ++p.pos;
    if (!first) out.push_back('\n');
    out.append(text::trim(raw));  // a "//" stays part of the text
    first = false;
  }
  return out;
}

// One "/name" entry and the settings lines deeper than it.
CommandEntry read_command_entry(Parser& p) {
  const std::string_view entry_line = p.lines[p.pos++];
  const std::size_t entry_indent = indentation(entry_line);
  CommandEntry entry;
  // The entry line is not cut at a comment: '/deploy // soon' is its name.
  entry.name = std::string(statement_value(text::trim(entry_line), "/"));
  while (p.pos < p.lines.size()) {
    const std::string_view raw = p.lines[p.pos];
    if (is_blank(raw) || indentation(raw) <= entry_indent) break;
    ++p.pos;
    auto kv = split_key_value(cut_trailing_comment(text::trim(raw)));
    if (!kv) continue;
    auto& [key, value] = *kv;
    if (key == "description") {
      entry.description = std::move(value);
    } else if (key == "params") {
      entry.params = collect_trimmed_strings(value, ",");
    } else if (key == "prompt") {
      entry.prompt = value == "|" ? read_text_block(p, indentation(raw)) : std::move(value);
    }
  }
  return entry;
}

bool opens_entry(std::string_view raw, std::size_t opener_indent) {
  return indentation(raw) > opener_indent && text::trim(raw).starts_with('/');
}

}  // namespace

CommandsDef read_commands(Parser& p, bool in_project) {
  const std::size_t opener_indent = indentation(p.lines[p.pos++]);
  CommandsDef commands;
  while (p.pos < p.lines.size()) {
    const std::string_view raw = p.lines[p.pos];
    if (is_blank(raw)) {
      ++p.pos;
      if (commands.commands.empty()) continue;
      // Inside a project a blank line between entries does not end the list
      // when another entry follows: the project block would otherwise read
      // the later entries as attribute lines and lose them.
      if (!in_project) break;
      std::size_t next = p.pos;
      while (next < p.lines.size() && is_blank(p.lines[next])) ++next;
      if (next < p.lines.size() && opens_entry(p.lines[next], opener_indent)) {
        p.pos = next;
        continue;
      }
      break;
    }
    if (!opens_entry(raw, opener_indent)) break;
    commands.commands.push_back(read_command_entry(p));
  }
  return commands;
}

ServeDef read_serve(Parser& p) {
  const std::string_view opener = p.lines[p.pos++];
  ServeDef serve;
  const std::string_view rest = strip_prefix_all(cut_trailing_comment(text::trim(opener)), "serve:");
  const std::size_t bar = rest.find('|');
  if (bar == std::string_view::npos) {
    serve.target = std::string(text::trim(rest));
  } else {
    serve.target = std::string(text::trim(rest.substr(0, bar)));
    const std::string_view after = rest.substr(bar + 1);
    serve.command = std::string(text::trim(after.substr(0, after.find('|'))));  // text after a second '|' is dropped
  }
  for (auto& [key, value] : read_body_pairs(p, indentation(opener))) {
    if (key == "port") serve.port = std::move(value);
    if (key == "open") serve.open = std::move(value);
  }
  return serve;
}

std::optional<Node> parse_project(Parser& p, std::size_t, const Line& line) {
  ++p.pos;
  const std::size_t opener_indent = indentation(line.raw);
  ProjectDef project;
  project.name = std::string(statement_value(line.content, "project:"));

  using Field = std::optional<std::string> ProjectDef::*;
  static constexpr std::pair<std::string_view, Field> kText[] = {
      {"heartbeat", &ProjectDef::heartbeat}, {"framework", &ProjectDef::framework},
      {"status", &ProjectDef::status},       {"phase", &ProjectDef::phase},
      {"routine", &ProjectDef::routine},     {"kpi", &ProjectDef::kpi},
      {"completion", &ProjectDef::completion}, {"inhibited_until", &ProjectDef::inhibited_until},
  };
  while (auto body_line = peek_body_line(p, opener_indent)) {
    const std::string_view trimmed = *body_line;
    if (trimmed.starts_with("commands:")) {
      project.commands = read_commands(p, true);
      continue;
    }
    if (trimmed.starts_with("serve:")) {
      project.serve = read_serve(p);
      continue;
    }
    ++p.pos;
    auto kv = split_key_value(cut_trailing_comment(trimmed));
    if (!kv) continue;
    auto& [key, value] = *kv;
    // A key given twice takes its last value; an unreadable number clears it.
    if (key == "brief") project.brief = std::move(value);
    if (key == "fitness") project.fitness = parse_f64(value);
    if (key == "pressure") project.pressure = parse_f64(value);
    for (const auto& [name, field] : kText) {
      if (key == name) project.*field = std::move(value);
    }
  }
  return project;
}

std::optional<Node> parse_commands(Parser& p, std::size_t, const Line&) { return read_commands(p, false); }

std::optional<Node> parse_serve(Parser& p, std::size_t, const Line&) { return read_serve(p); }

std::optional<Node> parse_project_scope(Parser& p, std::size_t depth, const Line& line) {
  ++p.pos;
  const std::size_t opener_indent = indentation(line.raw);
  ProjectScope scope;
  scope.name = std::string(text::trim(line.trimmed.substr(1)));  // the opener is not cut at a comment
  // Members sit one level deeper; past the nesting limit the scope takes
  // none and its lines fall to the enclosing block, as a block walk's would.
  if (depth + 1 > kMaxDepth) return scope;
  while (p.pos < p.lines.size()) {
    const std::string_view raw = p.lines[p.pos];
    const std::string_view trimmed = text::trim(raw);
    if (trimmed.size() >= 3 && trimmed.find_first_not_of('-') == std::string_view::npos) {
      ++p.pos;  // the closing line of dashes, at any indentation
      break;
    }
    if (trimmed.empty()) {
      ++p.pos;
      if (ends_block_at(p, p.pos, opener_indent)) break;
      continue;
    }
    if (indentation(raw) <= opener_indent) break;
    if (auto node = parse_node(p, depth + 1)) scope.children.push_back(std::move(*node));
  }
  return scope;
}

}  // namespace varn::parse
