// Data statements: define, mutate, delete and query.
#include "parse/handlers.hpp"
#include "render/heads.hpp"
#include "render/writers.hpp"
#include "text/unicode.hpp"

namespace varn::render {

using write::append_target;

void write(const Define& d, std::size_t depth, LineSink& out) {
  out.line(depth, define_line(d));
  field_lines(out, depth, d.fields);
  out.blank();
}

void write(const Mutate& m, std::size_t depth, LineSink& out) {
  out.line(depth, mutate_head(m));
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

// The query expression: target, plural mark, snapshot and filter. The
// entity goes bare, but where the scope prefix could take it apart (one
// that starts with '@' or '$') or where an empty one would leave the clause
// after it at the line's start, with the '@' of the target form before it
// unless the bare form reads back.
void append_query_expr(std::string& line, const Query& q, bool split) {
  const std::string entity = write::query_entity_text(q.entity, q.plural, split);
  const bool doubtful = (entity.empty() && (q.filter || q.from_snapshot)) || q.entity.starts_with('@') ||
                        q.entity.starts_with('$');
  if (!q.mod_scope && !q.workspace_scope) {
    std::string bare = entity;
    write::append_query_clauses(bare, 0, q);
    if (!doubtful || write::query_reads_back(bare, q)) {
      line.append(bare);
      return;
    }
  }
  append_target(line, entity, q.mod_scope, q.workspace_scope);
  write::append_query_clauses(line, 0, q);
}

}  // namespace

void write(const Query& q, std::size_t depth, LineSink& out) {
  std::string expr;
  append_query_expr(expr, q, false);
  // The marks go between slashes only where the comment cut would take them.
  if (q.plural && !write::keeps_whole(expr)) {
    expr.clear();
    append_query_expr(expr, q, true);
  }
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
