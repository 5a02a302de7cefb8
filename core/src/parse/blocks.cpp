// The two statements that own the lines after them without dispatching them:
// fenced code blocks and entity headers with their indented body.
#include "parse/handlers.hpp"
#include "parse/text.hpp"
#include "text/unicode.hpp"

namespace varn::parse {

std::optional<Node> build_code_block(Parser& p, std::size_t, const Line& line) {
  ++p.pos;
  CodeBlock block;
  std::string_view lang = line.trimmed;
  while (lang.starts_with('`')) lang.remove_prefix(1);
  if (!lang.empty()) block.lang = std::string(lang);
  // Every line up to the closing fence, unchanged; without a fence the block
  // takes the rest of the document.
  while (p.pos < p.lines.size()) {
    const std::string_view raw = p.lines[p.pos++];
    if (text::trim(raw).starts_with("```")) break;
    block.content.append(raw);
    block.content.push_back('\n');
  }
  if (!block.content.empty()) block.content.pop_back();
  return block;
}

std::optional<Node> build_entity(Parser& p, std::size_t, const Line& line) {
  ++p.pos;
  EntityDef entity;
  std::string_view name = line.content.substr(line.content.find(':') + 1);
  entity.name = std::string(text::trim(name));
  bool field_mode = false;
  for (std::string_view body : read_body_lines(p, indentation(line.raw))) {
    if (body == "fields:") {
      field_mode = true;
      continue;
    }
    if (field_mode) {
      std::string_view field = text::trim(strip_prefix_all(body, "-"));
      if (auto kv = split_key_value(field)) entity.fields.push_back({std::move(kv->first), std::move(kv->second)});
      continue;
    }
    auto kv = split_key_value(body);
    if (!kv) continue;
    if (kv->first == "source") entity.source = std::move(kv->second);
    if (kv->first == "identity") entity.identity = std::move(kv->second);
    if (kv->first == "namespace") entity.namespace_ = std::move(kv->second);
  }
  return entity;
}

}  // namespace varn::parse
