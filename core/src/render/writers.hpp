#pragma once
// The renderer's writers, one overload per node payload, grouped by family in
// the files of this folder. Each writes its node at `depth` (four spaces a
// depth) and its children one depth deeper.
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "write/head_texts.hpp"
#include "write/sink.hpp"
#include "write/values.hpp"
#include "varn/model.hpp"

namespace varn::render {

using write::LineSink;

void render_node(const Node& node, std::size_t depth, LineSink& out);
// `in_sync_group` when the nodes are the children of a "Sync" heading, whose
// sub-headings the lowering makes sync declarations of.
void render_nodes(const Nodes& nodes, std::size_t depth, LineSink& out, bool in_sync_group = false);

// Sibling nodes written one at a time, as they come: of each node only what
// the next one needs is kept (whether it ended among a scope's members, which
// a divider after it must close first), so a caller may drop every node once
// it is written.
class NodeRun {
 public:
  NodeRun(LineSink& out, std::size_t depth, bool in_sync_group = false)
      : out_(out), depth_(depth), in_sync_group_(in_sync_group) {}
  void add(const Node& node);

 private:
  LineSink& out_;
  std::size_t depth_;
  bool in_sync_group_;
  std::size_t open_scopes_ = 0;
};

// Shared value writers.
void render_task_marker(const TaskMarker& marker, const std::optional<std::string>& label, std::string& out);
void render_atom_tag(const Atom& atom, std::string& out);
// The edges of a flow or state machine, one line each where that reads back.
void render_flow_edges(const std::vector<FlowEdge>& edges, std::size_t depth, LineSink& out);
// " {name}" for each gate; gate bodies are not written.
void render_gate_names(const std::vector<Gate>& gates, std::string& out);
// True when both hold gates of the same names, in the same order.
bool same_gate_names(const std::vector<Gate>& a, const std::vector<Gate>& b);
// " {name}", or " {name body}" when `body` is not empty.
void render_gate_name(const Gate& gate, std::string_view body, std::string& out);

// True when the parser would cut a trailing comment off `text` written on a
// line of its own: such a text needs a form whose lines are not cut.
bool cut_by_comment(std::string_view text);

using write::keyword_gap;

// One whole line at `depth`: the indent, then the parts.
template <class... Parts>
void emit(LineSink& out, std::size_t depth, const Parts&... parts) {
  std::string& line = out.open(depth);
  (line.append(std::string_view(parts)), ...);
  out.close();
}

// A sub-line of a record: the node's indent, `lead` (the extra spaces and the
// key) and the value.
void sub_line(LineSink& out, std::size_t depth, std::string_view lead, std::string_view value);
inline void sub_line(LineSink& out, std::size_t depth, std::string_view lead, const std::string& value) {
  sub_line(out, depth, lead, std::string_view(value));
}
inline void sub_line(LineSink& out, std::size_t depth, std::string_view lead,
                     const std::optional<std::string>& value) {
  if (value) sub_line(out, depth, lead, *value);
}
inline void sub_line_unless_empty(LineSink& out, std::size_t depth, std::string_view lead, std::string_view value) {
  if (!value.empty()) sub_line(out, depth, lead, value);
}
// One line: `lead`, the items joined with `sep` (each between `item_prefix`
// and `item_suffix`), then `close`.
void joined_line(LineSink& out, std::size_t depth, std::string_view lead, const Strings& items, std::string_view sep,
                 std::string_view item_prefix = {}, std::string_view item_suffix = {}, std::string_view close = {});
// Each field as a line four spaces deeper than the node.
void field_lines(LineSink& out, std::size_t depth, const std::vector<FieldDef>& fields);
// A header line `keyword` + `name`, then the children one depth deeper.
void named_block(LineSink& out, std::size_t depth, std::string_view keyword, std::string_view name,
                 const Nodes& children);
// Each pair as `lead`, key, ": ", value.
void pair_lines(LineSink& out, std::size_t depth, std::string_view lead, const Pairs& pairs);

// render.cpp: frame, blocks and the simple statements of the first family.
void write(const Group& g, std::size_t depth, LineSink& out);
void write(const Task& t, std::size_t depth, LineSink& out);
void write(const Prose& p, std::size_t depth, LineSink& out);
void write(const Comment& c, std::size_t depth, LineSink& out);
void write(SpawnMode mode, std::size_t depth, LineSink& out);
void write(const Divider&, std::size_t depth, LineSink& out);
void write(const CodeBlock& c, std::size_t depth, LineSink& out);
void write(const Bold& b, std::size_t depth, LineSink& out);
void write(const Variable& v, std::size_t depth, LineSink& out);
void write(const Flow& f, std::size_t depth, LineSink& out);

// data.cpp: data statements.
void write(const Define& d, std::size_t depth, LineSink& out);
void write(const Mutate& m, std::size_t depth, LineSink& out);
void write(const Delete& d, std::size_t depth, LineSink& out);
void write(const Query& q, std::size_t depth, LineSink& out);

// statements.cpp: one-line statements, headers with children, pair lists and lists.
void write(const ModInvoke& m, std::size_t depth, LineSink& out);
void write(const Snap& s, std::size_t depth, LineSink& out);
void write(const Diff& d, std::size_t depth, LineSink& out);
void write(const HistoryOp& h, std::size_t depth, LineSink& out);
void write(const StatusDef& s, std::size_t depth, LineSink& out);
void write(const Routine& r, std::size_t depth, LineSink& out);
void write(const Webhook& w, std::size_t depth, LineSink& out);
void write(const Remember& r, std::size_t depth, LineSink& out);
void write(const RecallOp& r, std::size_t depth, LineSink& out);
void write(const EmbedMarker& e, std::size_t depth, LineSink& out);
void write(const Escalate& e, std::size_t depth, LineSink& out);
void write(const DirectiveDef& d, std::size_t depth, LineSink& out);
void write(const GateDef& g, std::size_t depth, LineSink& out);
void write(const ProjectScope& s, std::size_t depth, LineSink& out);
void write(const BoundDef& b, std::size_t depth, LineSink& out);
void write(const BuildDef& b, std::size_t depth, LineSink& out);
void write(const RunDef& r, std::size_t depth, LineSink& out);
void write(const Conditional& c, std::size_t depth, LineSink& out);
void write(const ValidateDef& v, std::size_t depth, LineSink& out);
void write(const CheckDef& c, std::size_t depth, LineSink& out);
void write(const ModDef& m, std::size_t depth, LineSink& out);
void write(const GitOp& g, std::size_t depth, LineSink& out);
void write(const UseBlock& u, std::size_t depth, LineSink& out);
void write(const StatesDef& s, std::size_t depth, LineSink& out);
void write(const FilesDef& f, std::size_t depth, LineSink& out);
void write(const PolicyDef& p, std::size_t depth, LineSink& out);

// definitions.cpp: definition blocks.
void write(const SyncDef& s, std::size_t depth, LineSink& out);
// A declaration among the children of a "Sync" heading, which may go back
// as a heading of its own.
void write_sync_item(const SyncDef& s, std::size_t depth, LineSink& out);
void write(const EntityDef& e, std::size_t depth, LineSink& out);
void write(const MetricDef& m, std::size_t depth, LineSink& out);
void write(const FormDef& f, std::size_t depth, LineSink& out);
void write(const ServeDef& s, std::size_t depth, LineSink& out);
void write(const CommandsDef& c, std::size_t depth, LineSink& out);
void write(const ProjectDef& p, std::size_t depth, LineSink& out);
void write(const IssueDef& i, std::size_t depth, LineSink& out);
void write(const ThreadComment& c, std::size_t depth, LineSink& out);

// lattice.cpp: lattice kinds.
void write(const LatticeValidatesDef& l, std::size_t depth, LineSink& out);
void write(const LatticeConstraintDef& l, std::size_t depth, LineSink& out);
void write(const LatticeSchemaDef& l, std::size_t depth, LineSink& out);
void write(const LatticeFrontierDef& l, std::size_t depth, LineSink& out);
void write(const PressureEffectDef& p, std::size_t depth, LineSink& out);
void write(const UnitCellDef& u, std::size_t depth, LineSink& out);
void write(const SymmetryDef& s, std::size_t depth, LineSink& out);

}  // namespace varn::render
