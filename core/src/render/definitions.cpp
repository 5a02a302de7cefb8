// Definition blocks: sync, entity, metric, form, serve, commands, project,
// issue and threaded comment.
#include <array>
#include <utility>

#include "parse/inline.hpp"
#include "render/heads.hpp"
#include "render/parses.hpp"
#include "render/writers.hpp"
#include "text/unicode.hpp"
#include "varn/parse.hpp"

namespace varn::render {

using write::needs_block_form;
using write::write_block;

namespace {

void number_line(LineSink& out, std::size_t depth, std::string_view lead, const std::optional<double>& v) {
  if (!v) return;
  std::string& line = out.open(depth);
  line.append(lead);
  write::append_number(line, *v, false);
  out.close();
}

// `lead` then ":a, :b]", when there are items.
void atom_list_line(LineSink& out, std::size_t depth, std::string_view key, const Strings& items) {
  if (items.empty()) return;
  // The reader strips every bracket at the ends: a last item that ends in one
  // goes without them, and a comma ends the list.
  const bool bracket = !items.back().ends_with(']');
  const std::string lead = "    " + std::string(key) + (bracket ? ": [" : ": ");
  joined_line(out, depth, lead, items, ", ", ":", "", bracket ? "]" : ",");
}

// A text that may hold line feeds: block form then, else one quoted line.
// The parser strips every double quote at the ends of the quoted form, so a
// text that starts or ends with one goes in the block form too.
void text_value(LineSink& out, std::size_t depth, std::string_view key, std::string_view value) {
  // Block lines are read trimmed: a text with whitespace at an end takes a
  // second opening quote where one would leave a "//" to the cut.
  const bool quotable = !needs_block_form(value) && !value.starts_with('"') && !value.ends_with('"');
  std::string quoted = quotable ? write::quoted_text(key, value) : "";
  const bool one_quote = quoted.size() == value.size() + 2;
  if (!one_quote && text::trim(value).size() == value.size()) quoted.clear();
  if (quoted.empty()) {
    write_block(out, depth, "    ", key, "        ", value);
  } else {
    emit(out, depth, "    ", key, ": ", quoted);
  }
}

// `key: value` at `indent`, or the "key: |" block form with the text two
// columns deeper where one line would not hold it.
void text_setting(LineSink& out, std::size_t depth, std::string_view indent, std::string_view key,
                  std::string_view value) {
  if (write::needs_text_block(key, value)) {
    write_block(out, depth, indent, key, std::string(indent) + "  ", value);
  } else {
    emit(out, depth, indent, key, ": ", value);
  }
}

// `lead` and the value in double quotes; bare when our quotes would pair with
// one inside it and bare a "//" to the comment cut, and it reads back bare.
void quoted_line(LineSink& out, std::size_t depth, std::string_view lead, std::string_view value) {
  std::string line = std::string(lead) + '"' + std::string(value) + '"';
  if (cut_by_comment(line)) {
    std::string bare = std::string(lead) + std::string(value);
    if (!cut_by_comment(bare) && parse::unquote(value) == value) line = std::move(bare);
  }
  emit(out, depth, "    ", line);
}

}  // namespace

namespace {

// The settings that the renderer writes of a declaration, in order.
std::array<std::pair<std::string_view, const std::string*>, 3> written_settings(const SyncDef& s) {
  return {{{"class", &s.class_}, {"source", &s.source}, {"identity", &s.identity}}};
}

// The heading form: a heading for the name, the settings as the lines below
// it, which the reader keeps whole and the lowering reads as its keys.
void sync_heading_form(const SyncDef& s, std::string_view heading, std::size_t depth, LineSink& out) {
  out.line(depth, heading);
  for (const auto& [key, value] : written_settings(s)) {
    if (!value->empty()) out.line(depth + 1, write::heading_setting_line(key, *value));
  }
}

// True when the heading form, under a "Sync" heading, lowers to a
// declaration with the same written fields (a class that the lowering
// refuses, or a name that the heading cannot say, does not).
bool heading_form_reads_back(const SyncDef& s, std::string_view heading) {
  LineSink text("    ");
  text.line(0, "# Sync");
  sync_heading_form(s, heading, 1, text);
  const auto doc = parse_source(text.take_trimmed());
  if (!doc || doc.value().nodes.size() != 1) return false;
  const Group* group = doc.value().nodes.front().get_if<Group>();
  if (!group || group->children.size() != 1) return false;
  const SyncDef* back = group->children.front().get_if<SyncDef>();
  return back && back->name == s.name && back->class_ == s.class_ && back->source == s.source &&
         back->identity == s.identity;
}

void write_sync(const SyncDef& s, std::size_t depth, LineSink& out, bool in_sync_group) {
  // "sync:" without a name fails to parse. A nameless declaration comes from
  // an untitled heading under a "Sync" heading, and goes back as one: the
  // same lines below it make the same declaration. So does one whose name
  // the line would trim away.
  const std::string line = std::string("sync:").append(keyword_gap("sync:", s.name)).append(s.name);
  // A name whose "//" the comment cut would take goes back to a heading as
  // well, where atoms (which the declaration drops) can hide it; also one
  // that starts with it, which the cut would leave nameless.
  if (!text::trim(s.name).empty() && !write::keeps_whole(line)) {
    return sync_heading_form(s, sync_heading(s.name), depth, out);
  }
  if (nameless_sync_line(line)) return sync_heading_form(s, "#", depth, out);
  // The line form cuts its settings at a comment: a value holding "//" (a
  // URL) keeps it only under a heading, whose lines are read whole. That
  // heading makes a declaration only below a "Sync" heading.
  bool cut = false;
  for (const auto& [key, value] : written_settings(s)) {
    cut = cut || !write::keeps_whole(std::string(key).append(": ").append(*value));
  }
  if (cut && in_sync_group) {
    const std::string heading = sync_heading(s.name);
    if (heading_form_reads_back(s, heading)) return sync_heading_form(s, heading, depth, out);
  }
  out.line(depth, line);
  for (const auto& [key, value] : written_settings(s)) {
    if (!value->empty()) emit(out, depth, "    ", key, ": ", *value);
  }
}

}  // namespace

void write(const SyncDef& s, std::size_t depth, LineSink& out) { write_sync(s, depth, out, false); }

void write_sync_item(const SyncDef& s, std::size_t depth, LineSink& out) { write_sync(s, depth, out, true); }

void write(const EntityDef& e, std::size_t depth, LineSink& out) {
  emit(out, depth, "## Entity: ", e.name);
  sub_line(out, depth, "  source: ", e.source);
  sub_line(out, depth, "  namespace: ", e.namespace_);
  sub_line(out, depth, "  identity: ", e.identity);
  if (e.fields.empty()) return;
  out.line(depth, "  fields:");
  for (const EntityField& f : e.fields) emit(out, depth, "    - ", f.name, ": ", f.field_type);
}

void write(const MetricDef& m, std::size_t depth, LineSink& out) {
  emit(out, depth, "## Metric: ", m.name);
  sub_line(out, depth, "  source: ", m.source);
  if (m.cross_source) out.line(depth, "  cross_source: true");
  sub_line(out, depth, "  grain: ", m.grain);
  if (!m.dimensions.empty()) {
    // The reader strips every '[' before the list and every ']' after it: an
    // empty piece there, which it drops, keeps a name's own.
    const bool lead = m.dimensions.front().starts_with('[');
    const bool tail = m.dimensions.back().ends_with(']');
    joined_line(out, depth, lead ? "  dimensions: [, " : "  dimensions: [", m.dimensions, ", ", "", "", tail ? ", ]" : "]");
  }
  if (!m.formula.empty()) text_setting(out, depth, "  ", "formula", m.formula);
}

void write(const FormDef& f, std::size_t depth, LineSink& out) {
  // "form:install…" is prose to the parser; a space keeps such a name a form.
  emit(out, depth, "form:", f.name.starts_with("install") ? " " : keyword_gap("form:", f.name), f.name);
  if (f.schema_version) sub_line(out, depth, "    schema_version: ", std::to_string(*f.schema_version));
  if (f.ui_layout) quoted_line(out, depth, "ui_layout: ", *f.ui_layout);
  for (const std::string& page : f.ui_pages) quoted_line(out, depth, "ui_page: ", page);
  if (f.storage.canonical) quoted_line(out, depth, "storage_canonical: ", *f.storage.canonical);
  if (f.storage.entity) quoted_line(out, depth, "storage_entity: ", *f.storage.entity);
  if (f.storage.duckdb) quoted_line(out, depth, "storage_duckdb: ", *f.storage.duckdb);
  for (const FormProjectionDef& p : f.projections) quoted_line(out, depth, "projection_" + p.target + ": ", p.mapping);
  field_lines(out, depth, f.fields);
  out.blank();
}

void write(const ServeDef& s, std::size_t depth, LineSink& out) {
  emit(out, depth, "serve:", keyword_gap("serve:", s.target), s.target, "|", s.command, "|");
  sub_line(out, depth, "  port: ", s.port);
  sub_line(out, depth, "  open: ", s.open);
}

void write(const CommandsDef& c, std::size_t depth, LineSink& out) {
  out.line(depth, "commands:");
  for (const CommandEntry& e : c.commands) {
    // The parser drops every leading '/': a name's own go after a space.
    emit(out, depth, "  /", e.name.starts_with('/') ? " " : "", e.name);
    sub_line(out, depth, "    description: ", e.description);
    if (!e.params.empty()) joined_line(out, depth, "    params: ", e.params, ", ");
    if (!e.prompt.empty()) text_setting(out, depth, "    ", "prompt", e.prompt);
  }
}

void write(const ProjectDef& p, std::size_t depth, LineSink& out) {
  emit(out, depth, "project:", keyword_gap("project:", p.name), p.name);
  sub_line(out, depth, "  brief: ", p.brief);
  sub_line(out, depth, "  heartbeat: ", p.heartbeat);
  sub_line(out, depth, "  framework: ", p.framework);
  sub_line(out, depth, "  status: ", p.status);
  if (p.commands) write(*p.commands, depth + 1, out);
  if (p.serve) write(*p.serve, depth + 1, out);
  number_line(out, depth, "  fitness: ", p.fitness);
  number_line(out, depth, "  pressure: ", p.pressure);
  sub_line(out, depth, "  phase: ", p.phase);
  sub_line(out, depth, "  inhibited_until: ", p.inhibited_until);
  sub_line(out, depth, "  completion: ", p.completion);
  sub_line(out, depth, "  kpi: ", p.kpi);
  sub_line(out, depth, "  routine: ", p.routine);
}

void write(const IssueDef& i, std::size_t depth, LineSink& out) {
  out.line(depth, issue_head(i));
  if (i.id) sub_line(out, depth, "    id: ", write::issue_id_value(*i.id));
  sub_line(out, depth, "    on: ", i.on);
  sub_line(out, depth, "    status: :", i.status);
  sub_line(out, depth, "    priority: :", i.priority);
  sub_line(out, depth, "    assignee: ", i.assignee);
  atom_list_line(out, depth, "labels", i.labels);
  number_line(out, depth, "    estimate: ", i.estimate);
  if (i.milestone) {
    write::append_quoted_value(out.open(depth).append("    "), "milestone:", *i.milestone);
    out.close();
  }
  if (i.due_date) emit(out, depth, "    due_date: ", write::barred_value("due_date", *i.due_date));
  if (i.description) text_value(out, depth, "description", *i.description);
  render_nodes(i.children, depth + 1, out);
  out.blank();
}

void write(const ThreadComment& c, std::size_t depth, LineSink& out) {
  std::string& head = out.open(depth);
  head.append("comment:");
  render_gate_names(c.gates, head);
  out.close();
  sub_line(out, depth, "    on: ", c.on);
  sub_line(out, depth, "    author: ", c.author);
  text_value(out, depth, "body", c.body);
  atom_list_line(out, depth, "reactions", c.reactions);
  if (c.created_at) emit(out, depth, "    created_at: ", write::barred_value("created_at", *c.created_at));
  render_nodes(c.children, depth + 1, out);
  out.blank();
}

}  // namespace varn::render
