// The reading frame: the document and its top-level nodes are read straight
// from the text, one node held at a time and handed on as soon as it is read;
// values skipped beside `nodes` are read over without being held.
#include <vector>

#include "ast_read/reader.hpp"
#include "varn/ast.hpp"

namespace varn {
namespace {

using ast_read::Failure;
using ast_read::Rest;

template <class T>
using Read = Result<T, JsonError>;

// A failure found in a held value has no place of its own; it is given the
// place the text reading has reached when it surfaces. Such failures travel
// with line 0 until then.
JsonError unplaced(std::string message) { return {std::move(message), 0, 0}; }

class Frame {
 public:
  Frame(std::string_view text, const DocumentNodeSink& sink) : r_(text), sink_(sink) {}

  json::Status document();

 private:
  json::Status nodes();
  Read<Node> top_node();
  Read<std::size_t> tag();

  json::Reader r_;
  const DocumentNodeSink& sink_;
  json::Arena arena_;  // the node being read, reset for each
  std::vector<json::Member> members_;
  std::vector<json::Value> items_;
};

json::Status Frame::document() {
  int c = r_.peek();
  if (c == '{') {
    if (auto s = r_.open(); !s) return err(std::move(s).error());
    bool seen = false;
    for (bool first = true;; first = false) {
      auto more = r_.next_member(first);
      if (!more) return err(std::move(more).error());
      if (!more.value()) break;
      arena_.reset();
      auto key = r_.string(arena_);
      if (!key) return err(std::move(key).error());
      const bool is_nodes = key.value() == "nodes";
      if (is_nodes && seen) {
        r_.peek();
        return err(r_.error("duplicate field `nodes`"));
      }
      if (auto s = r_.colon(); !s) return err(std::move(s).error());
      if (is_nodes) {
        seen = true;
        if (auto s = nodes(); !s) return s;
      } else if (auto s = r_.skip(); !s) {
        return err(std::move(s).error());
      }
    }
    r_.end_container();
    if (!seen) return err(r_.error("missing field `nodes`"));
  } else if (c == '[') {
    if (auto s = r_.open(); !s) return err(std::move(s).error());
    auto more = r_.next_element(true);
    if (!more) return err(std::move(more).error());
    if (!more.value()) {
      r_.end_container();
      return err(r_.error("invalid length 0, expected struct Document with 1 element"));
    }
    if (auto s = nodes(); !s) return s;
    c = r_.peek();
    if (c == ',') {
      r_.bump();
      return err(r_.peek_error(r_.peek() == ']' ? "trailing comma" : "trailing characters"));
    }
    if (c != ']') return err(r_.peek_error(c < 0 ? "EOF while parsing a list" : "trailing characters"));
    r_.end_container();
  } else {
    if (c < 0) return err(r_.peek_error("EOF while parsing a value"));
    return err(r_.invalid_type("struct Document"));
  }
  return r_.end();
}

json::Status Frame::nodes() {
  int c = r_.peek();
  if (c < 0) return err(r_.peek_error("EOF while parsing a value"));
  if (c != '[') return err(r_.invalid_type("a sequence"));
  if (auto s = r_.open(); !s) return s;
  for (bool first = true;; first = false) {
    auto more = r_.next_element(first);
    if (!more) return err(std::move(more).error());
    if (!more.value()) break;
    auto node = top_node();
    if (node) {
      sink_(std::move(node).value());
      continue;
    }
    JsonError e = std::move(node).error();
    if (e.line == 0) {
      // Placed after the node: past the comma and white space that follow
      // it, or past the bracket that closes the list.
      c = r_.peek();
      if (c == ']') {
        r_.bump();
      } else if (c == ',') {
        r_.bump();
        r_.peek();
      }
      e = r_.error(std::move(e.message));
    }
    return err(std::move(e));
  }
  r_.end_container();
  return json::Ok{};
}

// The tag of a top-level node: a string naming a kind.
Read<std::size_t> Frame::tag() {
  int c = r_.peek();
  if (c < 0) return err(r_.peek_error("EOF while parsing a value"));
  if (c != '"') return err(r_.invalid_type("variant identifier"));
  auto name = r_.string(arena_);
  if (!name) return err(std::move(name).error());
  auto kind = ast_read::match_node_variant_str(name.value());
  if (!kind) return err(r_.error(std::move(kind).error()));
  return kind.value();
}

Read<Node> Frame::top_node() {
  arena_.reset();
  members_.clear();
  items_.clear();
  Rest rest;
  std::size_t kind = ast_read::kNone;
  int c = r_.peek();
  if (c == '{') {
    if (auto s = r_.open(); !s) return err(std::move(s).error());
    bool second_kind = false;
    for (bool first = true;; first = false) {
      auto more = r_.next_member(first);
      if (!more) return err(std::move(more).error());
      if (!more.value()) break;
      auto key = r_.string(arena_);
      if (!key) return err(std::move(key).error());
      if (key.value() == "kind") {
        if (kind == ast_read::kNone) {
          if (auto s = r_.colon(); !s) return err(std::move(s).error());
          auto k = tag();
          if (!k) return err(std::move(k).error());
          kind = k.value();
          continue;
        }
        // The payload's own `kind` follows the tag (`ModDef`, `Directive`);
        // a third, or a second of any other kind, is refused.
        if (second_kind || !ast_read::node_payload_has_kind(kind)) {
          r_.peek();
          return err(r_.error("duplicate field `kind`"));
        }
        second_kind = true;
      }
      if (auto s = r_.colon(); !s) return err(std::move(s).error());
      auto v = r_.value(arena_);
      if (!v) return err(std::move(v).error());
      members_.push_back({key.value(), v.value()});
    }
    r_.end_container();
    if (kind == ast_read::kNone) return err(r_.error("missing field `kind`"));
    rest.members = members_;
  } else if (c == '[') {
    if (auto s = r_.open(); !s) return err(std::move(s).error());
    for (bool first = true;; first = false) {
      auto more = r_.next_element(first);
      if (!more) return err(std::move(more).error());
      if (!more.value()) break;
      if (first) {
        auto k = tag();
        if (!k) return err(std::move(k).error());
        kind = k.value();
        continue;
      }
      auto v = r_.value(arena_);
      if (!v) return err(std::move(v).error());
      items_.push_back(v.value());
    }
    r_.end_container();
    if (kind == ast_read::kNone) return err(r_.error("missing field `kind`"));
    rest.is_map = false;
    rest.items = items_;
  } else {
    if (c < 0) return err(r_.peek_error("EOF while parsing a value"));
    return err(r_.invalid_type("internally tagged enum Node"));
  }
  Node node{Divider{}};
  if (Failure f = ast_read::read_node(kind, rest, node)) return err(unplaced(std::move(*f)));
  return node;
}

}  // namespace

std::optional<JsonError> read_document_nodes(std::string_view json, const DocumentNodeSink& sink, bool keep_inline) {
  ast_read::KeepInline keep(keep_inline);
  auto s = Frame(json, sink).document();
  if (!s) return std::move(s).error();
  return std::nullopt;
}

Result<Document, JsonError> deserialize_document(std::string_view json) {
  Document doc;
  if (auto e = read_document_nodes(json, [&](Node&& n) { doc.nodes.push_back(std::move(n)); })) {
    return err(std::move(*e));
  }
  return doc;
}

}  // namespace varn
