// The one-line statements that the dispatcher builds itself, and the prose
// fallback for every line no rule claims.
#include "parse/handlers.hpp"
#include "parse/inline.hpp"
#include "parse/text.hpp"
#include "text/unicode.hpp"

namespace varn::parse {
namespace {

// The text before and after the first `sep`, or none when there is none.
std::optional<std::pair<std::string_view, std::string_view>> split_once(std::string_view s, std::string_view sep) {
  const std::size_t at = s.find(sep);
  if (at == std::string_view::npos) return std::nullopt;
  return std::pair{s.substr(0, at), s.substr(at + sep.size())};
}

// A statement's target and the option after `keyword`, both trimmed; without
// the keyword the whole text is the target.
struct TargetOption {
  std::string target;
  std::optional<std::string_view> option;
};

TargetOption target_and_option(std::string_view rest, std::string_view keyword) {
  auto parts = split_once(rest, keyword);
  if (!parts) return {std::string(rest), std::nullopt};
  return {std::string(text::trim(parts->first)), text::trim(parts->second)};
}

}  // namespace

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

std::optional<Node> build_delete(Parser& p, std::size_t, const Line& line) {
  ++p.pos;
  ScopePrefix scope = parse_scope_prefix(strip_prefix_all(line.content, "delete:"));
  const auto parts = collect_first_two(scope.rest);
  Delete d;
  d.entity = std::string(parts[0]);
  if (parts.size() > 1) d.id = std::string(parts[1]);
  d.mod_scope = std::move(scope.mod_scope);
  d.workspace_scope = std::move(scope.workspace_scope);
  return d;
}

std::optional<Node> build_mod_line(Parser& p, std::size_t, const Line& line) {
  ++p.pos;
  const std::string_view rest = line.content.substr(4);  // after "mod:"
  ModInvoke m;
  if (auto parts = split_once(rest, " ")) {
    m.method = std::string(parts->first);
    m.args = std::string(text::trim(parts->second));
    // The line form names no module; the arguments stand in for it.
    m.name = *m.args;
  } else {
    m.method = std::string(rest);
  }
  return m;
}

std::optional<Node> build_snap(Parser& p, std::size_t, const Line& line) {
  ++p.pos;
  return Snap{std::string(strip_quotes(statement_value(line.content, "snap:")))};
}

std::optional<Node> build_diff(Parser& p, std::size_t, const Line& line) {
  ++p.pos;
  auto [target, snapshot] = target_and_option(statement_value(line.content, "diff:"), " from snap:");
  Diff d{std::move(target), std::nullopt};
  if (snapshot) d.from_snapshot = std::string(*snapshot);
  return d;
}

std::optional<Node> build_history(Parser& p, std::size_t, const Line& line) {
  ++p.pos;
  auto [target, limit] = target_and_option(statement_value(line.content, "history:"), "limit:");
  return HistoryOp{std::move(target), limit ? parse_u32(*limit) : std::nullopt};
}

std::optional<Node> build_status(Parser& p, std::size_t, const Line& line) {
  ++p.pos;
  return StatusDef{collect_unquoted_pieces(statement_value(line.content, "status:"), "/")};
}

std::optional<Node> build_bold(Parser& p, std::size_t, const Line& line) {
  ++p.pos;
  // The rule guarantees "**" at both ends and at least one byte between.
  return Bold{std::string(line.content.substr(2, line.content.size() - 4))};
}

std::optional<Node> build_remember(Parser& p, std::size_t, const Line& line) {
  ++p.pos;
  return Remember{std::string(strip_quotes(statement_value(line.content, "remember:")))};
}

std::optional<Node> build_recall(Parser& p, std::size_t, const Line& line) {
  ++p.pos;
  return RecallOp{std::string(strip_quotes(statement_value(line.content, "recall:")))};
}

std::optional<Node> build_embed(Parser& p, std::size_t, const Line& line) {
  ++p.pos;
  return EmbedMarker{std::string(text::trim(line.content.substr(1)))};
}

std::optional<Node> build_escalate(Parser& p, std::size_t, const Line& line) {
  ++p.pos;
  return Escalate{std::string(statement_value(line.content, "escalate:"))};
}

std::optional<Node> build_routine(Parser& p, std::size_t, const Line& line) {
  ++p.pos;
  const std::string_view rest = statement_value(line.content, "routine:");
  const std::size_t bar = rest.find('|');
  if (bar == std::string_view::npos) return Routine{std::string(rest), ""};
  return Routine{std::string(text::trim(strip_suffix_all(rest.substr(0, bar), ":"))),
                 text_between_bars(rest.substr(bar))};
}

std::optional<Node> build_prose(Parser& p, std::size_t, const Line& line) {
  ++p.pos;
  // The text keeps a trailing comment; spans come from the cut text only.
  return Prose{std::string(line.trimmed), parse_inline(line.content, p.spans)};
}

}  // namespace varn::parse
