#include <gtest/gtest.h>

#include "convert/convert.hpp"

namespace varn::convert {
namespace {

// One short line per node: enough to tell every built field apart.
std::string describe(const Node& n) {
  // No literal plus a temporary string: g++ 12 at -O3 warns on it (-Wrestrict).
  if (const auto* g = n.get_if<Group>()) {
    return std::string("H").append(std::to_string(g->depth)) + "[" + g->name + "]";
  }
  if (const auto* t = n.get_if<Task>()) {
    const char* kind = t->marker.kind == MarkerKind::Completed ? "x" : t->marker.kind == MarkerKind::Required ? "!" : "?";
    return std::string("T") + kind + "[" + t->text + "]";
  }
  if (const auto* p = n.get_if<Prose>()) return "P[" + p->text + "]";
  if (const auto* c = n.get_if<CodeBlock>()) {
    const std::string lang = c->lang ? "(" + *c->lang + ")" : "";
    return "C" + lang + "[" + c->content + "]";
  }
  return "?";
}

std::vector<std::string> convert(std::string_view md) {
  std::vector<std::string> out;
  for (const Node& n : markdown_to_document(md)) out.push_back(describe(n));
  return out;
}

using Lines = std::vector<std::string>;

TEST(FromMarkdown, Rules) {
  const struct {
    std::string md;
    Lines expected;
  } cases[] = {
      {"", {}},
      {"\n  \n\t\n", {}},
      {"# Title", {"H1[Title]"}},
      {"###### Six", {"H6[Six]"}},
      {"#Title", {"H1[Title]"}},
      {"## Name  \t", {"H2[Name]"}},
      {"- [ ] buy milk", {"T![buy milk]"}},
      {"- [x] done\n- [X] also", {"Tx[done]", "Tx[also]"}},
      {"- item\n    - nested", {"T![item]", "T![nested]"}},
      {"-  spaced ", {"T![ spaced ]"}},
      {"- ", {"T![]"}},
      {"- [!] box", {"T![[!] box]"}},
      {"- [ ]x", {"T![[ ]x]"}},
      {"one\n  two  \nthree\n\nfour", {"P[one two three]", "P[four]"}},
      {"* star\n+ plus\n1. num", {"P[* star + plus 1. num]"}},
      {"text\n- item", {"P[text]", "T![item]"}},
      {"text\n# Head", {"P[text]", "H1[Head]"}},
      {"text\n```\ncode\n```", {"P[text]", "C[code]"}},
      {"```sql\nselect 1\n```", {"C(sql)[select 1]"}},
      {"``` sql \nx\n```", {"C( sql )[x]"}},
      {"````js\nx\n````", {"C(js)[x]"}},
      {"```\n\n\n  a\n\n\tb\n```", {"C[  a\n\n\tb]"}},
      {"```\nnever closed\n# not a heading", {"C[never closed\n# not a heading]"}},
      {"```\nx\n   ``` trailing\nafter", {"C[x]", "P[after]"}},
      {"  ```py\n  x\n  ```", {"C(py)[  x]"}},
      // A '#' line that is no heading starts a paragraph of its own.
      {"####### seven\nnext", {"P[####### seven next]"}},
      {"  # indented", {"P[# indented]"}},
      {"#", {"P[#]"}},
      {"#  \t", {"P[#]"}},
      {"text\n#######\nmore", {"P[text]", "P[####### more]"}},
      {std::string(300, '#') + " deep", {"P[" + std::string(300, '#') + " deep]"}},
      {std::string(256, '#') + "x", {"P[" + std::string(256, '#') + "x]"}},
      // A carriage return with no line feed after it stays on the last line.
      {"# Head\r", {"H1[Head]"}},
      {"para\r", {"P[para]"}},
      {"- task\r", {"T![task\r]"}},
      {"```\ncode\r", {"C[code\r]"}},
      {"a\r\nb\r\n", {"P[a b]"}},
      // Trimming is by character: these end in bytes that also end U+0085
      // and U+2028, and are not whitespace.
      {"\xc5\x85", {"P[\xc5\x85]"}},
      {"\xe2\x80\xa8para\xe2\x80\xa8", {"P[para]"}},
      {"x \xe2\x80\xa6", {"P[x \xe2\x80\xa6]"}},
      {"# \xc2\xa0T\xc2\xa0", {"H1[T]"}},
  };
  for (const auto& c : cases) EXPECT_EQ(convert(c.md), c.expected) << c.md;
}

TEST(FromMarkdown, BuiltFields) {
  Nodes nodes = markdown_to_document("- [x] a");
  ASSERT_EQ(nodes.size(), 1u);
  const Task& t = nodes[0].get<Task>();
  EXPECT_EQ(t.marker.priority, MarkerPriority::None);
  EXPECT_EQ(t.marker.prefix.index(), 0u);
  EXPECT_FALSE(t.marker.seq || t.label || t.on_pass || t.on_fail || t.match_arms || t.closes || t.depends ||
               t.validate || t.status);
  EXPECT_TRUE(t.inline_.empty() && t.gates.empty() && t.children.empty());
}

TEST(FromMarkdown, ManyHashLinesEnd) {
  std::string md;
  for (int i = 0; i < 20000; ++i) md += "####### x\n#\n";
  EXPECT_EQ(markdown_to_document(md).size(), 40000u);
}

}  // namespace
}  // namespace varn::convert
