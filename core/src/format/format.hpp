#pragma once
// The canonical formatter behind `fmt`: two spaces per depth, trailing
// whitespace removed from every line, one blank line between consecutive
// top-level block nodes, one final line feed.
//
// What it writes must read back as the tree it was given: where a plain
// template would be read differently by the parser, the writers choose the
// spelling the parser reads, keeping the layout.
#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

#include "format/shared.hpp"
#include "varn/model.hpp"

namespace varn::format {

// The formatter's output: the line sink, the count of `%` scopes that end at
// the last line written (a divider line right after them would close them
// instead of standing as a divider), and the count of `%` scopes whose members
// are being written (a line of dashes among them closes the innermost).
struct Out {
  LineSink sink{"  ", true};
  std::size_t open_scopes = 0;
  std::size_t in_scopes = 0;

  std::string& open(std::size_t depth) {
    open_scopes = 0;
    return sink.open(depth);
  }
  void close() { sink.close(); }
  void line(std::size_t depth, std::string_view text) {
    open_scopes = 0;
    sink.line(depth, text);
  }
};

// The whole document, ending in exactly one line feed ("\n" when empty).
std::string format_document(const Document& doc);

// The same text written one top-level node at a time: the blank-line rule
// needs only the kind of the node before.
struct DocumentFormatter {
  Out out;
  bool previous_block = false;

  // Room for a text of about this size, taken up only as it is written.
  void reserve(std::size_t bytes);
  void node(const Node& node);
  std::string finish();
};

void format_node(Out& out, const Node& node, std::size_t depth);
// Children never get blank lines; at depth 0 the top-level rule applies.
void format_children(Out& out, const Nodes& nodes, std::size_t depth);

// Small texts shared by the writers.
// True when no "//" in the line would be read as the start of a comment.
bool keeps_whole(std::string_view line);
// A text value between quotes on its "key: " line, which the reader takes
// with every quote at its ends stripped: one quote before it, or two where
// the value's own quotes would leave a "//" to the comment cut with one;
// empty when neither keeps the line whole.
std::string quoted_text(std::string_view key, std::string_view value);
// The value of a "key: |value|" attribute, which the reader takes without the
// bars at its ends: between bars unless those would close on a bar inside
// and leave a "//" to the comment cut; then bare, or behind one bar.
std::string barred_value(std::string_view key, std::string_view value);
// An issue's id as its line writes it: bare, or between quotes or bars where
// the reader would trim it or take its own quotes and bars away.
std::string issue_id_value(const std::string& id);
// The key of a lattice artifact line: "artifact", or the list item's
// "- artifact" for a value after which the line would read as an assignment.
std::string_view artifact_key(std::string_view artifact);
void append_gate(std::string& s, const Gate& gate);  // {name} or {name body}
void append_gates(std::string& s, const std::vector<Gate>& gates);  // " {..}" each
void append_atom(std::string& s, const Atom& atom);  // :name or :name:value
// Whether a heading's name, right after its marks, would open a definition
// ("## Entity:", "## Metric:") rather than a heading: a second space keeps
// it a heading's.
bool opens_definition(std::size_t depth, std::string_view name);
// True when a heading of `name`, `atoms` and `gates`, written plainly ("#",
// a space, the name, then " :atom" and " {gate body}" each) surely reads
// back as itself: printable ASCII words at single spaces, none read as an
// atom or a schedule option, no brace but the gates', no "//", no '#' first
// and no definition title. It spares nearly every heading the read-back.
bool plain_heading(std::size_t depth, std::string_view name, const std::vector<Atom>& atoms,
                   const std::vector<Gate>& gates = {});
bool same_atoms(const std::vector<Atom>& a, const std::vector<Atom>& b);
bool same_gates(const std::vector<Gate>& a, const std::vector<Gate>& b);

// How a writer spells a gate ({name body}, or the renderer's name alone) and
// which gates it counts as the same.
struct GateSpelling {
  std::function<void(std::string&, const Gate&)> append;
  std::function<bool(const std::vector<Gate>&, const std::vector<Gate>&)> same;
  bool keeps_bodies = true;  // false: gates are read back by name alone
};
// An issue's head line that reads back as its title and gates: the gates the
// title does not hold follow it (behind a comment mark when the title would
// take them in), or go on from a '{' that the title leaves open.
std::string issue_head(const IssueDef& issue, const GateSpelling& spelling);
// "key: value" at `depth`.
void write_pair(Out& out, std::size_t depth, std::string_view key, std::string_view value);
void write_pairs(Out& out, std::size_t depth, const Pairs& pairs);
// A field line: name, "(s)" when plural, ": " and the typed value.
void write_field(Out& out, std::size_t depth, const FieldDef& field);
void write_attachment_meta(Out& out, const AttachmentMeta& meta, std::size_t depth);

// One writer per kind family; each writes the node's lines at `depth`.
void write(Out& out, const Task& task, std::size_t depth);
void write(Out& out, const Group& group, std::size_t depth);
void write(Out& out, const Define& define, std::size_t depth);
void write(Out& out, const Mutate& mutate, std::size_t depth);
void write(Out& out, const Delete& del, std::size_t depth);
void write(Out& out, const Query& query, std::size_t depth);
void write(Out& out, const Variable& variable, std::size_t depth);
void write(Out& out, const Flow& flow, std::size_t depth);
void write(Out& out, const StatesDef& states, std::size_t depth);
void write(Out& out, const ModInvoke& invoke, std::size_t depth);
void write(Out& out, const GitOp& git, std::size_t depth);
void write(Out& out, const Conditional& conditional, std::size_t depth);
void write(Out& out, const Diff& diff, std::size_t depth);
void write(Out& out, const HistoryOp& history, std::size_t depth);
void write(Out& out, const StatusDef& status, std::size_t depth);
void write(Out& out, const Routine& routine, std::size_t depth);
void write(Out& out, const Webhook& webhook, std::size_t depth);
void write(Out& out, const UseBlock& use, std::size_t depth);
void write(Out& out, const FilesDef& files, std::size_t depth);
void write(Out& out, const PolicyDef& policy, std::size_t depth);
void write(Out& out, const CodeBlock& code, std::size_t depth);

void write(Out& out, const ValidateDef& validate, std::size_t depth);
void write(Out& out, const CheckDef& check, std::size_t depth);
void write(Out& out, const FormDef& form, std::size_t depth);
void write(Out& out, const ModDef& mod, std::size_t depth);
void write(Out& out, const SyncDef& sync, std::size_t depth);
void write(Out& out, const EntityDef& entity, std::size_t depth);
void write(Out& out, const MetricDef& metric, std::size_t depth);
void write(Out& out, const GateDef& gate, std::size_t depth);
void write(Out& out, const ServeDef& serve, std::size_t depth);
void write(Out& out, const IssueDef& issue, std::size_t depth);
void write(Out& out, const ThreadComment& comment, std::size_t depth);
void write(Out& out, const CommandsDef& commands, std::size_t depth);
void write(Out& out, const ProjectDef& project, std::size_t depth);
void write(Out& out, const ProjectScope& scope, std::size_t depth);

void write(Out& out, const LatticeValidatesDef& lattice, std::size_t depth);
void write(Out& out, const LatticeConstraintDef& lattice, std::size_t depth);
void write(Out& out, const LatticeSchemaDef& lattice, std::size_t depth);
void write(Out& out, const LatticeFrontierDef& lattice, std::size_t depth);
void write(Out& out, const PressureEffectDef& lattice, std::size_t depth);
void write(Out& out, const UnitCellDef& lattice, std::size_t depth);
void write(Out& out, const SymmetryDef& lattice, std::size_t depth);

}  // namespace varn::format
