// The text of a conversion always parses: the renderer writes a line that
// would read as a nameless "sync:" declaration, or give a class that the
// lowering refuses, so that it reads as something else.
#include <gtest/gtest.h>

#include "json/writer.hpp"
#include "tests/near_refused.hpp"
#include "varn/operations.hpp"

namespace varn {
namespace {

using testing::Draw;
using testing::refused;

TEST(ConversionText, Parses) {
  const struct {
    ops::TextResult (*op)(std::string_view);
    std::string input;
    std::string want;
  } cases[] = {
      {ops::from_json, R"("sync:")", "sync :"},
      {ops::from_json, R"({"sync": ""})", "sync :"},
      {ops::from_json, R"(["sync: // x"])", "sync : // x"},
      {ops::from_json, R"({"a": [{"sync": ""}, "sync:"]})", "define:@a\n    sync: \"\"\n\na: \"sync:\""},
      {ops::from_markdown, "sync:", "sync :"},
      {ops::from_markdown, "sync:\r", "sync :"},
      {ops::from_markdown, "Intro\n\nsync:\n\nmore", "Intro\nsync :\nmore"},
      {ops::from_json, R"(["sync:sync:", "  sync: \t// a \"b\""])", "sync :sync:\n  sync : \t// a \"b\""},
      // What follows a line feed stands as lines of its own.
      {ops::from_json, R"({"a\nsync:": {}})", "define:@a\nsync :"},
      {ops::from_json, R"({"k": "x\n# Sync\n  ## a\n    class: weekly"})", "k: x\n# Sync\n  ## a\n    // class: weekly"},
  };
  for (const auto& c : cases) {
    auto out = c.op(c.input);
    ASSERT_TRUE(out.ok()) << c.input;
    EXPECT_EQ(out.value(), c.want) << c.input;
    EXPECT_EQ(refused(out.value()), "") << c.input;
  }
}

// A JSON value whose strings and keys are drawn from the tokens.
std::string json_value(Draw& draw, int depth) {
  std::string out;
  switch (draw.below(depth < 3 ? 6 : 3)) {
    case 0: out.append(draw.one_in(2) ? "null" : "-2.5"); break;
    case 1:
    case 2: json::append_escaped(out, draw.text(4)); break;
    case 3:
      out.push_back('[');
      for (std::size_t n = draw.below(4); n > 0; --n) out.append(json_value(draw, depth + 1)).append(n > 1 ? "," : "");
      out.append("]");
      break;
    default:
      out.push_back('{');
      for (std::size_t n = draw.below(4); n > 0; --n) {
        json::append_escaped(out, draw.text(3));
        out.append(":").append(json_value(draw, depth + 1)).append(n > 1 ? "," : "");
      }
      out.append("}");
  }
  return out;
}

// Markdown lines: headings, items, checklist items, fences and paragraph
// lines whose texts are drawn from the tokens.
std::string markdown(Draw& draw) {
  static const char* const kLeads[] = {"", "", "# ", "### ", "#", "- ", "- [ ] ", "- [x] ", "```", "    "};
  static const char* const kBreaks[] = {"\n", "\n", "\n\n", "\r\n"};
  std::string out;
  for (std::size_t n = 1 + draw.below(6); n > 0; --n) {
    out.append(kLeads[draw.below(std::size(kLeads))]).append(draw.text(3));
    out.append(kBreaks[draw.below(std::size(kBreaks))]);
  }
  return out;
}

TEST(ConversionText, GeneratedInputsParse) {
  Draw draw(37);
  std::size_t failures = 0;
  for (int i = 0; i < 5000 && failures < 5; ++i) {
    const std::string json = json_value(draw, 0);
    auto from_json = ops::from_json(json);
    ASSERT_TRUE(from_json.ok()) << json << ": " << from_json.error();
    const std::string md = markdown(draw);
    auto from_markdown = ops::from_markdown(md);
    ASSERT_TRUE(from_markdown.ok());
    for (const auto& [input, text] : {std::pair{json, from_json.value()}, std::pair{md, from_markdown.value()}}) {
      const std::string failure = refused(text);
      if (!failure.empty() && ++failures <= 5) ADD_FAILURE() << "from [" << input << "]: " << failure;
    }
  }
}

}  // namespace
}  // namespace varn
