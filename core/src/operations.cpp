#include "varn/operations.hpp"

#include "format/format.hpp"
#include "varn/ast.hpp"
#include "convert/convert.hpp"
#include "index/index.hpp"
#include "render/writers.hpp"
#include "varn/parse.hpp"
#include "varn/render.hpp"

namespace varn::ops {
TextResult parse(std::string_view source) {
  auto doc = parse_source(source);
  if (!doc) return err(display(doc.error()));
  return serialize_document(std::move(doc).value());
}

Result<TextPieces, std::string> parse_pieces(std::string_view source) {
  auto doc = parse_source(source);
  if (!doc) return err(display(doc.error()));
  return serialize_document_pieces(std::move(doc).value());
}

TextResult fmt(std::string_view source) {
  auto doc = parse_source(source);
  if (!doc) return err(display(doc.error()));
  return format::format_document(doc.value());
}

TextResult render(std::string_view doc_json) {
  auto doc = deserialize_document(doc_json);
  if (!doc) return err(display(doc.error()));
  return render_document(doc.value());
}

// The conversions hand over each node as soon as it is built and it is
// written at once: a large input gives as many nodes as values or lines, too
// many to hold all together for no purpose. Nothing they build is a divider,
// the one kind whose text depends on the node before it.
namespace {
struct RenderSink {
  render::LineSink out{"    "};
  convert::NodeSink sink() {
    return [this](Node&& node) { render::render_node(node, 0, out); };
  }
};
}  // namespace

TextResult from_json(std::string_view json) {
  RenderSink r;
  if (auto failure = convert::json_to_nodes(json, r.sink())) return err(display(*failure));
  return r.out.take_trimmed();
}

TextResult from_markdown(std::string_view md) {
  RenderSink r;
  convert::markdown_to_nodes(md, r.sink());
  return r.out.take_trimmed();
}

TextResult to_json(std::string_view source) {
  auto doc = parse_source(source);
  if (!doc) return err(display(doc.error()));
  auto text = convert::document_to_json(doc.value());
  if (!text) return err(display(text.error()));
  return std::move(text).value();
}

TextResult build_index(std::string_view source) {
  auto doc = parse_source(source);
  if (!doc) return err(display(doc.error()));
  return index::serialize_document_index(index::build_document_index(doc.value()));
}

}  // namespace varn::ops
