// Trees that no source gives, written so that the text parses: a line that
// would read as a nameless "sync:" declaration, or give a class that the
// lowering refuses below a "Sync" heading, reads as something else.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <set>

#include "json/writer.hpp"
#include "parse/text.hpp"
#include "tests/golden.hpp"
#include "tests/near_refused.hpp"
#include "varn/ast.hpp"
#include "varn/operations.hpp"
#include "varn/render.hpp"

namespace varn {
namespace {

using testing::Draw;
using testing::refused;

SyncDef sync(std::string name, std::string class_) {
  return SyncDef{std::move(name), std::move(class_), "", "", "", "", "", ""};
}

TEST(RenderText, Parses) {
  Task matched;
  matched.text = "t";
  matched.match_arms = std::vector<MatchArm>{{"sync", {Prose{"y"}}}, {"sync:sync", {}}};
  const struct {
    const char* name;
    Nodes nodes;
    std::string_view want;
  } cases[] = {
      {"prose", {Prose{"sync:"}, Prose{" sync: // c"}, Prose{"sync:sync:"}}, "sync :\n sync : // c\nsync :sync:"},
      {"variable", {Variable{"sync://", std::string("x")}}, "sync :// = x"},
      {"match arm patterns", {matched}, "[ ] t\n    match:\n        sync :\n            y\n        sync :sync:"},
      {"name of white space", {sync(" ", ""), Group{1, "Sync", {}, {}, {sync("\t", "ops")}}},
       "#\n# Sync\n\n    #\n        class: ops"},
      {"refused class of a nameless declaration", {Group{1, "Sync", {}, {}, {sync("", "weekly"), sync("b", "daily")}}},
       "# Sync\n\n    #\n        // class: weekly\n    sync:b\n        class: daily"},
      {"refused class of a sub-heading",
       {Group{2, "Sync", {}, {}, {Group{3, "a", {}, {}, {Prose{"class: weekly"}, Prose{"class: ops // x"}}}}}},
       "## Sync\n\n    ### a\n\n        // class: weekly\n        // class: ops // x"},
      {"a title that reads as Sync", {Group{1, "Sync :x", {}, {}, {Group{2, "a", {}, {}, {Prose{"class: x"}}}}}},
       "# Sync :x\n\n    ## a\n\n        // class: x"},
      {"accepted classes", {Group{1, "Sync", {}, {}, {Group{2, "a", {}, {}, {Prose{"class: x"}, Prose{"class:"}}}}}},
       "# Sync\n\n    ## a\n\n        class: x\n        class:"},
      {"a refused class before the one that counts",
       {Group{1, "Sync", {}, {}, {Group{2, "a", {}, {}, {Prose{"class: weekly"}, Prose{"class: ops"}}}}}},
       "# Sync\n\n    ## a\n\n        class: weekly\n        class: ops"},
      // Only the lines read as a declaration's class are mended, not code.
      {"a class line in code",
       {Group{1, "Sync", {}, {}, {Group{2, "a", {}, {}, {Prose{"class: weekly"}, CodeBlock{std::nullopt, "class: x"}}}}}},
       "# Sync\n\n    ## a\n\n        // class: weekly\n        ```\nclass: x\n        ```"},
      // After a line feed anything may follow, at any indentation; a line
      // that reads as another does not say where it stands.
      {"line feeds", {Prose{"a\nsync:"}, Comment{"b\n# Sync\n    ## c\n        class: d"}},
       "a\nsync :\n// b\n# Sync\n    ## c\n        // class: d"},
      // A text that opens a code block leaves the next one's content bare.
      {"fences", {Prose{"```"}, CodeBlock{std::nullopt, "sync:"}}, "```\n```\nsync :\n```"},
      // A code block's lines are code, whatever opened it.
      {"code lines", {Prose{"```\nsync:\n```\nsync:"}, Prose{"```"}, Prose{"sync:"}},
       "```\nsync:\n```\nsync :\n```\nsync:"},
  };
  for (const auto& c : cases) {
    const std::string text = render_document(c.nodes);
    EXPECT_EQ(text, c.want) << c.name;
    EXPECT_EQ(refused(text), "") << c.name;
  }
}

const std::set<std::string_view> kMutated = {"name",    "text",   "class",   "pattern", "entity", "title",
                                             "source",  "expr",   "trigger", "url",     "content", "Literal",
                                             "Str",     "target", "rule",    "dynamic", "value",   "lang"};

// The JSON AST of `source` with some of its strings replaced: by nothing,
// by tokens, or by tokens with a letter before or after them. The writer puts one member on
// a line, so a string member is a line '"key": "value"' with an optional
// comma.
std::string mutated(const std::string& json, Draw& draw) {
  std::string out;
  for (std::string_view line : parse::split_lines(json)) {
    const std::size_t key = line.find_first_not_of(' ');
    const std::size_t colon = line.find("\": \"", key);
    const bool string_member = key != std::string_view::npos && line[key] == '"' && colon != std::string_view::npos &&
                               kMutated.contains(line.substr(key + 1, colon - key - 1));
    if (!string_member || !draw.one_in(3)) {
      out.append(line).push_back('\n');
      continue;
    }
    const bool comma = line.ends_with(',');
    std::string value;
    switch (draw.below(5)) {
      case 0: break;
      case 1: value = draw.text(1); break;
      case 2: value = draw.text(3); break;
      case 3: value = draw.text(2) + "x"; break;
      default: value = "x" + draw.text(2);
    }
    out.append(line.substr(0, colon + 3));
    json::append_escaped(out, value);
    out.append(comma ? ",\n" : "\n");
  }
  return out;
}

// Parsed documents of every construct, their strings mutated with the
// tokens: every tree that reads in renders to a text that parses.
TEST(RenderText, MutatedTreesParse) {
  std::vector<std::filesystem::path> sources;
  for (const char* dir : {"render/tests/corpus", "parse/tests/cases"}) {
    for (const auto& entry : std::filesystem::directory_iterator(std::filesystem::path(VARN_TEST_DATA) / dir)) {
      if (entry.path().extension() == ".varn") sources.push_back(entry.path());
    }
  }
  std::sort(sources.begin(), sources.end());
  Draw draw(37);
  std::size_t rendered = 0;
  std::size_t failures = 0;
  for (const auto& path : sources) {
    auto doc = parse_source(varn::testing::slurp(path));
    if (!doc.ok()) continue;
    const std::string json = serialize_document(doc.value());
    for (int i = 0; i < 40; ++i) {
      const std::string tree = mutated(json, draw);
      auto text = ops::render(tree);
      if (!text.ok()) continue;  // a value that the reader refuses where it stands
      ++rendered;
      const std::string failure = refused(text.value());
      if (!failure.empty() && ++failures <= 5) ADD_FAILURE() << path.filename() << ": " << failure;
    }
  }
  EXPECT_EQ(failures, 0u);
  EXPECT_GT(rendered, 1000u);
}

}  // namespace
}  // namespace varn
