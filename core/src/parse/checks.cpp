// Validations, checks and conditionals. Validations and checks share the
// attachment metadata keys; a validation takes them out of its child prose,
// a check out of its raw body lines.
#include "parse/handlers.hpp"
#include "parse/text.hpp"
#include "text/unicode.hpp"

namespace varn::parse {
namespace {

// Stores a metadata key's value; false when `key` is no metadata key. A key
// given again replaces its earlier value whole.
bool set_meta(AttachmentMeta& meta, std::string_view key, std::string value) {
  Strings* list = nullptr;
  if (key == "id") {
    meta.id = std::move(value);
    return true;
  }
  if (key == "targets") list = &meta.targets;
  if (key == "requires") list = &meta.requires_;
  if (key == "blocks") list = &meta.blocks;
  if (key == "depends_on") list = &meta.depends_on;
  if (!list) return false;
  *list = collect_trimmed_strings(value, ",");
  return true;
}

// The opener's text without every leading `keyword` and every trailing ':'.
std::string_view opener_text(std::string_view text, std::string_view keyword) {
  return text::trim(strip_suffix_all(strip_prefix_all(text, keyword), ":"));
}

Compute read_condition(std::string_view text) {
  // The markers must not overlap: "||" and "|||" read as plain bars, "|" as
  // a plain expression.
  if (auto live = between_marks(text, "||")) return {std::string(*live), true};
  if (auto plain = between_marks(text, "|")) return {std::string(*plain), false};
  return {std::string(text), false};
}

}  // namespace

std::optional<Node> parse_validate(Parser& p, std::size_t depth, const Line& line) {
  ++p.pos;
  ValidateDef v;
  // The opener is read uncut: a comment after the colon stays in the name.
  v.name = std::string(opener_text(line.trimmed, "validate "));
  for (Node& child : parse_block(p, indentation(line.raw) + 1, depth + 1)) {
    const Prose* prose = child.get_if<Prose>();
    auto kv = prose ? split_key_value(prose->text) : std::nullopt;
    if (kv && set_meta(v.meta, kv->first, std::move(kv->second))) continue;
    v.children.push_back(std::move(child));
  }
  return v;
}

std::optional<Node> parse_check(Parser& p, std::size_t, const Line& line) {
  ++p.pos;
  CheckDef c;
  c.name = std::string(text::trim(strip_prefix_all(line.content, "check:")));
  for (std::string_view body : read_body_lines(p, indentation(line.raw))) {
    auto kv = split_key_value(body);
    if (!kv || set_meta(c.meta, kv->first, kv->second)) continue;
    c.body.push_back(std::move(*kv));
  }
  return c;
}

std::optional<Node> parse_conditional(Parser& p, std::size_t depth, const Line& line) {
  ++p.pos;
  Conditional cond;
  cond.condition = read_condition(opener_text(line.content, "if "));
  cond.children = parse_block(p, indentation(line.raw) + 1, depth + 1);
  return cond;
}

}  // namespace varn::parse
