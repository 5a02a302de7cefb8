#pragma once
// The JSON AST reader's inside: the document frame reads the outer levels
// from the text (document.cpp); everything inside a node is read from its
// held value by one generic record reader that walks the field tables of
// model/fields.hpp (records.cpp).
//
// Record-level failures carry only a message; the frame gives them the place
// the text reading has reached.
#include <cstddef>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "json/reader.hpp"
#include "varn/model.hpp"
#include "varn/result.hpp"

namespace varn::ast_read {

// A reading failure's message; none on success.
using Failure = std::optional<std::string>;

inline constexpr std::size_t kNone = static_cast<std::size_t>(-1);

// What a node or inline item holds beside its tag: an object's members (less
// the tag member at `tag`), or an array's elements after the tag.
struct Rest {
  bool is_map = true;
  std::span<const json::Member> members;
  std::size_t tag = kNone;
  std::span<const json::Value> items;
};

// While one lives, the inline items of the nodes read on this thread are
// only checked, failing as reading them would, and left out of the nodes
// (unless `keep`): for a caller that never looks at them.
class KeepInline {
 public:
  explicit KeepInline(bool keep);
  ~KeepInline();
  KeepInline(const KeepInline&) = delete;
  KeepInline& operator=(const KeepInline&) = delete;

 private:
  bool was_;
};

// The kind named by a tag string, or the "unknown variant" message.
Result<std::size_t, std::string> match_node_variant_str(std::string_view name);

// Whether the payload of a node kind has a field named `kind` of its own
// (`ModDef`, `Directive`): a second `kind` member of such a node is that field.
bool node_payload_has_kind(std::size_t kind);

// Reads the payload of node kind `kind` from what the node holds beside its tag.
Failure read_node(std::size_t kind, const Rest& rest, Node& out);

Failure deserialize_node_from_content(const json::Value& v, Node& out);
Failure deserialize_inline_from_content(const json::Value& v, Inline& out);

}  // namespace varn::ast_read
