#pragma once
// The lattice records built from a list of child nodes: shared by the lattice
// line forms and by the lowering of specially titled groups.
#include <optional>
#include <string_view>

#include "varn/model.hpp"

namespace varn::parse {

// The trimmed text of a prose child; other kinds of node have no key line.
std::optional<std::string_view> key_line(const Node& node);

// The rest of a key line after `prefix`, trimmed, when it starts with it.
std::optional<std::string_view> key_value(const Node& node, std::string_view prefix);

LatticeSchemaDef build_lattice_schema(Nodes children);
LatticeFrontierDef build_lattice_frontier(Nodes children);
LatticeValidatesDef build_lattice_validates(Nodes children);

}  // namespace varn::parse
