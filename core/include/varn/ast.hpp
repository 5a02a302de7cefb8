#pragma once
// The JSON AST: the text form of a Document that `parse` returns and `render`
// reads back.
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "varn/errors.hpp"
#include "varn/model.hpp"
#include "varn/result.hpp"
#include "varn/text_sink.hpp"

namespace varn {
namespace json {
class Writer;
}

// Writes the whole document as pretty JSON text (no final line feed).
std::string serialize_document(const Document& doc);
// The same text; each top-level node is freed as soon as it is written, so
// the tree shrinks while the text grows.
std::string serialize_document(Document&& doc);

// The same text written one top-level node at a time, for a caller that
// makes the nodes one by one and frees each once written; a group may come
// member by member (`open`, its members, `close`), as a streamed parse hands
// it on.
class DocumentWriter {
 public:
  DocumentWriter();
  // A writer that hands its text to `sink` piece by piece as it goes;
  // `finish_sink` hands on the rest.
  explicit DocumentWriter(TextSink sink);
  ~DocumentWriter();
  void node(const Node& node);
  void open(const Node& group);
  void close();
  std::string finish();
  void finish_sink();

 private:
  explicit DocumentWriter(std::unique_ptr<json::Writer> w);
  std::unique_ptr<json::Writer> w_;
};

// Reads JSON AST text back into a document, in the object form that the
// writer produces or the array form of every record; the first failure ends
// the reading and carries its place in the text.
Result<Document, JsonError> deserialize_document(std::string_view json);

// The same reading, each top-level node handed to `sink` as soon as it is
// read, so that the caller never holds the whole document. Nodes before a
// failure have been handed on already. Unless `keep_inline`, the inline items
// of prose and tasks are checked as they are read but not kept, for a caller
// that has no use for them.
using DocumentNodeSink = std::function<void(Node&&)>;
std::optional<JsonError> read_document_nodes(std::string_view json, const DocumentNodeSink& sink,
                                             bool keep_inline = true);

}  // namespace varn
