// Headings, data statements, one-line statements and the small blocks.
#include "format/format.hpp"
#include "write/heads.hpp"
#include "write/placing.hpp"
#include "write/read_back.hpp"
#include "write/webhook.hpp"
#include "parse/handlers.hpp"
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

}  // namespace

namespace {

// A heading line: the marks, then the name, the atoms and the gates in the
// order given by `order` ('n', 'a', 'g'), one space between them.
std::string heading_line(const Group& group, std::string_view order) {
  std::string s(group.depth, '#');
  std::string part;
  for (char which : order) {
    part.clear();
    if (which == 'n') {
      if (s.size() == group.depth && opens_definition(group.depth, group.name)) part.push_back(' ');
      part.append(group.name);
    } else if (which == 'a') {
      append_atoms(part, group.atoms);
      if (!part.empty()) part.erase(0, 1);
    } else {
      append_gates(part, group.gates);
      if (!part.empty()) part.erase(0, 1);
    }
    if (part.empty()) continue;
    s.push_back(' ');
    s.append(part);
  }
  return s;
}

// The first order of its parts in which the heading line reads back whole:
// gates are read left to right from the whole line, the name and atoms from
// what the gates leave, so an unbalanced '{' hides the gates after it, and a
// balanced pair in the name is a gate unless an unbalanced '{' stands before.
std::string heading_text(const Group& group) {
  auto reads_back = [&](const std::string& line) {
    return reads_back_as<Group>(line, [&](const Group& g) {
      return g.depth == group.depth && g.name == group.name && same_atoms(g.atoms, group.atoms) &&
             same_gates(g.gates, group.gates);
    });
  };
  if (plain_heading(group.depth, group.name, group.atoms, group.gates)) return heading_line(group, "nag");
  for (std::string_view order : {"nag", "gna", "ang", "gan"}) {
    std::string line = heading_line(group, order);
    if (reads_back(line)) return line;
  }
  // Atoms whose bars or quotes hid a "//" of the name go before that word.
  std::string lead(group.depth, '#');
  lead.append(opens_definition(group.depth, group.name) ? "  " : " ");
  // The gates go at the end, or else where the scan hides their own "//"
  // and they bare none of the line's.
  auto finish = [&](std::string& line, std::size_t from) {
    const std::size_t bare = line.size();
    append_gates(line, group.gates);
    if (reads_back(line)) return true;
    line.resize(bare);
    return place_gates(line, from, group.gates, reads_back);
  };
  if (auto placed = heading_with_atoms_placed(lead, group.depth, group.name, group.atoms, finish)) return *placed;
  if (auto placed = heading_with_gates_placed(lead, group.depth, group.name, group.atoms, group.gates, reads_back)) {
    return *placed;
  }
  return heading_line(group, "nag");
}

}  // namespace

void write(Out& out, const Group& group, std::size_t depth) {
  out.line(depth, heading_text(group));
  format_children(out, group.children, depth + 1);
}

void write(Out& out, const Define& define, std::size_t depth) {
  out.line(depth, define_line(define));
  for (const FieldDef& field : define.fields) write_field(out, depth + 1, field);
}

void write(Out& out, const Mutate& mutate, std::size_t depth) {
  std::string s = "mutate:";
  // The entity is everything before the gate (or the id), untrimmed: the
  // gate follows it directly, or the id with the gate after a space.
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
  out.line(depth, mutate_head(std::move(s), mutate, true));
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
  const std::string entity = query_entity_text(query.entity, query.plural);
  if (!query.mod_scope && !query.workspace_scope && query.entity.starts_with("workspace:")) {
    s.append(entity);  // with an "@" it would be read as a workspace scope
  } else {
    append_target(s, entity, query.mod_scope, query.workspace_scope);
  }
  append_query_clauses(s, start, query);
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

void write(Out& out, const ModInvoke& invoke, std::size_t depth) { out.line(depth, mod_invoke_line(invoke)); }

void write(Out& out, const GitOp& git, std::size_t depth) {
  std::string& s = out.open(depth);
  append_after_keyword(s, "git:", git.verb);
  s.push_back(' ');
  s.append(git.args);
  out.close();
  write_pairs(out, depth + 1, git.body);
}

void write(Out& out, const Conditional& conditional, std::size_t depth) {
  out.line(depth, condition_line(conditional.condition));
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

void write(Out& out, const Webhook& webhook, std::size_t depth) { out.line(depth, webhook_line(webhook)); }

void write(Out& out, const UseBlock& use, std::size_t depth) {
  std::string& s = out.open(depth);
  s.append("use ");
  const bool single = use.entity && !use.alias && !use.from_mod && !use.from_workspace &&
                      use.mod_name.starts_with('@') && !has(use.mod_name, " from ") &&
                      parse::strip_prefix_all(use.mod_name, "@") == *use.entity;
  if (!use.entity || single) {
    s.append(use.mod_name);
  } else {
    s.push_back('@');
    s.append(*use.entity);
    s.append(" from ");
    s.append(use.mod_name);
    if (use.alias) {
      s.append(" as @");
      s.append(*use.alias);
    }
  }
  out.close();
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
  std::string s;
  for (const PolicyRule& rule : policy.rules) {
    s = "@";
    s.append(rule.path);
    // Gates are read only after a colon.
    if (!rule.gates.empty()) s.push_back(':');
    append_gates_hiding_slashes(s, rule.gates, " ");
    out.line(depth + 1, s);
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
