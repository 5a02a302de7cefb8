// Definition blocks: validations, checks, forms, modules, sync, entities,
// metrics, gates, serve, issues, comments, commands, projects and scopes.
#include "format/format.hpp"
#include "write/read_back.hpp"
#include "parse/inline.hpp"
#include "parse/parser.hpp"
#include "parse/text.hpp"
#include "text/unicode.hpp"

namespace varn::format {
namespace {

constexpr auto npos = std::string_view::npos;

void write_keyword(Out& out, std::size_t depth, std::string_view keyword, std::string_view name) {
  std::string& s = out.open(depth);
  s.append(keyword);
  s.append(name);
  out.close();
}

template <class T>
void write_optional(Out& out, std::size_t depth, std::string_view key, const std::optional<T>& value) {
  if (value) write_pair(out, depth, key, *value);
}

// A value that the parser unquotes: one that is itself held in quotes gets
// a second pair, so that it keeps the first.
std::string unquote_safe(std::string_view v) {
  std::string out;
  const bool quote = v.size() >= 2 && v.front() == '"' && v.back() == '"';
  if (quote) out.push_back('"');
  out.append(v);
  if (quote) out.push_back('"');
  return out;
}

void write_list(Out& out, std::size_t depth, std::string_view key, const Strings& items, std::string_view lead = {},
                std::string_view prefix = {}, std::string_view tail = {}) {
  std::string& s = out.open(depth);
  s.append(key);
  s.append(": ");
  s.append(lead);
  append_joined(s, items, ", ", prefix);
  s.append(tail);
  out.close();
}

// Labels and reactions, as ":a, :b" between brackets. The reader strips every
// trailing ']' of the list: when the last label ends in one, the list ends in
// a comma instead, whose empty piece the reader drops.
void write_labels(Out& out, std::size_t depth, std::string_view key, const Strings& labels) {
  const bool bracket = !labels.back().ends_with(']');
  write_list(out, depth, key, labels, bracket ? "[" : "", ":", bracket ? "]" : ",");
}

// "key: |" and the text's lines below it; no scope stays open after it.
void write_text_block(Out& out, std::size_t depth, std::string_view key, std::string_view value) {
  write_block(out.sink, depth, "", key, "  ", value);
  out.open_scopes = 0;
}

// Issue descriptions and comment bodies: one line between quotes (the reader
// strips every quote at its ends), or, for a text with a line feed or one
// whose quotes would not come back, the block form under "key: |".
void write_text_value(Out& out, std::size_t depth, std::string_view key, std::string_view value) {
  const std::string quoted = value.find('\n') != npos || value.starts_with('"') || value.ends_with('"')
                                 ? std::string()
                                 : quoted_text(key, value);
  if (quoted.empty()) {
    write_text_block(out, depth, key, value);
    return;
  }
  out.line(depth, std::string(key) + ": " + quoted);
}

// Formulas and prompts: "key: value", or the block form where one line would
// not give the text back.
void write_text_setting(Out& out, std::size_t depth, std::string_view key, std::string_view value) {
  if (needs_text_block(key, value)) {
    write_text_block(out, depth, key, value);
  } else {
    write_pair(out, depth, key, value);
  }
}

}  // namespace

void write(Out& out, const ValidateDef& validate, std::size_t depth) {
  std::string& s = out.open(depth);
  s.append("validate ");
  s.append(keyword_gap("validate ", validate.name));
  s.append(validate.name);
  // Every trailing colon is dropped, then the name trimmed: a space keeps
  // the name's own.
  s.append(validate.name.ends_with(':') ? " :" : ":");
  out.close();
  write_attachment_meta(out, validate.meta, depth + 1);
  format_children(out, validate.children, depth + 1);
}

void write(Out& out, const CheckDef& check, std::size_t depth) {
  write_keyword(out, depth, "check: ", check.name);
  write_attachment_meta(out, check.meta, depth + 1);
  write_pairs(out, depth + 1, check.body);
}

void write(Out& out, const FormDef& form, std::size_t depth) {
  write_keyword(out, depth, "form: ", form.name);
  const std::size_t d = depth + 1;
  if (form.schema_version) write_pair(out, d, "schema_version", std::to_string(*form.schema_version));
  if (form.ui_layout) write_pair(out, d, "ui_layout", unquote_safe(*form.ui_layout));
  for (const std::string& page : form.ui_pages) write_pair(out, d, "ui_page", unquote_safe(page));
  if (form.storage.canonical) write_pair(out, d, "storage_canonical", unquote_safe(*form.storage.canonical));
  if (form.storage.entity) write_pair(out, d, "storage_entity", unquote_safe(*form.storage.entity));
  if (form.storage.duckdb) write_pair(out, d, "storage_duckdb", unquote_safe(*form.storage.duckdb));
  for (const FormProjectionDef& p : form.projections) {
    write_pair(out, d, "projection_" + p.target, unquote_safe(p.mapping));
  }
  for (const FieldDef& field : form.fields) write_field(out, d, field);
}

void write(Out& out, const ModDef& mod, std::size_t depth) {
  // The typed fields are read from the body pairs, which are written alone.
  std::string& s = out.open(depth);
  const std::size_t start = s.size();
  s.append("mod:$");
  if (mod.name.starts_with("mod:$")) s.push_back(' ');  // every leading repetition is stripped
  append_mod_name(s, start, mod.name, mod.versioned, mod.versioned ? " :v" : "");
  out.close();
  for (const auto& [key, value] : mod.body) {
    if (needs_text_block(key, value)) {
      // A multi-line value, or one whose "//" the comment cut would take, sits
      // between two lines of three double quotes.
      write_pair(out, depth + 1, key, "\"\"\"");
      std::string_view rest = value;
      while (true) {
        const std::size_t nl = rest.find('\n');
        out.line(depth + 2, rest.substr(0, nl));
        if (nl == npos) break;
        rest.remove_prefix(nl + 1);
      }
      out.line(depth + 1, "\"\"\"");
    } else if (key == "_" && value == "\"\"\"") {
      out.line(depth + 1, value);  // "_: \"\"\"" would open a block
    } else {
      write_pair(out, depth + 1, key, value);
    }
  }
}

void write(Out& out, const SyncDef& sync, std::size_t depth) {
  const std::pair<std::string_view, const std::string*> keys[] = {
      {"class", &sync.class_},   {"source", &sync.source}, {"identity", &sync.identity},
      {"mode", &sync.mode},      {"target", &sync.target}, {"schedule", &sync.schedule},
      {"scope", &sync.scope},
  };
  // The line form cuts comments from its values and needs a name; a
  // declaration lowered from a heading under "Sync" may have neither, and
  // goes back to a heading then, whose key lines are kept whole.
  bool line_form = !sync.name.empty() && keeps_whole(sync.name);
  for (const auto& [key, value] : keys) line_form = line_form && keeps_whole(*value);
  const std::string head = (line_form ? "sync: " : "### ") + sync.name;
  const bool canonical = write_head(
      out, depth, head,
      [&](std::string_view l) {
        if (line_form) return reads_back_as<SyncDef>(l, [&](const SyncDef& back) { return back.name == sync.name; });
        return plain_heading(3, sync.name, {}) ||
               reads_back_as<Group>(l, [&](const Group& back) { return back.name == sync.name; });
      },
      out.node_start);
  // The source line says which form the keys take.
  if (!canonical) {
    std::string buffer;
    line_form = !source_line(out, out.node_start, buffer, Cut::AtComment)->starts_with('#');
  }
  for (const auto& [key, value] : keys) {
    if (line_form) {
      write_pair(out, depth + 1, key, *value);
    } else {
      out.line(depth + 1, heading_setting_line(key, *value));
    }
  }
}

void write(Out& out, const EntityDef& entity, std::size_t depth) {
  write_keyword(out, depth, "## Entity: ", entity.name);
  write_pair(out, depth + 1, "source", entity.source);
  write_pair(out, depth + 1, "namespace", entity.namespace_);
  write_pair(out, depth + 1, "identity", entity.identity);
  out.line(depth + 1, "fields:");
  for (const EntityField& field : entity.fields) {
    std::string& s = out.open(depth + 2);
    // Leading dashes are list marks to the reader, and a bare "fields:" line
    // the switch: such a field is written as a list item.
    if (field.name.starts_with('-') || (field.name == "fields" && field.field_type.empty())) s.append("- ");
    s.append(field.name);
    s.append(": ");
    s.append(field.field_type);
    out.close();
  }
}

void write(Out& out, const MetricDef& metric, std::size_t depth) {
  write_keyword(out, depth, "## Metric: ", metric.name);
  const std::size_t d = depth + 1;
  write_optional(out, d, "source", metric.source);
  write_optional(out, d, "grain", metric.grain);
  if (!metric.dimensions.empty()) {
    // The reader strips every '[' before the list and every ']' after it: an
    // empty piece there, which it drops, keeps a name's own.
    const bool lead = metric.dimensions.front().starts_with('[');
    const bool tail = metric.dimensions.back().ends_with(']');
    write_list(out, d, "dimensions", metric.dimensions, lead ? ", " : "", {}, tail ? "," : "");
  }
  // Every line after "formula: |" or an empty "formula:" belongs to the
  // formula: the setting after it goes before it then.
  const bool block = needs_text_block("formula", metric.formula) || metric.formula.empty();
  if (metric.cross_source && block) out.line(d, "cross_source: true");
  write_text_setting(out, d, "formula", metric.formula);
  if (metric.cross_source && !block) out.line(d, "cross_source: true");
}

void write(Out& out, const GateDef& gate, std::size_t depth) {
  write_keyword(out, depth, "gate: ", gate.name);
  format_children(out, gate.children, depth + 1);
}

void write(Out& out, const ServeDef& serve, std::size_t depth) {
  std::string& s = out.open(depth);
  s.append("serve:");
  if (serve.target.starts_with("serve:")) s.push_back(' ');
  s.append(serve.target);
  s.append(" | ");
  s.append(serve.command);
  out.close();
  write_optional(out, depth + 1, "port", serve.port);
  write_optional(out, depth + 1, "open", serve.open);
}

void write(Out& out, const IssueDef& issue, std::size_t depth) {
  // The gates are read from the whole line, the title from the line cut at
  // its comment; gates that the title holds are not written twice.
  const std::string head = "issue: " + issue.title;
  const bool held = same_gates(parse::extract_gates(head), issue.gates);
  std::string line = head;
  if (!held) append_gates(line, issue.gates);
  write_head(
      out, depth, line,
      [&](std::string_view l) {
        return same_gates(parse::extract_gates(l), issue.gates) &&
               parse::statement_value(parse::read_line(l).content, "issue:") == issue.title;
      },
      out.node_start, Cut::Whole);
  const std::size_t d = depth + 1;
  if (issue.id) write_pair(out, d, "id", issue_id_value(*issue.id));
  write_optional(out, d, "on", issue.on);
  // The reader trims the pair's value, then drops its leading colons: a value
  // that starts with whitespace keeps it behind one colon.
  for (auto [key, value] : {std::pair{"status", &issue.status}, std::pair{"priority", &issue.priority}}) {
    if (!*value) continue;
    const bool spaced = text::trim_start(**value).size() != (*value)->size();
    write_pair(out, d, key, (spaced ? ":" : "") + **value);
  }
  write_optional(out, d, "assignee", issue.assignee);
  if (!issue.labels.empty()) write_labels(out, d, "labels", issue.labels);
  if (issue.estimate) {
    std::string n;
    append_number(n, *issue.estimate, false);
    write_pair(out, d, "estimate", n);
  }
  if (issue.milestone) {
    append_quoted_value(out.open(d), "milestone:", *issue.milestone);
    out.close();
  }
  if (issue.due_date) write_pair(out, d, "due_date", barred_value("due_date", *issue.due_date));
  if (issue.description) write_text_value(out, d, "description", *issue.description);
  format_children(out, issue.children, d);
}

void write(Out& out, const ThreadComment& comment, std::size_t depth) {
  std::string line = "comment:";
  append_gates(line, comment.gates);
  write_head(
      out, depth, line, [&](std::string_view l) { return same_gates(parse::extract_gates(l), comment.gates); },
      out.node_start, Cut::Whole);
  const std::size_t d = depth + 1;
  write_optional(out, d, "on", comment.on);
  write_optional(out, d, "author", comment.author);
  write_text_value(out, d, "body", comment.body);
  if (!comment.reactions.empty()) write_labels(out, d, "reactions", comment.reactions);
  if (comment.created_at) write_pair(out, d, "created_at", barred_value("created_at", *comment.created_at));
  format_children(out, comment.children, d);
}

void write(Out& out, const CommandsDef& commands, std::size_t depth) {
  out.line(depth, "commands:");
  for (const CommandEntry& entry : commands.commands) {
    // The reader drops every leading '/': a name's own stand after a space.
    write_keyword(out, depth + 1, entry.name.starts_with('/') ? "/ " : "/", entry.name);
    const std::size_t d = depth + 2;
    write_pair(out, d, "description", entry.description);
    if (!entry.params.empty()) write_list(out, d, "params", entry.params);
    write_text_setting(out, d, "prompt", entry.prompt);
  }
}

void write(Out& out, const ProjectDef& project, std::size_t depth) {
  write_keyword(out, depth, "project: ", project.name);
  const std::size_t d = depth + 1;
  write_pair(out, d, "brief", project.brief);
  write_optional(out, d, "heartbeat", project.heartbeat);
  write_optional(out, d, "framework", project.framework);
  write_optional(out, d, "status", project.status);
  for (auto [key, value] : {std::pair{"fitness", &project.fitness}, std::pair{"pressure", &project.pressure}}) {
    if (!*value) continue;
    std::string n;
    append_number(n, **value, false);
    write_pair(out, d, key, n);
  }
  write_optional(out, d, "phase", project.phase);
  write_optional(out, d, "inhibited_until", project.inhibited_until);
  write_optional(out, d, "completion", project.completion);
  write_optional(out, d, "kpi", project.kpi);
  write_optional(out, d, "routine", project.routine);
  if (project.commands) write(out, *project.commands, d);
  if (project.serve) write(out, *project.serve, d);
}

void write(Out& out, const ProjectScope& scope, std::size_t depth) {
  write_keyword(out, depth, "%", scope.name);
  // A line of dashes among the scope's own members closes it: a comment
  // mark, which the divider rule reads past, keeps such a member a divider.
  for (const Node& child : scope.children) {
    if (child.holds<Divider>()) {
      const std::size_t mark = out.sink.raw().size();
      write_divider(out, depth + 1, "--- //");
      if (out.members) out.members->add(child, mark, out.sink.raw().size());
    } else {
      format_node(out, child, depth + 1);
    }
  }
  // At the nesting limit the scope takes no lines, a line of dashes neither.
  if (out.takes_members()) ++out.open_scopes;
}

}  // namespace varn::format
