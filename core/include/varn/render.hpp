#pragma once
// The renderer: a document tree back to source text, four spaces per depth.
// It is the writer behind `render`, `from_json` and `from_markdown`; it never
// fails.
#include <string>

#include "varn/model.hpp"

namespace varn {

// The source text of the nodes, trailing whitespace trimmed (no final line
// feed; the empty string for no nodes).
std::string render_document(const Document& doc);
std::string render_document(const Nodes& nodes);

}  // namespace varn
