#pragma once
// The three conversions: JSON and Markdown to document nodes (which the
// renderer writes as source text), and a document to a plain JSON summary.
#include <string>
#include <string_view>

#include "varn/errors.hpp"
#include "varn/model.hpp"
#include "varn/result.hpp"

namespace varn::convert {

// Any JSON value to a flat list of Prose and Define nodes. Fails only when the
// text is not JSON (the reader's message, with its position).
Result<Nodes, ConvertError> json_to_document(std::string_view text);

// Headings, checklist and bullet items, fenced code and paragraphs to Group,
// Task, CodeBlock and Prose nodes, in input order. Cannot fail.
Nodes markdown_to_document(std::string_view text);

// Tasks, prose, code blocks and define fields of each node list, nested by
// group name, as pretty JSON with sorted keys.
Result<std::string, ConvertError> document_to_json(const Document& doc);

}  // namespace varn::convert
