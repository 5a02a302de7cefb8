// The lowering pass: after a clean parse, groups with special titles become
// typed definitions. "Sync" groups at any level turn their sub-groups into
// sync declarations, checking each class; level-two lattice titles become
// lattice nodes.
#include <algorithm>
#include <iterator>
#include <string>
#include <unordered_map>

#include "parse/handlers.hpp"
#include "parse/lattice.hpp"
#include "parse/text.hpp"
#include "text/unicode.hpp"
#include "varn/result.hpp"

namespace varn::parse {
namespace {

using KeyValues = std::unordered_map<std::string, std::string>;

// The key lines of a group split at their first ':'; a later key replaces
// an earlier one.
KeyValues collect_key_values(const Nodes& children) {
  KeyValues table;
  for (const Node& child : children) {
    const auto line = key_line(child);
    if (!line) continue;
    if (auto kv = split_key_value(*line)) table.insert_or_assign(std::move(kv->first), std::move(kv->second));
  }
  return table;
}

std::string value_or_empty(const KeyValues& table, const std::string& key) {
  const auto it = table.find(key);
  return it == table.end() ? std::string() : it->second;
}

// The lowered node stands where the group's line did.
void replace_keeping_line(Node& node, Node&& lowered) {
  const std::size_t start = node.line_start;
  const std::size_t end = node.line_end;
  node = std::move(lowered);
  node.line_start = start;
  node.line_end = end;
}

// The lines that give `group` a class a declaration may not have.
void note_refused_classes(const Group& group, SyncRefusals& refusals) {
  for (const Node& child : group.children) {
    const auto line = key_line(child);
    const auto kv = line ? split_key_value(*line) : std::nullopt;
    if (kv && kv->first == "class" && !sync_class_accepted(kv->second)) {
      refusals.refused_classes.push_back(child.line_start);
    }
  }
}

Result<Node, ParseError> lower_sync_item(Group& group, SyncRefusals* refusals) {
  const KeyValues table = collect_key_values(group.children);
  if (refusals && !sync_class_accepted(value_or_empty(table, "class"))) note_refused_classes(group, *refusals);
  SyncDef sync;
  sync.name = std::move(group.name);
  for (const auto& [key, field] : kSyncSettings) sync.*field = value_or_empty(table, std::string(key));
  if (!refusals && !sync_class_accepted(sync.class_)) {
    return err(ParseError{"E_SYNC_INVALID_CLASS", "parse_error",
                          "Invalid sync class '" + sync.class_ + "' in sync declaration '" + sync.name +
                              "'; expected canon, ops, or data",
                          sync.name, 0});
  }
  return Node(std::move(sync));
}

std::optional<ParseError> collect_sync_defs(Nodes& children, SyncRefusals* refusals) {
  for (Node& child : children) {
    if (auto e = lower_sync_member(child, refusals)) return e;
  }
  return std::nullopt;
}

LatticeConstraintDef lower_constraint_group(Nodes children) {
  const KeyValues table = collect_key_values(children);
  LatticeConstraintDef constraint;
  constraint.rule = value_or_empty(table, "rule");
  constraint.applies_to = collect_trimmed_strings(value_or_empty(table, "applies_to"), ",");
  for (Node& child : children) {
    const auto line = key_line(child);
    if (line && (line->starts_with("rule:") || line->starts_with("applies_to:"))) continue;
    constraint.children.push_back(std::move(child));
  }
  return constraint;
}

PressureEffectDef lower_pressure_effect_group(const Nodes& children) {
  const KeyValues table = collect_key_values(children);
  PressureEffectDef effect;
  effect.dynamic = value_or_empty(table, "dynamic");
  if (const auto it = table.find("target"); it != table.end()) effect.target = it->second;
  return effect;
}

// The lattice node of a group with a lattice title, or none.
std::optional<Node> lower_lattice_group(Group& group) {
  const std::string& title = group.name;
  Nodes& children = group.children;
  if (title == "Schema") return build_lattice_schema(std::move(children));
  if (title == "Frontier") return build_lattice_frontier(std::move(children));
  if (title == "Symmetry") return SymmetryDef{std::move(children)};
  if (title == "Validates") return build_lattice_validates(std::move(children));
  if (title == "Unit Cell") return UnitCellDef{std::move(children)};
  if (title == "Constraint") return lower_constraint_group(std::move(children));
  if (title == "Pressure Effect") return lower_pressure_effect_group(children);
  return std::nullopt;
}

std::optional<ParseError> lower_list(Nodes& nodes, SyncRefusals* refusals) {
  for (Node& node : nodes) {
    if (auto e = lower_node(node, refusals)) return e;
  }
  return std::nullopt;
}

// The child lists the pass walks into; other nodes keep theirs untouched.
std::optional<ParseError> lower_children(Node& node, SyncRefusals* refusals) {
  return node.visit([refusals](auto& x) -> std::optional<ParseError> {
    using T = std::decay_t<decltype(x)>;
    if constexpr (std::is_same_v<T, Task>) {
      if (auto e = lower_list(x.children, refusals)) return e;
      if (x.on_pass) {
        if (auto e = lower_list(*x.on_pass, refusals)) return e;
      }
      if (x.on_fail) {
        if (auto e = lower_list(*x.on_fail, refusals)) return e;
      }
      if (x.match_arms) {
        for (MatchArm& arm : *x.match_arms) {
          if (auto e = lower_list(arm.children, refusals)) return e;
        }
      }
      return std::nullopt;
    } else if constexpr (std::is_same_v<T, Group> || std::is_same_v<T, ValidateDef> ||
                         std::is_same_v<T, Conditional> || std::is_same_v<T, GateDef> ||
                         std::is_same_v<T, LatticeValidatesDef> || std::is_same_v<T, LatticeConstraintDef> ||
                         std::is_same_v<T, LatticeSchemaDef> || std::is_same_v<T, LatticeFrontierDef> ||
                         std::is_same_v<T, UnitCellDef> || std::is_same_v<T, SymmetryDef> ||
                         std::is_same_v<T, IssueDef> || std::is_same_v<T, ThreadComment> ||
                         std::is_same_v<T, ProjectScope>) {
      return lower_list(x.children, refusals);
    } else {
      return std::nullopt;
    }
  });
}

constexpr std::string_view kLatticeTitles[] = {"Schema", "Frontier", "Symmetry", "Validates", "Unit Cell",
                                               "Constraint", "Pressure Effect"};

}  // namespace

bool sync_class_accepted(std::string_view c) { return c.empty() || c == "canon" || c == "ops" || c == "data"; }
bool is_sync_group(const Group& group) { return group.name == "Sync"; }

bool lowers_to_lattice(const Group& group) {
  return group.depth == 2 && std::find(std::begin(kLatticeTitles), std::end(kLatticeTitles), group.name) !=
                                 std::end(kLatticeTitles);
}

std::optional<ParseError> lower_sync_member(Node& node, SyncRefusals* refusals) {
  auto* group = node.get_if<Group>();
  if (!group) return std::nullopt;
  auto item = lower_sync_item(*group, refusals);
  if (!item) return std::move(item).error();
  replace_keeping_line(node, std::move(item).value());
  return std::nullopt;
}

// Children first, so the innermost groups are rewritten before their parents
// are looked at.
std::optional<ParseError> lower_node(Node& node, SyncRefusals* refusals) {
  if (auto e = lower_children(node, refusals)) return e;
  auto* group = node.get_if<Group>();
  if (!group) return std::nullopt;
  if (is_sync_group(*group)) {
    if (auto e = collect_sync_defs(group->children, refusals)) return e;
  }
  if (lowers_to_lattice(*group)) {
    if (auto lowered = lower_lattice_group(*group)) replace_keeping_line(node, std::move(*lowered));
  }
  return std::nullopt;
}

}  // namespace varn::parse
