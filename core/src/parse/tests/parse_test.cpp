// The block walk and the dispatcher, checked through a compact outline of the
// tree: Kind:text for leaves, Kind:name[children] for groups.
#include <gtest/gtest.h>

#include "parse/parser.hpp"
#include "varn/ast.hpp"
#include "varn/parse.hpp"

namespace varn {
namespace {

std::string outline(const Nodes& nodes);

std::string outline(const Node& node) {
  return node.visit([](const auto& x) -> std::string {
    using T = std::decay_t<decltype(x)>;
    if constexpr (std::is_same_v<T, Group>) {
      return "Group" + std::to_string(x.depth) + ":" + x.name + "[" + outline(x.children) + "]";
    } else if constexpr (std::is_same_v<T, Prose>) {
      return "Prose:" + x.text;
    } else if constexpr (std::is_same_v<T, Comment>) {
      return "Comment:" + x.text;
    } else if constexpr (std::is_same_v<T, Divider>) {
      return "Divider";
    } else if constexpr (std::is_same_v<T, SpawnMode>) {
      return x == SpawnMode::Parallel ? "Spawn+" : "Spawn++";
    } else {
      return "Other";
    }
  });
}

std::string outline(const Nodes& nodes) {
  std::string out;
  for (const Node& n : nodes) {
    if (!out.empty()) out += " ";
    out += outline(n);
  }
  return out;
}

std::string parse_outline(std::string_view source) {
  auto doc = parse_source(source);
  if (!doc.ok()) return "error: " + display(doc.error());
  return outline(doc.value().nodes);
}

TEST(Parse, LinesAndBlocks) {
  const struct {
    std::string source;
    std::string outline;
  } cases[] = {
      {"", ""},
      {"\n", ""},
      {"  \n\t\n \xe3\x80\x80\n", ""},
      {"a\r\nb", "Prose:a Prose:b"},
      {"a\rb\r", "Prose:a\rb"},  // a lone CR stays in the line; trimming removes the last one
      {"a\n\n\nb\n", "Prose:a Prose:b"},
      // deeper lines under no opener are siblings
      {"a\n    b\n  c", "Prose:a Prose:b Prose:c"},
      // a tab is four bytes of indentation
      {"# h\n\tx", "Group1:h[Prose:x]"},
      {"    # h\n\tx", "Group1:h[] Prose:x"},
      {"# h\n x\ny", "Group1:h[Prose:x] Prose:y"},
      // non-breaking and ideographic spaces count with their byte length
      {"  # h\n\xc2\xa0x", "Group1:h[] Prose:x"},
      {"  # h\n\xe3\x80\x80x", "Group1:h[Prose:x]"},
      {"# h\n\n  x\n\n  y", "Group1:h[Prose:x Prose:y]"},
      // dispatcher precedence and exclusions
      {"--- // rule", "Divider"},
      {"--\n-- x", "Prose:-- Prose:-- x"},
      {"+\n++\n+x\n+++", "Spawn+ Spawn++ Prose:+x Prose:+++"},
      {"// a // b\n////x\n///x\n//", "Comment:a // b Comment:x Comment:/x Comment:"},
      {"#(tag)\n#x\n#", "Prose:#(tag) Group1:x[] Group1:[]"},
      {"hello // note", "Prose:hello // note"},
      {"check:@x\nform:install\ngate:namex\nvalidate x\nif x: y", "Prose:check:@x Prose:form:install Prose:gate:namex "
                                                                  "Prose:validate x Prose:if x: y"},
  };
  for (const auto& c : cases) EXPECT_EQ(parse_outline(c.source), c.outline) << c.source;
}

std::string nested_headings(int n) {
  std::string s;
  for (int i = 0; i < n; ++i) s += std::string(i, ' ') + "# h" + std::to_string(i) + "\n";
  return s;
}

TEST(Parse, NestingDeeperThanTheLimitFlattensIntoTheDeepestBlock) {
  auto doc = parse_source(nested_headings(130));
  ASSERT_TRUE(doc.ok());
  const Nodes* level = &doc.value().nodes;
  for (int depth = 0; depth < 127; ++depth) {
    ASSERT_EQ(level->size(), 1u) << depth;
    level = &(*level)[0].get<Group>().children;
  }
  // The block at depth 127 holds h127 and, after it, the lines it could not nest.
  EXPECT_EQ(outline(*level), "Group1:h127[] Group1:h128[] Group1:h129[]");
}

TEST(Parse, TenThousandNestedHeadingsDoNotOverflow) {
  auto doc = parse_source(nested_headings(10000));
  ASSERT_TRUE(doc.ok());
  std::string json = serialize_document(doc.value());
  EXPECT_NE(json.find("\"h9999\""), std::string::npos);
}

TEST(Parse, HeadingLevelSaturatesAtOneByte) {
  for (std::size_t n : {255u, 256u, 1000u}) {
    auto doc = parse_source(std::string(n, '#') + " deep");
    ASSERT_TRUE(doc.ok());
    const Group& g = doc.value().nodes.at(0).get<Group>();
    EXPECT_EQ(g.depth, 255) << n;
    EXPECT_EQ(g.name, "deep");
  }
}

TEST(Parse, NulAndInvalidBytesPassThrough) {
  auto doc = parse_source(std::string("a\0b\n\xff\xfe", 6));
  ASSERT_TRUE(doc.ok());
  EXPECT_EQ(outline(doc.value().nodes), std::string("Prose:a\0b Prose:\xff\xfe", 18));
}

TEST(Lines, SplitAsReadAndForgottenBehind) {
  struct Case {
    std::string_view text;
    std::vector<std::string_view> lines;
  };
  const Case cases[] = {
      {"", {}},
      {"a", {"a"}},
      {"a\n", {"a"}},
      {"\n\n", {"", ""}},
      {"a\r\nb\rc\r", {"a", "b\rc\r"}},
      {"\tx\ty\t\r\nz", {"    x    y    ", "z"}},
      // Blank lines, single and in runs, among them ones that hold a tab.
      {"a\n\t\nb\n\n\n \t\r\n\xe3\x80\x80\n\t\v\n\n\r\r\nc\n\n\t",
       {"a", "    ", "b", "", "", "     ", "\xe3\x80\x80", "    \v", "", "\r", "c", "", "    "}},
  };
  for (const Case& c : cases) {
    // Read front to back, and back to front on a text split all at once.
    const parse::Lines lines(c.text);
    ASSERT_EQ(lines.size(), c.lines.size()) << c.text;
    for (std::size_t i = 0; i < c.lines.size(); ++i) EXPECT_EQ(lines[i], c.lines[i]) << c.text;
    const parse::Lines backwards(c.text);
    for (std::size_t i = c.lines.size(); i-- > 0;) EXPECT_EQ(backwards[i], c.lines[i]) << c.text;
  }
  parse::Lines lines("one\nt\two\r\nthr\tee");
  EXPECT_EQ(lines.kept_from(), 0u);
  lines.forget_before(2);  // never read: split on the way
  EXPECT_EQ(lines.kept_from(), 10u);  // offsets in the text, not in the expanded lines
  EXPECT_EQ(lines[2], "thr    ee");
  EXPECT_EQ(lines[0], "");  // forgotten
  lines.forget_before(3);
  EXPECT_EQ(lines.kept_from(), 16u);
  // A run of blank lines is forgotten once all of it is behind.
  parse::Lines runs("x\n\n \n\ny\n");
  EXPECT_EQ(runs[3], "");
  runs.forget_before(2);
  EXPECT_EQ(runs.kept_from(), 2u);
  EXPECT_EQ(runs[2], " ");
  runs.forget_before(4);
  EXPECT_EQ(runs.kept_from(), 6u);
  EXPECT_EQ(runs[4], "y");
}

TEST(ParseEach, HandsOverTheNodesOfParseSourceOneAtATime) {
  const std::string source = "# A\n  x\n\n# B\n  y\nplain\n\n// note\n";
  std::vector<std::size_t> offsets;
  Nodes nodes;
  const auto e = parse_each(
      source, [&](Node&& n) { nodes.push_back(std::move(n)); },
      [&](std::size_t offset) { offsets.push_back(offset); });
  ASSERT_FALSE(e.has_value());
  EXPECT_EQ(outline(nodes), outline(parse_source(source).value().nodes));
  // After each line passed, a group's heading and members included: the start
  // of the next line.
  EXPECT_EQ(offsets, (std::vector<std::size_t>{4, 8, 9, 13, 17, 23, 24, source.size()}));
}

TEST(ParseEach, ParseErrorAnywhereWinsOverAnEarlierLoweringError) {
  const std::string source = "# Sync\n  ## orders\n    class: weekly\n\nplain\n\nsync:\n";
  auto whole = parse_source(source);
  ASSERT_FALSE(whole.ok());
  EXPECT_EQ(whole.error().code, "E_SYNC_MISSING_NAME");
  std::size_t handed = 0;
  const auto e = parse_each(source, [&](Node&&) { ++handed; });
  ASSERT_TRUE(e.has_value());
  EXPECT_EQ(e->code, "E_SYNC_MISSING_NAME");
  EXPECT_EQ(handed, 0u);  // nothing after the lowering error
  const auto lowering = parse_each("plain\n# Sync\n  ## orders\n    class: weekly\n", [&](Node&&) { ++handed; });
  ASSERT_TRUE(lowering.has_value());
  EXPECT_EQ(lowering->code, "E_SYNC_INVALID_CLASS");
  EXPECT_EQ(handed, 1u);
}

}  // namespace
}  // namespace varn
