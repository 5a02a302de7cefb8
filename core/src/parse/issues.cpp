// Issues and threaded comments: an opener line over a small attribute block,
// a multi-line text block, and nested child openers (comments, issues).
#include <string>
#include <string_view>
#include <vector>

#include "parse/handlers.hpp"
#include "parse/inline.hpp"
#include "parse/text.hpp"
#include "text/unicode.hpp"

namespace varn::parse {
namespace {

// What the shared attribute-block reader collects under one opener.
struct AttributeBlock {
  Pairs pairs;                    // in source order; the first of a key wins
  std::vector<std::string> text;  // the lines of the multi-line block
  Nodes children;
};

// Reads the lines under an opener indented by `opener_indent`. `block_key`
// names the attribute whose value "|" opens the multi-line block;
// `is_child_opener` tells which cut lines start a child block.
template <class IsChildOpener>
AttributeBlock read_attribute_block(Parser& p, std::size_t depth, std::size_t opener_indent,
                                    std::string_view block_key, IsChildOpener is_child_opener) {
  AttributeBlock out;
  bool in_block = false;
  std::size_t block_indent = 0;
  while (p.pos < p.lines.size()) {
    const std::string_view raw = p.lines[p.pos];
    const std::string_view trimmed = text::trim(raw);
    if (trimmed.empty()) {
      ++p.pos;
      if (in_block) out.text.emplace_back();
      continue;
    }
    const std::size_t indent = indentation(raw);
    if (indent <= opener_indent) break;
    if (in_block && indent > block_indent) {
      ++p.pos;
      out.text.emplace_back(trimmed);  // a "//" stays part of the text
      continue;
    }
    in_block = false;
    const std::string_view content = cut_trailing_comment(trimmed);
    if (is_child_opener(content)) {
      // The child opener is the first member of its own block, and every
      // later line at its indentation joins that block.
      const std::size_t before = p.pos;
      Nodes nodes = parse_block(p, indent, depth + 1);
      // At the nesting limit the child block takes nothing: the line is left
      // to the enclosing block rather than read again and again here.
      if (p.pos == before) break;
      for (Node& n : nodes) out.children.push_back(std::move(n));
      continue;
    }
    ++p.pos;
    auto kv = split_key_value(content);
    if (!kv) continue;
    if (kv->first == block_key && kv->second == "|") {
      in_block = true;
      block_indent = indent;
      continue;
    }
    out.pairs.push_back(std::move(*kv));
  }
  return out;
}

// The value of the first pair with `key`, cleaned by `clean`.
template <class Clean>
std::optional<std::string> attribute(const Pairs& pairs, std::string_view key, Clean clean) {
  const std::string* v = first_value(pairs, key);
  if (!v) return std::nullopt;
  return std::string(clean(std::string_view(*v)));
}

std::optional<std::string> attribute(const Pairs& pairs, std::string_view key) {
  return attribute(pairs, key, [](std::string_view v) { return v; });
}

// A list value: "[a, :b]" gives "a", "b".
Strings label_list(const Pairs& pairs, std::string_view key) {
  const std::string* v = first_value(pairs, key);
  if (!v) return {};
  return collect_labels(strip_suffix_all(strip_prefix_all(*v, "["), "]"), ",");
}

// The multi-line block when it has lines (its empty lines at the end
// dropped), else the first `key` pair without surrounding quotes.
std::optional<std::string> block_text(const AttributeBlock& block, std::string_view key) {
  if (block.text.empty()) return attribute(block.pairs, key, strip_quotes);
  std::size_t n = block.text.size();
  while (n > 0 && block.text[n - 1].empty()) --n;
  std::string joined;
  for (std::size_t i = 0; i < n; ++i) {
    if (i > 0) joined.push_back('\n');
    joined.append(block.text[i]);
  }
  return joined;
}

std::string_view strip_colons(std::string_view v) { return strip_prefix_all(v, ":"); }

}  // namespace

std::optional<Node> parse_issue(Parser& p, std::size_t depth, const Line& line) {
  ++p.pos;
  IssueDef issue;
  issue.gates = extract_gates(line.trimmed);
  issue.title = std::string(statement_value(line.content, "issue:"));

  AttributeBlock block =
      read_attribute_block(p, depth, indentation(line.raw), "description", [](std::string_view content) {
        return content.starts_with("comment:") || content.starts_with("issue:");
      });
  const Pairs& pairs = block.pairs;
  issue.labels = label_list(pairs, "labels");
  if (const std::string* v = first_value(pairs, "estimate")) issue.estimate = parse_f64(*v);
  issue.description = block_text(block, "description");
  issue.id = attribute(pairs, "id", [](std::string_view v) {
    return strip_surrounding(strip_surrounding(strip_colons(v), "\""), "|");
  });
  issue.on = attribute(pairs, "on");
  issue.status = attribute(pairs, "status", strip_colons);
  issue.priority = attribute(pairs, "priority", strip_colons);
  issue.assignee = attribute(pairs, "assignee");
  issue.milestone = attribute(pairs, "milestone", strip_quotes);
  issue.due_date = attribute(pairs, "due_date", [](std::string_view v) { return strip_surrounding(v, "|"); });
  issue.children = std::move(block.children);
  return issue;
}

std::optional<Node> parse_thread_comment(Parser& p, std::size_t depth, const Line& line) {
  ++p.pos;
  ThreadComment comment;
  comment.gates = extract_gates(line.trimmed);

  AttributeBlock block = read_attribute_block(p, depth, indentation(line.raw), "body", [](std::string_view content) {
    return content.starts_with("comment:");
  });
  const Pairs& pairs = block.pairs;
  comment.reactions = label_list(pairs, "reactions");
  comment.body = block_text(block, "body").value_or("");
  comment.on = attribute(pairs, "on");
  comment.author = attribute(pairs, "author");
  comment.created_at = attribute(pairs, "created_at", [](std::string_view v) { return strip_surrounding(v, "|"); });
  comment.children = std::move(block.children);
  return comment;
}

}  // namespace varn::parse
