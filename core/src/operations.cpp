#include "varn/operations.hpp"

#include "format/format.hpp"
#include "varn/ast.hpp"
#include "convert/convert.hpp"
#include "index/index.hpp"
#include "json/writer.hpp"
#include "memory/pages.hpp"
#include "render/parses.hpp"
#include "render/writers.hpp"
#include "varn/parse.hpp"
#include "varn/render.hpp"

namespace varn::ops {
namespace {

// The four operations that read source take it as a streamed parse hands it
// on: each node as it completes, and a group that holds many member by
// member, so that no tree larger than one member is ever held.
template <class Consumer>
TreeSink tree_sink(Consumer& c) {
  return {[&c](Node&& node) { c.node(std::move(node)); }, [&c](const Node& group) { c.open(group); },
          [&c](std::size_t) { c.close(); }};
}

using SinkOperation = std::optional<std::string> (*)(std::string_view, const TextSink&, const Consumed&);

// The text that `op` hands on piece by piece, gathered in one string.
TextResult gathered(SinkOperation op, std::string_view source, const Consumed& consumed) {
  std::string text;
  if (auto e = op(source, [&](std::string_view piece) { text.append(piece); }, consumed)) return err(*e);
  return text;
}

}  // namespace

std::optional<std::string> parse_to(std::string_view source, const TextSink& sink, const Consumed& consumed) {
  DocumentWriter w(sink);
  if (auto e = parse_stream(source, tree_sink(w), consumed)) return display(*e);
  w.finish_sink();
  return std::nullopt;
}

TextResult parse(std::string_view source, const Consumed& consumed) { return gathered(parse_to, source, consumed); }

TextResult fmt(std::string_view source, const Consumed& consumed) {
  format::DocumentFormatter f(source);
  f.reserve(source.size() + source.size() / 4);  // about the size of the source
  if (auto e = parse_stream(source, tree_sink(f), consumed, Spans::None)) return err(display(*e));
  return f.finish();
}

// Room for the output is reserved up front from the input's size, so that it
// is not copied as it grows: pages of the reserve that are never written are
// never given memory. An output that outgrows it grows as usual.
namespace {
render::LineSink output_for(std::size_t reserve) {
  render::LineSink out("    ");
  memory::reserve_for_fill(out.raw(), reserve);
  return out;
}
}  // namespace

// Each top-level node is written as soon as it is read, then dropped. The
// source text is far smaller than its JSON AST. Inline items are written from
// the text they were parsed out of, so they are only checked.
TextResult render(std::string_view doc_json) {
  render::LineSink out = output_for(doc_json.size() / 4);
  render::NodeRun run(out, 0);
  if (auto e = read_document_nodes(doc_json, [&](Node&& node) { run.add(node); }, false)) return err(display(*e));
  return render::finish(out);
}

// The conversions hand over each node as soon as it is built and it is
// written at once: a large input gives as many nodes as values or lines, too
// many to hold all together for no purpose. Nothing they build is a divider,
// the one kind whose text depends on the node before it.
namespace {
struct RenderSink {
  explicit RenderSink(std::size_t input_size) : out(output_for(input_size)) {}
  render::LineSink out;
  convert::NodeSink sink() {
    return [this](Node&& node) { render::render_node(node, 0, out); };
  }
};
}  // namespace

TextResult from_json(std::string_view json) {
  RenderSink r(json.size());
  if (auto failure = convert::json_to_nodes(json, r.sink())) return err(display(*failure));
  return render::finish(r.out);
}

TextResult from_markdown(std::string_view md) {
  RenderSink r(md.size());
  convert::markdown_to_nodes(md, r.sink());
  return render::finish(r.out);
}

std::optional<std::string> to_json_to(std::string_view source, const TextSink& sink, const Consumed& consumed) {
  convert::JsonSummary summary;
  if (auto e = parse_stream(source, tree_sink(summary), consumed, Spans::None)) return display(*e);
  json::Writer w(sink);
  summary.write(w);
  w.flush();
  return std::nullopt;
}

TextResult to_json(std::string_view source, const Consumed& consumed) { return gathered(to_json_to, source, consumed); }

IndexResult build_index(std::string_view source, const Consumed& consumed) {
  index::IndexBuilder b;
  if (auto e = parse_stream(source, tree_sink(b), consumed, Spans::Refs)) return err(IndexError(display(*e)));
  auto text = index::serialize_document_index(std::move(b).finish(), memory::obtainable());
  if (!text) return err(IndexError(text.error()));
  return std::move(text).value();
}

}  // namespace varn::ops
