#pragma once
// Random documents of the nodes whose own lines stand among their members'
// and whose readers take settings from those: lattice nodes (every heading
// title the lowering reads, and the line forms) with key lines spelled
// "key:", "key :", "key: " and "key : ", a project scope's head, a task's
// clause, section and pattern lines. Their values begin with what a line's
// reader reacts to ('=', ':', '-', '#', "[ ]", '?', '%', '|', '"', "//"), and
// scopes, tasks and dividers stand among the members. Deterministic for a
// given seed, as the interlocking documents are.
#include <string>
#include <string_view>

#include "tests/interlocking.hpp"

namespace varn::testing {

// A value: one of the starts, then up to three tokens.
inline std::string own_line_value(Interlocking& g) {
  static constexpr std::string_view kStarts[] = {"=", ":", "-", "#", "[ ]", "?", "%", "|", "\"", "//", "", "a"};
  static constexpr std::string_view kTokens[] = {"a", "b", " ", "=", ":", ",", " , ", "x", "//", "|", "\"", "-", "{g}", "#", "%", "=x"};
  std::string s(kStarts[g.below(std::size(kStarts))]);
  for (std::size_t n = g.below(4); n > 0; --n) s.append(kTokens[g.below(std::size(kTokens))]);
  return s;
}

// "key" with its colon spelled one of the four ways, then the value.
inline std::string own_key_line(Interlocking& g, std::string_view key) {
  return cat({key, g.pick({":", " :", ": ", " : "}), own_line_value(g)});
}

// One member at `indent` (its own lines deeper where it has some): a key
// line of `keys`, prose, a scope, a task or a divider.
inline std::string own_line_member(Interlocking& g, std::string_view indent,
                                   std::initializer_list<std::string_view> keys) {
  const std::string deeper = std::string(indent) + "  ";
  switch (g.below(8)) {
    case 0:
      return cat({indent, "note ", own_line_value(g), "\n"});
    case 1:
      return cat({indent, "%", own_line_value(g), "\n", deeper, "x\n", g.coin() ? "---\n" : ""});
    case 2:
      return cat({indent, g.pick({"[ ] t", "[x] u"}), "\n", deeper, own_key_line(g, g.pick({"status", "depends"})), "\n",
                  g.coin() ? cat({deeper, g.pick({"on_pass:", "match:"}), "\n", deeper, own_line_value(g), ":\n"}) : ""});
    case 3:
      return cat({g.pick({"", std::string_view(indent)}), "---\n"});
    default:
      return cat({indent, own_key_line(g, keys.begin()[g.below(keys.size())]), "\n"});
  }
}

// A lattice node of `title` (heading form) or `keyword` (line form), with
// up to five members whose key lines use `keys`.
inline std::string lattice_node(Interlocking& g, std::string_view title, std::string_view keyword,
                                std::initializer_list<std::string_view> keys) {
  const bool heading = g.below(4) != 0;
  const std::string_view indent = heading ? "  " : "    ";
  std::string s = heading ? cat({"## ", title, "\n"}) : cat({keyword, "\n"});
  for (std::size_t n = g.below(6); n > 0; --n) s.append(own_line_member(g, indent, keys));
  return s;
}

inline const InterlockingKind kOwnLineKinds[] = {
    {"constraint", [](Interlocking& g) { return lattice_node(g, "Constraint", "lattice_constraint:", {"rule", "applies_to", "other"}); }},
    {"pressure effect",
     [](Interlocking& g) { return lattice_node(g, "Pressure Effect", "pressure_effect:", {"dynamic", "target", "other"}); }},
    {"schema", [](Interlocking& g) { return lattice_node(g, "Schema", "lattice_schema:", {"name", "type", "required"}); }},
    {"frontier",
     [](Interlocking& g) {
       return lattice_node(g, "Frontier", "lattice_frontier:", {"expected_schema", "missing_field", "strategy"});
     }},
    {"validates",
     [](Interlocking& g) { return lattice_node(g, "Validates", "lattice_validates:", {"artifact", "- artifact", "schema"}); }},
    {"unit cell", [](Interlocking& g) { return lattice_node(g, "Unit Cell", "unit_cell:", {"rule", "name"}); }},
    {"symmetry", [](Interlocking& g) { return lattice_node(g, "Symmetry", "symmetry:", {"rule", "name"}); }},
    {"scope head",
     [](Interlocking& g) {
       std::string s = cat({"%", own_line_value(g), own_line_value(g), "\n"});
       for (std::size_t n = g.below(4); n > 0; --n) s.append(own_line_member(g, "  ", {"rule", "status"}));
       return s;
     }},
    {"task sections",
     [](Interlocking& g) {
       std::string s = "[ ] t\n";
       for (std::size_t n = 1 + g.below(6); n > 0; --n) {
         switch (g.below(4)) {
           case 0:
             s.append(cat({"  ", g.pick({"on_pass:", "on pass:", "on_fail:", "on fail:", "match:"}), "\n"}));
             break;
           case 1:
             s.append(cat({"  ", own_line_value(g), g.pick({":", "::"}), "\n"}));
             break;
           default:
             s.append(own_line_member(g, g.pick({"  ", "    "}), {"status", "depends", "validate"}));
         }
       }
       return s;
     }},
};

}  // namespace varn::testing
