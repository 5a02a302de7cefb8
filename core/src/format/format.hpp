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

#include "write/pieces.hpp"
#include "write/sink.hpp"
#include "write/values.hpp"
#include "varn/model.hpp"

namespace varn::format {

using namespace ::varn::write;

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
