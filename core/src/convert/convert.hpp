#pragma once
// The three conversions: JSON and Markdown to document nodes (which the
// renderer writes as source text), and a document to a plain JSON summary.
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <map>
#include <memory>
#include <variant>
#include <vector>

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

// The summary of one node list while its nodes come: each member by its key
// (the key order is the text's), and the field objects of the define blocks
// by entity, which take their keys when the list ends. The texts are kept
// as they were handed over, not as a JSON tree of them, which would take
// several times their bytes.
struct ListSummary {
  struct Task {
    MarkerKind kind;
    std::string text;
  };
  // Prose, tasks, code blocks, a group's summary, or an entity's field
  // object (or objects).
  using Member = std::variant<Strings, std::vector<Task>, std::vector<CodeBlock>, std::unique_ptr<ListSummary>,
                              json::Tree>;
  std::map<std::string, Member, std::less<>> members;
  std::map<std::string, json::TreeArray, std::less<>> entities;
};

// The summary of a document handed over one node at a time, a group whole
// or member by member (`open`, its members, `close`), as a streamed parse
// hands it on. Its keys come out sorted, so the last node of a list may give
// the member that is written first: it is held until the document ends.
class JsonSummary {
 public:
  JsonSummary();
  void node(Node&& n);  // its texts are moved out
  void open(const Node& group);
  void close();
  // The summary as pretty JSON; what it held is let go as it is written.
  void write(json::Writer& w);
  std::string text();

 private:
  struct Open {
    std::string name;  // the group's; empty for the document
    ListSummary summary;
  };
  std::vector<Open> open_;  // the document, then each group open
};

}  // namespace varn::convert
