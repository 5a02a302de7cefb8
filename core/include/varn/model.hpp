#pragma once
// The document tree: plain records owned by the lists that hold them.
// A node owns its children; there are no parent links and no sharing.
#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>
#include <variant>
#include <vector>

namespace varn {

struct Node;
using Nodes = std::vector<Node>;
using Strings = std::vector<std::string>;
// Ordered key/value string pairs; a key may repeat.
using Pairs = std::vector<std::pair<std::string, std::string>>;

// ---------------------------------------------------------------- values

struct Atom {
  std::string name;
  std::optional<std::string> value;
};

struct Gate {
  std::string name;
  std::optional<std::string> body;
};

struct Ref {
  Strings path;
  bool plural = false;
  std::optional<std::string> mod_scope;
  std::optional<std::string> workspace_scope;
};

struct Compute {
  std::string expr;
  bool live = false;
};

struct Time {
  std::string constraint;
  std::string expr;
};

// ---------------------------------------------------------------- small enums

enum class SpawnMode : uint8_t { Parallel, Sequential };
enum class MarkerKind : uint8_t { Open, Required, Optional, Completed };
enum class MarkerPriority : uint8_t { None, Required, Optional, Decision };

namespace prefix {
struct None {};
struct Parallel {};
struct Subtask {
  uint8_t count = 0;
};
struct ParallelSubtask {};
}  // namespace prefix
using MarkerPrefix = std::variant<prefix::None, prefix::Parallel, prefix::Subtask, prefix::ParallelSubtask>;

// VariableValue: Literal (the string), Compute, Ref.
using VariableValue = std::variant<std::string, Compute, Ref>;

namespace fv {
struct Str {
  std::string value;
};
struct Int {
  int64_t value = 0;
};
struct Float {
  double value = 0;
};
struct Bool {
  bool value = false;
};
struct Atom {
  std::string value;
};
struct Enum {
  Strings value;
};
struct Ref {
  std::string value;
};
struct List {};
struct Timestamp {
  std::string value;
};
struct Nil {};
struct Trit {
  int8_t value = 0;
};
}  // namespace fv
// The typed value of a field; the variant also names the field's type.
using FieldValue = std::variant<fv::Str, fv::Int, fv::Float, fv::Bool, fv::Atom, fv::Enum, fv::Ref, fv::List,
                                fv::Timestamp, fv::Nil, fv::Trit>;

struct TaskMarker {
  MarkerKind kind = MarkerKind::Open;
  MarkerPriority priority = MarkerPriority::None;
  MarkerPrefix prefix;
  std::optional<uint32_t> seq;
};

// ---------------------------------------------------------------- boxes

// A record held out of line. A variant is as large as its largest
// alternative, and most nodes and spans are small (prose and text runs above
// all), so the large records live behind a pointer. A box always holds a
// record: copies are deep, and only a box that was moved from is empty (it
// may then only be assigned or destroyed).
template <class T>
class Box {
 public:
  Box(T value) : p_(std::make_unique<T>(std::move(value))) {}
  Box(const Box& other) : p_(other.p_ ? std::make_unique<T>(*other.p_) : nullptr) {}
  Box(Box&&) noexcept = default;
  Box& operator=(const Box& other) {
    if (this != &other) p_ = other.p_ ? std::make_unique<T>(*other.p_) : nullptr;
    return *this;
  }
  Box& operator=(Box&&) noexcept = default;

  T& operator*() { return *p_; }
  const T& operator*() const { return *p_; }

 private:
  std::unique_ptr<T> p_;
};

template <class T>
struct Unboxed {
  using type = T;
};
template <class T>
struct Unboxed<Box<T>> {
  using type = T;
};

template <class T>
T& unbox(T& x) {
  return x;
}
template <class T>
T& unbox(Box<T>& b) {
  return *b;
}
template <class T>
const T& unbox(const Box<T>& b) {
  return *b;
}

template <class T, class V>
struct BoxedIn;
template <class T, class... Ts>
struct BoxedIn<T, std::variant<Ts...>> {
  static constexpr bool value = (std::is_same_v<Box<T>, Ts> || ...);
};

// The record of kind T that a variant of records holds, boxed or not, or
// null when it holds another kind.
template <class T, class... Ts>
const T* held_if(const std::variant<Ts...>& v) {
  if constexpr (BoxedIn<T, std::variant<Ts...>>::value) {
    const auto* box = std::get_if<Box<T>>(&v);
    return box ? &**box : nullptr;
  } else {
    return std::get_if<T>(&v);
  }
}

// Calls `f` with the record a variant of records holds, whatever its kind.
template <class F, class V>
decltype(auto) visit_held(F&& f, V& v) {
  return std::visit([&](auto& held) -> decltype(auto) { return f(unbox(held)); }, v);
}

// ---------------------------------------------------------------- inline spans

struct InlineText {
  std::string value;
};
struct InlineChannel {
  std::string name;
};
struct InlineModCall {
  std::string name;
  std::optional<std::string> args;
};
struct InlineBold {
  std::string value;
};
struct InlineProjectRef {
  std::string name;
};

// Records larger than `Compute` are boxed: text runs and the short marked
// spans make most of a line's spans. Read a span with `held_if` and
// `visit_held`, which see through the boxes.
using Inline = std::variant<InlineText, Box<Ref>, InlineChannel, Box<InlineModCall>, Compute, InlineBold, Box<Atom>,
                            Box<Gate>, Box<Time>, InlineProjectRef>;
using Inlines = std::vector<Inline>;

// ---------------------------------------------------------------- shared shapes
// Several node payloads share one shape but stay distinct types; the tag names
// the record.

template <class Tag>
struct TextRecord {
  std::string text;
};
template <class Tag>
struct NamedChildren {
  std::string name;
  Nodes children;
};
template <class Tag>
struct ChildrenRecord {
  Nodes children;
};

#define VARN_TAG(T) \
  struct T##Tag {   \
    static constexpr std::string_view name = #T; \
  }
VARN_TAG(Comment);
VARN_TAG(Bold);
VARN_TAG(GateDef);
VARN_TAG(ProjectScope);
VARN_TAG(BoundDef);
VARN_TAG(BuildDef);
VARN_TAG(RunDef);
VARN_TAG(UnitCellDef);
VARN_TAG(SymmetryDef);
#undef VARN_TAG

using Comment = TextRecord<CommentTag>;
using Bold = TextRecord<BoldTag>;
using GateDef = NamedChildren<GateDefTag>;
using ProjectScope = NamedChildren<ProjectScopeTag>;
using BoundDef = NamedChildren<BoundDefTag>;
using BuildDef = NamedChildren<BuildDefTag>;
using RunDef = NamedChildren<RunDefTag>;
using UnitCellDef = ChildrenRecord<UnitCellDefTag>;
using SymmetryDef = ChildrenRecord<SymmetryDefTag>;

// ---------------------------------------------------------------- block and statement records

struct Group {
  uint8_t depth = 0;  // the heading level
  std::string name;
  std::vector<Atom> atoms;
  std::vector<Gate> gates;
  Nodes children;
};

struct MatchArm {
  std::string pattern;
  Nodes children;
};

struct Task {
  TaskMarker marker;
  std::optional<std::string> label;
  std::string text;
  Inlines inline_;  // "inline" in JSON
  std::vector<Gate> gates;
  Nodes children;
  std::optional<Nodes> on_pass;
  std::optional<Nodes> on_fail;
  std::optional<std::vector<MatchArm>> match_arms;
  std::optional<uint32_t> closes;
  std::optional<std::string> depends;
  std::optional<std::string> validate;
  std::optional<std::string> status;
};

struct Prose {
  std::string text;
  Inlines inline_{};  // "inline" in JSON
};

struct FieldDef {
  std::string name;
  bool plural = false;
  FieldValue default_;  // "default" in JSON
};

struct Define {
  std::string entity;
  std::vector<Atom> atoms;
  std::vector<FieldDef> fields;
  std::optional<std::string> from_scope;
  std::optional<std::string> mod_scope;
  std::optional<std::string> workspace_scope;
};

struct BatchRecord {
  std::string id;
  Pairs fields;
};

struct Mutate {
  std::string entity;
  std::optional<std::string> id;
  std::optional<Gate> gate;
  Pairs fields;
  std::optional<std::vector<BatchRecord>> batch;
  std::optional<std::string> mod_scope;
  std::optional<std::string> workspace_scope;
};

struct Delete {
  std::string entity;
  std::string id;
  std::optional<std::string> mod_scope;
  std::optional<std::string> workspace_scope;
};

struct Query {
  std::string entity;
  bool plural = false;
  std::optional<std::string> filter;
  std::optional<std::string> sort;
  std::optional<uint32_t> limit;
  std::optional<Strings> include;
  std::optional<std::string> mod_scope;
  std::optional<std::string> workspace_scope;
  std::optional<std::string> from_snapshot;
};

struct Variable {
  std::string name;
  VariableValue value;
};

struct FlowEdge {
  Strings from;
  Strings to;
  std::optional<std::string> label;
  bool parallel = false;
  std::optional<std::string> gate;
  std::optional<std::string> wait;
  std::optional<std::string> timeout;
};

struct Flow {
  std::optional<std::string> name;
  std::vector<FlowEdge> edges;
};

struct Snap {
  std::string name;
};

struct Diff {
  std::string target;
  std::optional<std::string> from_snapshot;
};

struct HistoryOp {
  std::string target;
  std::optional<uint32_t> limit;
};

struct Conditional {
  Compute condition;
  Nodes children;
};

struct ModInvoke {
  std::string name;
  std::optional<std::string> method;
  std::optional<std::string> args;
};

struct GitOp {
  std::string verb;
  std::string args;
  Pairs body;
};

struct UseBlock {
  std::string mod_name;
  Pairs config;
  std::optional<std::string> entity;
  std::optional<std::string> from_mod;
  std::optional<std::string> from_workspace;
  std::optional<std::string> alias;
};

struct Remember {
  std::string content;
};
struct RecallOp {
  std::string query;
};
struct EmbedMarker {
  std::string tag;
};
struct Escalate {
  std::string target;
};

struct CodeBlock {
  std::optional<std::string> lang;
  std::string content;
};

struct ThreadComment {
  std::optional<std::string> on;
  std::optional<std::string> author;
  std::string body;
  Strings reactions;
  std::optional<std::string> created_at;
  std::vector<Gate> gates;
  Nodes children;  // the replies
};

// ---------------------------------------------------------------- definition records

struct AttachmentMeta {
  std::optional<std::string> id;
  Strings targets;
  Strings requires_;  // "requires" in JSON
  Strings blocks;
  Strings depends_on;
};

struct StatesDef {
  std::vector<FlowEdge> transitions;
};

struct ValidateDef {
  std::string name;
  AttachmentMeta meta;
  Nodes children;
};

struct CheckDef {
  std::string name;
  AttachmentMeta meta;
  Pairs body;
};

struct FormStorageDef {
  std::optional<std::string> canonical;
  std::optional<std::string> entity;
  std::optional<std::string> duckdb;
};

struct FormProjectionDef {
  std::string target;
  std::string mapping;
};

struct FormDef {
  std::string name;
  std::optional<uint32_t> schema_version;
  std::optional<std::string> ui_layout;
  Strings ui_pages;
  FormStorageDef storage;
  std::vector<FormProjectionDef> projections;
  std::vector<FieldDef> fields;
};

struct ModDef {
  std::string name;
  std::optional<std::string> kind;
  std::optional<std::string> description;
  std::optional<Strings> trigger;
  Pairs body;
  bool versioned = false;
};

struct StatusDef {
  Strings options;
};

struct Routine {
  std::string trigger;
  std::string expr;
};

struct Webhook {
  std::string trigger;
  std::string url;
  std::optional<std::string> payload;
};

struct FilesDef {
  Strings paths;
};

struct PolicyRule {
  std::string path;
  std::vector<Gate> gates;
  // Where the rule's line starts in the source it was read from (npos when
  // it was not): the formatter writes that line where its own would not
  // read back. Not part of the tree's JSON.
  std::size_t line_start = std::string::npos;
};

struct PolicyDef {
  std::vector<PolicyRule> rules;
};

struct SyncDef {
  std::string name;
  std::string class_;  // "class" in JSON
  std::string source;
  std::string identity;
  std::string mode;
  std::string target;
  std::string schedule;
  std::string scope;
};

struct EntityField {
  std::string name;
  std::string field_type;
};

struct EntityDef {
  std::string name;
  std::string source;
  std::string namespace_;  // "namespace" in JSON
  std::string identity;
  std::vector<EntityField> fields;
};

struct MetricDef {
  std::string name;
  std::optional<std::string> source;
  std::optional<std::string> grain;
  Strings dimensions;
  std::string formula;
  bool cross_source = false;
};

struct ServeDef {
  std::string target;
  std::string command;
  std::optional<std::string> port;
  std::optional<std::string> open;
};

struct IssueDef {
  std::string title;
  std::optional<std::string> id;
  std::optional<std::string> on;
  std::optional<std::string> status;
  std::optional<std::string> priority;
  std::optional<std::string> assignee;
  Strings labels;
  std::optional<double> estimate;
  std::optional<std::string> milestone;
  std::optional<std::string> due_date;
  std::optional<std::string> description;
  std::vector<Gate> gates;
  Nodes children;
};

struct CommandEntry {
  std::string name;
  std::string description;
  Strings params;
  std::string prompt;
};

struct CommandsDef {
  std::vector<CommandEntry> commands;
};

struct ProjectDef {
  std::string name;
  std::string brief{};
  std::optional<std::string> heartbeat{};
  std::optional<std::string> framework{};
  std::optional<std::string> status{};
  std::optional<CommandsDef> commands{};
  std::optional<ServeDef> serve{};
  std::optional<double> fitness{};
  std::optional<double> pressure{};
  std::optional<std::string> phase{};
  std::optional<std::string> inhibited_until{};
  std::optional<std::string> completion{};
  std::optional<std::string> kpi{};
  std::optional<std::string> routine{};
};

struct DirectiveDef {
  std::string kind;
  std::string value;
};

// ---------------------------------------------------------------- lattice records

struct LatticeCheck {
  std::string field;
  bool required = false;
  std::optional<uint32_t> min_items;
};

struct LatticeArtifactRef {
  std::string artifact;
  std::optional<std::string> schema;
  std::vector<LatticeCheck> checks;
};

struct LatticeSchemaField {
  std::string name;
  std::string field_type;
  bool required = false;
};

struct LatticeValidatesDef {
  std::vector<LatticeArtifactRef> artifacts;
  Nodes children;
};

struct LatticeConstraintDef {
  std::optional<std::string> constraint_type;
  std::string rule;
  Strings applies_to;
  Nodes children;
};

struct LatticeSchemaDef {
  std::vector<LatticeSchemaField> fields;
  Nodes children;
};

struct LatticeFrontierDef {
  std::optional<std::string> expected_schema;
  Strings missing_fields;
  Strings exploration_strategy;
  Nodes children;
};

struct PressureEffectDef {
  std::string dynamic;
  std::optional<std::string> target;
};

// ---------------------------------------------------------------- the node

struct Divider {};

// The alternatives stand in the fixed order of the node kinds; an index is a
// kind's position in that order (see node_kind_names). Records larger than
// `Prose` are boxed.
using NodeVariant =
    std::variant<Box<Group>, Box<Task>, Prose, Comment, SpawnMode, Divider, Box<Define>, Box<Mutate>, Box<Delete>,
                 Box<Query>, Box<Variable>, Box<Flow>, StatesDef, Box<ValidateDef>, Box<CheckDef>, Box<FormDef>,
                 Box<ModDef>, Box<ModInvoke>, Box<GitOp>, Box<Conditional>, Snap, Box<Diff>, HistoryOp, StatusDef,
                 Box<Routine>, Bold, Box<Webhook>, Box<UseBlock>, Remember, RecallOp, EmbedMarker, FilesDef, PolicyDef,
                 Escalate, Box<SyncDef>, Box<EntityDef>, Box<MetricDef>, GateDef, LatticeValidatesDef,
                 Box<LatticeConstraintDef>, LatticeSchemaDef, Box<LatticeFrontierDef>, Box<PressureEffectDef>,
                 UnitCellDef, SymmetryDef, Box<CodeBlock>, Box<ServeDef>, Box<IssueDef>, Box<ThreadComment>,
                 CommandsDef, Box<ProjectDef>, ProjectScope, BoundDef, BuildDef, RunDef, Box<DirectiveDef>>;

// The record type of the node kind at index I.
template <std::size_t I>
using NodeKind = typename Unboxed<std::variant_alternative_t<I, NodeVariant>>::type;

// A node: one record of one of the node kinds. The accessors see through the
// boxes, so code handles the records themselves.
struct Node {
  NodeVariant value;
  // Where the node's first line starts in the source it was read from, and
  // where the line after the last one its reader took starts (npos when it
  // was not read from a source): the formatter writes those lines where its
  // own would not read back. Not part of the tree's JSON.
  std::size_t line_start = std::string::npos;
  std::size_t line_end = std::string::npos;

  template <class T>
    requires(!std::is_same_v<std::remove_cvref_t<T>, Node> && std::is_constructible_v<NodeVariant, T>)
  Node(T&& payload) : value(std::forward<T>(payload)) {}

  // The record if the node is of kind T, else null.
  template <class T>
  const T* get_if() const {
    return held_if<T>(value);
  }
  template <class T>
  T* get_if() {
    return const_cast<T*>(std::as_const(*this).get_if<T>());
  }
  // The record of a node known to be of kind T (std::bad_variant_access otherwise).
  template <class T>
  const T& get() const {
    if constexpr (BoxedIn<T, NodeVariant>::value) {
      return *std::get<Box<T>>(value);
    } else {
      return std::get<T>(value);
    }
  }
  template <class T>
  T& get() {
    return const_cast<T&>(std::as_const(*this).get<T>());
  }
  template <class T>
  bool holds() const {
    return get_if<T>() != nullptr;
  }

  // Calls `f` with the record, whatever its kind.
  template <class F>
  decltype(auto) visit(F&& f) const {
    return visit_held(f, value);
  }
  template <class F>
  decltype(auto) visit(F&& f) {
    return visit_held(f, value);
  }
};

inline constexpr size_t kNodeKindCount = 56;
static_assert(std::variant_size_v<NodeVariant> == kNodeKindCount);

// The `kind` text of each node variant, by index.
inline constexpr std::array<std::string_view, kNodeKindCount> node_kind_names = {
    "Group",        "Task",         "Prose",          "Comment",
    "Spawn",        "Divider",      "Define",         "Mutate",
    "Delete",       "Query",        "Variable",       "Flow",
    "States",       "Validate",     "Check",          "Form",
    "ModDef",       "ModInvoke",    "Git",            "Conditional",
    "Snap",         "Diff",         "History",        "StatusDef",
    "Routine",      "Bold",         "Webhook",        "UseBlock",
    "Remember",     "Recall",       "EmbedMarker",    "FilesDef",
    "PolicyDef",    "Escalate",     "SyncDef",        "EntityDef",
    "MetricDef",    "GateDef",      "LatticeValidates", "LatticeConstraint",
    "LatticeSchema", "LatticeFrontier", "PressureEffect", "UnitCell",
    "Symmetry",     "CodeBlock",    "Serve",          "Issue",
    "ThreadComment", "Commands",    "Project",        "ProjectScope",
    "BoundDef",     "BuildDef",     "RunDef",         "Directive",
};

inline constexpr std::array<std::string_view, 10> inline_kind_names = {
    "Text", "Ref", "Channel", "ModCall", "Compute", "Bold", "Atom", "Gate", "Time", "ProjectRef",
};

struct Document {
  Nodes nodes;
};

}  // namespace varn
