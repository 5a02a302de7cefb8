// Data statements: define, mutate, delete and query.
#include "write/heads.hpp"
#include "write/placing.hpp"
#include "write/read_back.hpp"
#include "write/webhook.hpp"
#include "render/writers.hpp"
#include "text/unicode.hpp"

namespace varn::render {

using write::append_target;

void write(const Define& d, std::size_t depth, LineSink& out) {
  out.line(depth, write::define_line(d));
  field_lines(out, depth, d.fields);
  out.blank();
}

void write(const Mutate& m, std::size_t depth, LineSink& out) {
  std::string head = "mutate:";
  // The spaces that end the entity of a gated mutation stood before the gate,
  // and are left out with it.
  std::string_view entity = m.entity;
  if (m.gate) entity = entity.substr(0, entity.find_last_not_of(' ') + 1);
  append_target(head, entity, m.mod_scope, m.workspace_scope);
  // Whitespace at the end of the line is trimmed, but not before an id's
  // colon: an entity ending in some gets the colon with no id after it.
  if (m.id || text::trim_end(entity).size() != entity.size()) head.append(":");
  if (m.id) head.append(*m.id);
  // Where the id's "//" needs the gate's bars or quotes, the gate goes in.
  out.line(depth, write::mutate_head(std::move(head), m, false));
  // In a batch, the pairs read before the first record are kept in `fields`;
  // they go back before the records.
  pair_lines(out, depth, "    ", m.fields);
  if (m.batch) {
    for (const BatchRecord& r : *m.batch) {
      for (std::size_t i = 0; i < r.fields.size(); ++i) out.line(depth + 1, write::batch_field_line(r, i, ":"));
    }
  }
  out.blank();
}

void write(const Delete& d, std::size_t depth, LineSink& out) {
  std::string& line = out.open(depth);
  line.append("delete:");
  append_target(line, d.entity, d.mod_scope, d.workspace_scope);
  line.append(":").append(d.id);
  out.close();
}

namespace {

// The query expression: target, plural mark, snapshot and filter.
void append_query_expr(std::string& line, const Query& q) {
  // An entity of its own that starts with '@' or '$' would lose it to the
  // scope prefix: the '@' of the target form goes before it; so too before
  // an empty one, which would leave the clause after it at the line's start.
  const std::string entity = write::query_entity_text(q.entity, q.plural);
  const bool clause_first = entity.empty() && (q.filter || q.from_snapshot);
  if (q.mod_scope || q.workspace_scope || clause_first || q.entity.starts_with('@') || q.entity.starts_with('$')) {
    append_target(line, entity, q.mod_scope, q.workspace_scope);
  } else {
    line.append(entity);
  }
  write::append_query_clauses(line, 0, q);
}

}  // namespace

void write(const Query& q, std::size_t depth, LineSink& out) {
  std::string expr;
  append_query_expr(expr, q);
  // The one-line "? " form has no clauses and drops every "? " that starts
  // its expression; a query that needs either goes in a block.
  if (!q.sort && !q.limit && !q.include && !expr.empty() && !expr.starts_with("? ")) {
    emit(out, depth, "? ", expr);
    return;
  }
  out.line(depth, "query:");
  // An empty expression line would be skipped as blank; a bare comment
  // stands in for it.
  emit(out, depth, "    ", expr.empty() ? "//" : expr);
  sub_line(out, depth, "    sort: ", q.sort);
  if (q.limit) sub_line(out, depth, "    limit: ", std::to_string(*q.limit));
  if (q.include) joined_line(out, depth, "    include: ", *q.include, ", ");
}

}  // namespace varn::render
