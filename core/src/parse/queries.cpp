// Queries: a `query:` block whose body holds the expression and its clauses,
// or a one-line question "? ...".
#include "parse/handlers.hpp"
#include "parse/inline.hpp"
#include "parse/text.hpp"
#include "text/unicode.hpp"

namespace varn::parse {
namespace {

constexpr std::string_view kWhere = " where ";

void read_clause(std::string_view line, Query& q) {
  line = text::trim(line);
  if (line.size() <= 4) return;
  if (line.starts_with("sort:")) {
    q.sort = std::string(text::trim(line.substr(5)));
  } else if (line.size() >= 6 && line.starts_with("limit:")) {
    // An unreadable limit clears one set by an earlier line.
    q.limit = parse_u32(text::trim(line.substr(6)));
  } else if (line.size() >= 8 && line.starts_with("include:")) {
    q.include = collect_trimmed_pieces(line.substr(8), ",");
  }
}

}  // namespace

std::optional<Query> parse_query_expr(const std::vector<std::string_view>& lines) {
  if (lines.empty()) return std::nullopt;
  Query q;
  std::string_view e = lines.front();
  std::string joined;  // the expression with its snapshot clause taken out
  constexpr std::string_view kFromSnap = " from snap:";
  if (const std::size_t at = e.find(kFromSnap); at != std::string_view::npos) {
    const std::string_view s = text::trim(e.substr(at + kFromSnap.size()));
    if (const std::size_t where = s.find(kWhere); where != std::string_view::npos) {
      q.from_snapshot = std::string(text::trim(s.substr(0, where)));
      joined.append(e.substr(0, at)).append(kWhere).append(s.substr(where + kWhere.size()));
      e = joined;
    } else {
      q.from_snapshot = std::string(s);
      e = e.substr(0, at);
    }
  }
  const ScopePrefix scope = parse_scope_prefix(text::trim(e));
  q.mod_scope = scope.mod_scope;
  q.workspace_scope = scope.workspace_scope;
  std::string_view entity = scope.rest;
  if (const std::size_t where = entity.find(kWhere); where != std::string_view::npos) {
    q.filter = std::string(entity.substr(where + kWhere.size()));
    entity = entity.substr(0, where);
  }
  q.plural = entity.find("(s)") != std::string_view::npos;
  q.entity = q.plural ? std::string(text::trim(remove_all(entity, "(s)"))) : std::string(text::trim(entity));
  for (std::size_t i = 1; i < lines.size(); ++i) read_clause(lines[i], q);
  return q;
}

std::optional<Node> parse_query_line(Parser& p, std::size_t depth, const Line& line) {
  const std::size_t opener = p.pos++;
  const std::vector<std::string_view> body = read_body_lines(p, indentation(line.raw));
  if (auto q = parse_query_expr(body)) return *q;
  // Nothing below the line to query: keep it as the prose it reads as. Only
  // blank lines were passed over, so the walk may read them again.
  p.pos = opener;
  return build_prose(p, depth, line);
}

std::optional<Node> parse_query_shorthand(Parser& p, std::size_t, const Line& line) {
  ++p.pos;
  const std::string_view expr = statement_value(line.content, "? ");
  return *parse_query_expr({expr});  // one line always reads as a query
}

}  // namespace varn::parse
