// Headings, data statements, one-line statements and the small blocks.
#include "format/format.hpp"
#include "write/read_back.hpp"
#include "parse/handlers.hpp"
#include "parse/inline.hpp"
#include "parse/text.hpp"
#include "text/unicode.hpp"

namespace varn::format {
namespace {

constexpr auto npos = std::string_view::npos;

bool has(std::string_view s, std::string_view part) { return s.find(part) != npos; }

// "keyword:" and the value, with a space between them when the value itself
// starts with the keyword (the parser strips every leading repetition).
void append_after_keyword(std::string& s, std::string_view keyword, std::string_view value) {
  s.append(keyword);
  if (value.starts_with(keyword)) s.push_back(' ');
  s.append(value);
}

void append_atoms(std::string& s, const std::vector<Atom>& atoms) {
  for (const Atom& atom : atoms) {
    s.push_back(' ');
    append_atom(s, atom);
  }
}

// A heading line: the marks, a space, the name (after a second space where
// it would open a definition), then each atom and each gate after a space.
std::string heading_line(const Group& group) {
  std::string s(group.depth, '#');
  s.push_back(' ');
  if (opens_definition(group.depth, group.name)) s.push_back(' ');
  s.append(group.name);
  append_atoms(s, group.atoms);
  append_gates(s, group.gates);
  return s;
}

// Gates are read left to right from the whole line, the name and atoms from
// what the gates leave: braces, bars and quotes of the parts may interlock.
bool heading_reads_back(std::string_view line, const Group& group) {
  return plain_heading(group.depth, group.name, group.atoms, group.gates) ||
         reads_back_as<Group>(line, [&](const Group& g) {
           return g.depth == group.depth && g.name == group.name && same_atoms(g.atoms, group.atoms) &&
                  same_gates(g.gates, group.gates);
         });
}

std::string define_line(const Define& define) {
  std::string line = "define:";
  append_target(line, "", define.mod_scope, define.workspace_scope);
  std::string after;
  append_atoms(after, define.atoms);
  if (define.from_scope) after.append(" from ").append(*define.from_scope);
  line.append(define_entity_text(define.entity, define.mod_scope || define.workspace_scope, after));
  return line.append(after);
}

// A mutation's head: the target, ":" and the id, then the gate. The entity
// is everything before the gate (or the id), untrimmed: the gate follows it
// directly, or the id with the gate after a space.
std::string mutate_line(const Mutate& mutate) {
  std::string s = "mutate:";
  const bool gate_first = mutate.gate && has(mutate.entity, "{");
  append_target(s, gate_first ? "" : mutate.entity, mutate.mod_scope, mutate.workspace_scope);
  if (gate_first) {
    append_gate(s, *mutate.gate);
    s.append(mutate.entity);
  }
  // Behind an unbalanced '{' in the id, the gate goes in front of the id.
  const bool gate_before_id = mutate.gate && !gate_first && mutate.id && has(*mutate.id, "{");
  if (mutate.id) {
    s.push_back(':');
    if (gate_before_id) append_gate(s, *mutate.gate);
    s.append(*mutate.id);
    if (mutate.gate && !gate_first && !gate_before_id) s.push_back(' ');
  }
  if (mutate.gate && !gate_first && !gate_before_id) append_gate(s, *mutate.gate);
  // An entity's trailing whitespace would go with the line's: an empty id
  // keeps it.
  if (!mutate.id && text::trim_end(s).size() != s.size()) s.push_back(':');
  return s;
}

bool mutate_reads_back(std::string_view line, const Mutate& mutate) {
  if (!mutate.gate && quiet(mutate.entity) && quiet(mutate.id.value_or("")) && !has(line, "//")) return true;
  return reads_back_as<Mutate>(line, [&](const Mutate& back) {
    return back.entity == mutate.entity && back.id == mutate.id && back.mod_scope == mutate.mod_scope &&
           back.workspace_scope == mutate.workspace_scope && back.gate.has_value() == mutate.gate.has_value() &&
           (!back.gate || same_gates({*back.gate}, {*mutate.gate}));
  });
}

}  // namespace

void write_heading(Out& out, const Group& group, std::size_t depth) {
  write_head(out, depth, heading_line(group), [&](std::string_view l) { return heading_reads_back(l, group); },
             out.node_start);
}

void write(Out& out, const Group& group, std::size_t depth) {
  write_heading(out, group, depth);
  format_children(out, group.children, depth + 1);
}

void write(Out& out, const Define& define, std::size_t depth) {
  // Without atoms only the comment cut can take what the line says.
  write_head(
      out, depth, define_line(define),
      [&](std::string_view l) { return define.atoms.empty() ? keeps_whole(l) : rereads_as(l, define); },
      out.node_start);
  for (const FieldDef& field : define.fields) write_field(out, depth + 1, field);
}

void write(Out& out, const Mutate& mutate, std::size_t depth) {
  write_head(out, depth, mutate_line(mutate), [&](std::string_view l) { return mutate_reads_back(l, mutate); },
             out.node_start);
  // In a batch, `fields` holds the pairs written before the first record.
  write_pairs(out, depth + 1, mutate.fields);
  if (!mutate.batch) return;
  for (const BatchRecord& record : *mutate.batch) {
    for (std::size_t i = 0; i < record.fields.size(); ++i) out.line(depth + 1, batch_field_line(record, i, ": "));
  }
}

void write(Out& out, const Delete& del, std::size_t depth) {
  std::string& s = out.open(depth);
  s.append("delete:");
  append_target(s, del.entity, del.mod_scope, del.workspace_scope);
  s.push_back(':');
  s.append(del.id);
  out.close();
}

void write(Out& out, const Query& query, std::size_t depth) {
  // The expression is read from the first line under "query:", never from
  // the head line; filter and snapshot have no clause lines of their own.
  out.line(depth, "query:");
  std::string& s = out.open(depth + 1);
  const std::size_t start = s.size();
  auto append_expr = [&](bool split) {
    const std::string entity = query_entity_text(query.entity, query.plural, split);
    append_target(s, entity, query.mod_scope, query.workspace_scope);
    append_query_clauses(s, start, query);
    // With an "@" before it, an entity such as "workspace:w" would be read as
    // a workspace scope where a ".@" follows, in the entity or after it.
    if (!query.mod_scope && !query.workspace_scope && entity.starts_with("workspace:") &&
        parse::parse_query_expr({std::string_view(s).substr(start)})->workspace_scope) {
      s.erase(start, 1);
    }
  };
  append_expr(false);
  // The marks go between slashes only where the comment cut would take them.
  if (query.plural && !keeps_whole(std::string_view(s).substr(start))) {
    s.resize(start);
    append_expr(true);
  }
  out.close();
  if (query.sort) write_pair(out, depth + 1, "sort", *query.sort);
  if (query.limit) write_pair(out, depth + 1, "limit", std::to_string(*query.limit));
  if (query.include) {
    std::string& inc = out.open(depth + 1);
    inc.append("include: ");
    append_joined(inc, *query.include, ", ");
    out.close();
  }
}

namespace {

void append_compute(std::string& s, const Compute& c) {
  s.append(c.live ? "||" : "|");
  s.append(c.expr);
  s.append(c.live ? "||" : "|");
}

}  // namespace

void write(Out& out, const Variable& variable, std::size_t depth) {
  std::string value;
  std::visit(
      [&](const auto& v) {
        using T = std::decay_t<decltype(v)>;
        if constexpr (std::is_same_v<T, std::string>) {
          value = v;
        } else if constexpr (std::is_same_v<T, Compute>) {
          append_compute(value, v);
        } else {
          append_ref(value, v);
        }
      },
      variable.value);
  std::string line = variable.name + " = " + value;
  // "if = 1" would open a conditional; "if= 1" is still an assignment.
  if (!parse::is_variable_line(text::trim(line))) {
    std::string tight = variable.name + "= " + value;
    if (parse::is_variable_line(text::trim(tight))) line = std::move(tight);
  }
  out.line(depth, line);
}

void write(Out& out, const ModInvoke& invoke, std::size_t depth) {
  std::string line = "$" + invoke.name;
  if (invoke.method) line.append(".").append(*invoke.method);
  if (invoke.args) line.append("(").append(*invoke.args).append(")");
  write_head(out, depth, line, [&](std::string_view l) { return rereads_as(l, invoke); }, out.node_start);
}

void write(Out& out, const GitOp& git, std::size_t depth) {
  std::string& s = out.open(depth);
  append_after_keyword(s, "git:", git.verb);
  s.push_back(' ');
  s.append(git.args);
  out.close();
  write_pairs(out, depth + 1, git.body);
}

void write(Out& out, const Conditional& conditional, std::size_t depth) {
  const Compute& condition = conditional.condition;
  std::string line = "if ";
  append_compute(line, condition);
  line.push_back(':');
  // The bars are read as the outermost pair: a bar inside pairs with them.
  write_head(
      out, depth, line,
      [&](std::string_view l) {
        return (!has(condition.expr, "|") && !has(l, "//")) ||
               reads_back_as<Conditional>(l, [&](const Conditional& back) {
                 return back.condition.expr == condition.expr && back.condition.live == condition.live;
               });
      },
      out.node_start);
  format_children(out, conditional.children, depth + 1);
}

void write(Out& out, const Diff& diff, std::size_t depth) {
  std::string& s = out.open(depth);
  append_after_keyword(s, "diff:", diff.target);
  if (diff.from_snapshot) {
    s.append(" from snap:");
    s.append(*diff.from_snapshot);
  }
  out.close();
}

void write(Out& out, const HistoryOp& history, std::size_t depth) {
  std::string& s = out.open(depth);
  append_after_keyword(s, "history:", history.target);
  if (history.limit) {
    s.append(" limit:");
    s.append(std::to_string(*history.limit));
  }
  out.close();
}

void write(Out& out, const StatusDef& status, std::size_t depth) {
  std::string& s = out.open(depth);
  s.append("status: ");
  // Options are trimmed, then unquoted: quotes keep their outer spaces.
  for (std::size_t i = 0; i < status.options.size(); ++i) {
    const std::string& option = status.options[i];
    const bool quote = text::trim(option).size() != option.size();
    if (i) s.append(" / ");
    if (quote) s.push_back('"');
    s.append(option);
    if (quote) s.push_back('"');
  }
  out.close();
}

void write(Out& out, const Routine& routine, std::size_t depth) {
  // The trigger runs up to the first bar, its trailing colons dropped: a
  // space keeps a colon of its own; the expression sits between two bars
  // (or, read without a closing bar, starts with its own).
  std::string& s = out.open(depth);
  s.append("routine: ");
  s.append(routine.trigger);
  if (!routine.expr.empty()) {
    s.push_back(' ');
    const bool bare = routine.expr.starts_with('|');
    if (!bare) s.push_back('|');
    s.append(routine.expr);
    if (!bare) s.push_back('|');
  }
  out.close();
}

void write(Out& out, const Webhook& webhook, std::size_t depth) {
  // Each part is read after the first of its keywords anywhere in the line.
  std::string line = "webhook:";
  if (!webhook.trigger.empty()) line.append(" on:|").append(webhook.trigger).append("|");
  if (!webhook.url.empty()) line.append(" url: ").append(webhook.url);
  if (webhook.payload) line.append(" payload: \"").append(*webhook.payload).append("\"");
  write_head(out, depth, line, [&](std::string_view l) { return rereads_as(l, webhook); }, out.node_start);
}

void write(Out& out, const UseBlock& use, std::size_t depth) {
  std::string line = "use ";
  // A single reference whose "@workspace:" or " as @" the written source
  // would read as a workspace or an alias is written as it was.
  const bool single = use.entity && !use.alias && !use.from_mod && !use.from_workspace &&
                      use.mod_name.starts_with('@') && !has(use.mod_name, " from ") &&
                      (use.mod_name.starts_with("@workspace:") || has(use.mod_name, " as @")) &&
                      parse::strip_prefix_all(use.mod_name, "@") == *use.entity;
  if (!use.entity || single) {
    line.append(use.mod_name);
  } else {
    line.append("@").append(*use.entity).append(" from ").append(use.mod_name);
    if (use.alias) line.append(" as @").append(*use.alias);
  }
  write_head(
      out, depth, line,
      [&](std::string_view l) {
        return reads_back_as<UseBlock>(l, [&](const UseBlock& back) {
          return back.entity == use.entity && back.mod_name == use.mod_name && back.alias == use.alias &&
                 back.from_mod == use.from_mod && back.from_workspace == use.from_workspace;
        });
      },
      out.node_start);
  write_pairs(out, depth + 1, use.config);
}

void write(Out& out, const FilesDef& files, std::size_t depth) {
  out.line(depth, "files:");
  for (const std::string& path : files.paths) {
    std::string& s = out.open(depth + 1);
    s.push_back('@');
    s.append(path);
    out.close();
  }
}

void write(Out& out, const PolicyDef& policy, std::size_t depth) {
  out.line(depth, "policy:");
  for (const PolicyRule& rule : policy.rules) {
    std::string s = "@" + rule.path;
    // Gates are read only after a colon.
    if (!rule.gates.empty()) s.push_back(':');
    append_gates(s, rule.gates);
    write_head(
        out, depth + 1, s,
        [&](std::string_view l) {
          const auto back = parse::parse_policy_rule(parse::read_line(l).content);
          return back && back->path == rule.path && same_gates(back->gates, rule.gates);
        },
        rule.line_start);
  }
}

void write(Out& out, const CodeBlock& code, std::size_t depth) {
  std::string& s = out.open(depth);
  s.append("```");
  if (code.lang) s.append(*code.lang);
  out.close();
  // The content is written as it is held, not re-indented: its lines keep
  // their own indentation, which the block reader keeps in turn.
  std::string_view content = code.content;
  // One blank content line reads back as no content at all: it is not
  // written, or the next pass would drop it.
  if (text::trim_end(content).empty() && content.find('\n') == npos) content = {};
  while (!content.empty()) {
    const std::size_t nl = content.find('\n');
    out.line(0, content.substr(0, nl));
    if (nl == npos) break;
    content.remove_prefix(nl + 1);
    if (content.empty()) out.line(0, "");
  }
  out.line(depth, "```");
}

}  // namespace varn::format
