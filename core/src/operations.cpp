#include "varn/operations.hpp"

#include "format/format.hpp"
#include "varn/ast.hpp"
#include "convert/convert.hpp"
#include "index/index.hpp"
#include "varn/parse.hpp"
#include "varn/render.hpp"

namespace varn::ops {
TextResult parse(std::string_view source) {
  auto doc = parse_source(source);
  if (!doc) return err(display(doc.error()));
  return serialize_document(std::move(doc).value());
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

TextResult from_json(std::string_view json) {
  auto nodes = convert::json_to_document(json);
  if (!nodes) return err(display(nodes.error()));
  return render_document(nodes.value());
}

TextResult from_markdown(std::string_view md) { return render_document(convert::markdown_to_document(md)); }

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
