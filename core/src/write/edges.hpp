#pragma once
// The lines of a flow's or a state machine's edges, shared by the formatter
// and the renderer, which differ only in how they spell one edge alone.
//
// A body line is cut at its comment before its edges are read, and whether a
// "//" in a name, label or timed value starts a comment depends on the quotes
// and bars before it on the same line. An edge whose own text would bare a
// "//" therefore goes on the line of the edges before it, whose quotes or
// bars keep it, chained: "a --> b --> c" is read as a to b and b to c.
#include <functional>
#include <string>
#include <vector>

#include "varn/model.hpp"

namespace varn::write {

bool same_edge(const FlowEdge& a, const FlowEdge& b);

// The ways to write one edge alone on a line that the edge reader (without
// the comment cut) reads back as that edge, in order of preference; at least
// one. Without `every` the first is enough; with it, the first with the
// timed value between bars and without them, and the first with the segment
// closed by a "--" of its own and not, where they differ.
using EdgeSpellings = std::function<std::vector<std::string>(const FlowEdge&, bool every)>;

// The lines, without indent, that read back as exactly `edges`, comment cut
// included, whenever the edges can be written so: one edge a line where that
// keeps every "//", else as few edges joined to the lines before as keep them.
std::vector<std::string> edge_lines(const std::vector<FlowEdge>& edges, const EdgeSpellings& spellings);

}  // namespace varn::write
