#include "varn/operations.hpp"

#include "format/format.hpp"
#include "varn/ast.hpp"
#include "varn/parse.hpp"
#include "varn/render.hpp"

namespace varn::ops {
namespace {

TextResult not_built(std::string_view name) {
  return err(std::string(name) + "() is not available yet in this build of varn_lang");
}

}  // namespace

TextResult parse(std::string_view source) {
  auto doc = parse_source(source);
  if (!doc) return err(display(doc.error()));
  return serialize_document(doc.value());
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

TextResult from_json(std::string_view) { return not_built("from_json"); }
TextResult from_markdown(std::string_view) { return not_built("from_markdown"); }
TextResult to_json(std::string_view) { return not_built("to_json"); }
TextResult build_index(std::string_view) { return not_built("build_index"); }

}  // namespace varn::ops
