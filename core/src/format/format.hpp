#pragma once
// The canonical formatter behind `fmt`: two spaces per depth, trailing
// whitespace removed from every line, one blank line between consecutive
// top-level block nodes, one final line feed.
//
// What it writes must read back as the tree it was given. Where a template
// would be read differently by the parser, a writer mends it where the mend
// is simple (a space, a second colon, a block form); where a head line's
// parts interlock (bars, quotes and braces deciding what the comment cut and
// the gate reader take), it writes the node's own line from the source
// instead, which reads back by construction.
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "write/head_texts.hpp"
#include "write/sink.hpp"
#include "write/values.hpp"
#include "varn/model.hpp"

namespace varn::format {

using namespace ::varn::write;

// Where in the sink the members of the node being written went, but for
// those whose lines its reader takes settings from where it does (they stay
// among its own lines): its own lines are the rest. Members written side by
// side make one span, so most nodes need no more than the first.
class MemberSpans {
 public:
  explicit MemberSpans(bool keeps_setting_lines) : keeps_setting_lines_(keeps_setting_lines) {}
  // Notes `member`, written from `from` to `to` in the sink.
  void add(const Node& member, std::size_t from, std::size_t to);
  // `written`, which starts at `mark` in the sink, without the spans.
  std::string_view outside(std::string_view written, std::size_t mark, std::string& buffer) const;

 private:
  static constexpr std::size_t kNone = std::string_view::npos;
  bool keeps_setting_lines_;
  std::pair<std::size_t, std::size_t> first_{kNone, kNone};
  std::vector<std::pair<std::size_t, std::size_t>> more_;
};

// The formatter's output: the line sink, the count of `%` scopes that end at
// the last line written (a divider line right after them would close them
// instead of standing as a divider), and the source with where the line of
// the node being written starts in it (npos when the tree was not read from
// a source, or the node has no line of its own), and where its members'
// lines go when its own lines are checked (none otherwise).
struct Out {
  LineSink sink{"  ", true};
  std::size_t open_scopes = 0;
  std::string_view source;
  std::size_t node_start = std::string_view::npos;
  MemberSpans* members = nullptr;
  // The nesting level at which the parser reads the node being written
  // (its members stand one deeper): at the limit, a node has no member
  // block, and lines written below it read as its siblings.
  std::size_t level = 0;
  // The node being written has a member block: its members' level, where
  // its writer stands, is within the limit.
  bool takes_members() const;
  // Own lines known to read back are read all the same (for the tests of
  // that knowledge).
  bool read_plain = false;

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
// Given the source it was read from, a head line whose own text would not
// read back is that source line; without one, every line is the writers'.
std::string format_document(const Document& doc, std::string_view source = {});

// The same text written one top-level node at a time: the blank-line rule
// needs only the kind of the node before. The source stays readable while
// its node is written. A group may come member by member (`open`, its
// members, `close`), as a streamed parse hands it on: a group's lines are
// its heading's and its members', and none of them is checked whole.
struct DocumentFormatter {
  Out out;
  bool previous_block = false;
  std::size_t depth = 0;  // of the groups open

  explicit DocumentFormatter(std::string_view source = {}) { out.source = source; }

  // Room for a text of about this size, taken up only as it is written.
  void reserve(std::size_t bytes);
  void node(const Node& node);
  void open(const Node& group);
  void close();
  std::string finish();
};

// The node's lines: the templates', or the source's where those would not
// keep the tree.
void format_node(Out& out, const Node& node, std::size_t depth);
// The node's lines as the templates write them, unchecked.
void format_node_lines(Out& out, const Node& node, std::size_t depth);
// Where `node`'s members go while its own lines are read apart from them
// (see keeps_the_tree): none unless it was read from this source, its kind
// is one of those, and its templates are not known to give it by
// construction.
std::optional<MemberSpans> own_lines_apart(const Out& out, const Node& node);
// True when `written`, the lines written for `node` from `mark` on in the
// sink (its members' in `members` where its own lines are read), keep it: always for a node not read from this
// source. A node that holds no nodes of its own keeps it when its lines are
// those its reader took from the source (the same texts, their
// indentations in the same order) or read back alone as the node. One whose
// own lines are read apart keeps it when those, with the lines of the
// members its reader takes settings from, read back alone as the node with
// only those members.
bool keeps_the_tree(const Out& out, std::string_view written, std::size_t mark, const MemberSpans* members,
                    const Node& node);
// The lines the node's reader took from the source, its members' too, as
// they stand there.
void write_source_node(Out& out, const Node& node, std::size_t depth);

// How a head line is cut when it is written from the source: at its comment
// as the parser cuts it, or whole where the parser reads past the cut (the
// gates of an issue or a comment line).
enum class Cut { AtComment, Whole };
// The line starting at `start` in the source, trimmed and cut; none without one.
std::optional<std::string_view> source_line(const Out& out, std::size_t start, std::string& buffer, Cut cut);
// The body lines of the node whose line starts at `start` in the source (the
// lines after it indented deeper, as a construct reads its raw body), each
// cut at its comment, at `depth`; those left empty are not written.
void write_source_body(Out& out, std::size_t start, std::size_t depth);
// A head line at `depth`: `canonical` when `reads_back(canonical)` holds or
// there is no source line at `start` to fall back on, else that line. True
// when the canonical text was written.
template <class ReadsBack>
bool write_head(Out& out, std::size_t depth, std::string_view canonical, ReadsBack&& reads_back, std::size_t start,
                Cut cut = Cut::AtComment) {
  std::string buffer;
  std::optional<std::string_view> own;
  if (start < out.source.size() && !reads_back(canonical)) own = source_line(out, start, buffer, cut);
  out.line(depth, own ? *own : canonical);
  return !own;
}
// No byte of `s` is one the comment cut or the gate reader look at (a quote,
// a bar, a backslash, a brace), and it holds no "//".
bool quiet(std::string_view s);
// A divider line (`text`), after the lines that close the scopes ending right before it.
void write_divider(Out& out, std::size_t depth, std::string_view text);
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
// A heading line alone.
void write_heading(Out& out, const Group& group, std::size_t depth);
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
