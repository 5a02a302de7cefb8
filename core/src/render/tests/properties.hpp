#pragma once
// The round-trip property of the renderer, shared by the corpus test and the
// fuzz target: rendering a parsed document and parsing the text again gives
// the same tree, but for the fields the renderer leaves out on purpose; and
// rendering that tree writes the same text again.
#include <string>
#include <string_view>
#include <type_traits>

#include "tests/compare.hpp"
#include "parse/text.hpp"
#include "varn/ast.hpp"
#include "varn/parse.hpp"
#include "varn/render.hpp"

namespace varn::render::testing {

inline void drop_left_out(Nodes& nodes);

inline void drop_gate_bodies(std::vector<Gate>& gates) {
  for (Gate& g : gates) g.body.reset();
}

// Clears, in place, every field that the renderer does not write.
inline void drop_left_out(Node& node) {
  node.visit([](auto& p) {
    using P = std::decay_t<decltype(p)>;
    if constexpr (requires { p.children; }) {
      if constexpr (std::is_same_v<decltype(p.children), Nodes>) drop_left_out(p.children);
    }
    if constexpr (std::is_same_v<P, Group>) {
      p.gates.clear();
    } else if constexpr (std::is_same_v<P, Task>) {
      p.inline_.clear();
      p.closes.reset();
      p.marker.priority = MarkerPriority::None;
      drop_gate_bodies(p.gates);
      if (p.on_pass) drop_left_out(*p.on_pass);
      if (p.on_fail) drop_left_out(*p.on_fail);
      if (p.match_arms) {
        for (MatchArm& arm : *p.match_arms) drop_left_out(arm.children);
      }
    } else if constexpr (std::is_same_v<P, Prose>) {
      p.inline_.clear();
    } else if constexpr (std::is_same_v<P, Mutate>) {
      // The space that stood before the gate goes with it, unless an id
      // follows.
      if (p.gate && !p.id) p.entity.resize(p.entity.find_last_not_of(' ') + 1);
      p.gate.reset();
    } else if constexpr (std::is_same_v<P, Flow>) {
      p.name.reset();
    } else if constexpr (std::is_same_v<P, Variable>) {
      if (auto* ref = std::get_if<Ref>(&p.value)) {
        ref->plural = false;
        ref->mod_scope.reset();
        ref->workspace_scope.reset();
      }
    } else if constexpr (std::is_same_v<P, ValidateDef> || std::is_same_v<P, CheckDef>) {
      p.meta = {};
    } else if constexpr (std::is_same_v<P, ModDef>) {
      p.versioned = false;
    } else if constexpr (std::is_same_v<P, UseBlock>) {
      p.entity.reset();
      p.from_mod.reset();
      p.from_workspace.reset();
      p.alias.reset();
    } else if constexpr (std::is_same_v<P, SyncDef>) {
      p.mode.clear();
      p.target.clear();
      p.schedule.clear();
      p.scope.clear();
    } else if constexpr (std::is_same_v<P, IssueDef> || std::is_same_v<P, ThreadComment>) {
      drop_gate_bodies(p.gates);
    }
  });
}

inline void drop_left_out(Nodes& nodes) {
  for (Node& n : nodes) drop_left_out(n);
}

inline std::string comparable(Document doc) {
  drop_left_out(doc.nodes);
  return serialize_document(doc);
}

// Spawn marks and dividers are written at column 0 whatever their depth, so
// below the top level they end the blocks around them: such trees are not
// expected to come back.
inline bool has_nested_marker(const Nodes& nodes, bool nested);

inline bool has_nested_marker(const Node& node, bool nested) {
  return node.visit([&](const auto& p) {
    using P = std::decay_t<decltype(p)>;
    if constexpr (std::is_same_v<P, SpawnMode> || std::is_same_v<P, Divider>) {
      return nested;
    } else if constexpr (std::is_same_v<P, Task>) {
      bool found = has_nested_marker(p.children, true);
      if (p.on_pass) found = found || has_nested_marker(*p.on_pass, true);
      if (p.on_fail) found = found || has_nested_marker(*p.on_fail, true);
      if (p.match_arms) {
        for (const MatchArm& arm : *p.match_arms) found = found || has_nested_marker(arm.children, true);
      }
      return found;
    } else if constexpr (requires { p.children; }) {
      if constexpr (std::is_same_v<decltype(p.children), Nodes>) return has_nested_marker(p.children, true);
      return false;
    } else {
      return false;
    }
  });
}

inline bool has_nested_marker(const Nodes& nodes, bool nested) {
  for (const Node& n : nodes) {
    if (has_nested_marker(n, nested)) return true;
  }
  return false;
}

// The text without the spaces that end its lines.
inline std::string without_line_ends(const std::string& text) {
  std::string out;
  for (std::string_view line : parse::split_lines(text)) {
    out.append(line.substr(0, line.find_last_not_of(' ') + 1)).push_back('\n');
  }
  return out;
}

// Empty when the property holds for `source` (or it does not parse, or holds
// a marker below the top level); otherwise what went wrong.
inline std::string check_render_properties(std::string_view source) {
  auto first = parse_source(source);
  if (!first || has_nested_marker(first.value().nodes, false)) return {};
  const std::string rendered = render_document(first.value());
  auto second = parse_source(rendered);
  if (!second) return "rendered text does not parse:\n" + rendered;
  const std::string want = comparable(first.value());
  const std::string again = comparable(second.value());
  if (again != want) {
    return "tree changed" + varn::testing::first_difference(want, again) + "\n--- rendered:\n" + rendered;
  }
  // Up to spaces at line ends, where a text that the parser keeps untrimmed
  // may end.
  const std::string twice = render_document(second.value());
  if (without_line_ends(twice) != without_line_ends(rendered)) {
    return "second render differs" + varn::testing::first_difference(rendered, twice);
  }
  return {};
}

}  // namespace varn::render::testing
