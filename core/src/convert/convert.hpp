#pragma once
// The three conversions: JSON and Markdown to document nodes (which the
// renderer writes as source text), and a document to a plain JSON summary.
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>

#include "json/tree.hpp"
#include "varn/errors.hpp"
#include "varn/model.hpp"
#include "varn/result.hpp"

namespace varn::convert {

// Each conversion to nodes comes in two forms: the list of nodes, and the
// same nodes handed to a sink one at a time as they are built, for a caller
// that writes each out at once and so never holds them all.
using NodeSink = std::function<void(Node&&)>;

// Any JSON value to a flat list of Prose and Define nodes. Fails only when the
// text is not JSON (the reader's message, with its position).
Result<Nodes, ConvertError> json_to_document(std::string_view text);
std::optional<ConvertError> json_to_nodes(std::string_view text, const NodeSink& sink);

// Headings, checklist and bullet items, fenced code and paragraphs to Group,
// Task, CodeBlock and Prose nodes, in input order. Cannot fail.
Nodes markdown_to_document(std::string_view text);
void markdown_to_nodes(std::string_view text, const NodeSink& sink);

// Tasks, prose, code blocks and define fields of each node list, nested by
// group name, as pretty JSON with sorted keys.
Result<std::string, ConvertError> document_to_json(const Document& doc);

// The summary of one node list, taken one node at a time, so that a document
// need not be held whole: only what the summary keeps is.
struct JsonSummary {
  json::TreeObject members;
  std::unordered_map<std::string, json::TreeArray> entities;  // field objects by entity, in document order

  void node(const Node& n);
  json::TreeObject take();  // the summary as it stands; the members are left empty
  std::string text();       // the same as pretty JSON

};

}  // namespace varn::convert
