#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "convert/convert.hpp"
#include "tests/golden.hpp"
#include "varn/operations.hpp"

namespace varn::convert {
namespace {

Group group(std::string name, Nodes children = {}) { return Group{1, std::move(name), {}, {}, std::move(children)}; }

Task task(std::string text, MarkerKind kind = MarkerKind::Open, Nodes children = {}) {
  Task t;
  t.text = std::move(text);
  t.marker.kind = kind;
  t.children = std::move(children);
  return t;
}

Prose prose(std::string text) { return Prose{std::move(text), {}}; }

Define define(std::string entity, std::vector<FieldDef> fields) {
  return Define{std::move(entity), {}, std::move(fields), std::nullopt, std::nullopt, std::nullopt};
}

std::string summary(Nodes nodes) {
  auto text = document_to_json(Document{std::move(nodes)});
  EXPECT_TRUE(text.ok());
  return text.ok() ? text.value() : "";
}

TEST(ToJson, Summaries) {
  const double nan = std::nan("");
  const double inf = std::numeric_limits<double>::infinity();
  const struct {
    const char* name;
    Nodes nodes;
    const char* expected;
  } cases[] = {
      {"empty", {}, "{}"},
      {"only other kinds", {Comment{"c"}, Snap{"s"}, Divider{}}, "{}"},
      {"group without children", {group("G")}, "{\n  \"G\": {}\n}"},
      {"task statuses and prose, keys sorted",
       {task("a", MarkerKind::Open), task("b", MarkerKind::Required), prose("p1"), task("c", MarkerKind::Optional),
        task("d", MarkerKind::Completed), prose("p2")},
       R"({
  "prose": [
    "p1",
    "p2"
  ],
  "tasks": [
    {
      "status": "open",
      "text": "a"
    },
    {
      "status": "pending",
      "text": "b"
    },
    {
      "status": "optional",
      "text": "c"
    },
    {
      "status": "completed",
      "text": "d"
    }
  ]
})"},
      {"code blocks with and without a language",
       {CodeBlock{std::nullopt, "x\ny"}, CodeBlock{"", "z"}, CodeBlock{"py", "\"q\"\t"}},
       R"({
  "code_blocks": [
    {
      "content": "x\ny"
    },
    {
      "content": "z",
      "lang": ""
    },
    {
      "content": "\"q\"\t",
      "lang": "py"
    }
  ]
})"},
      {"groups nest and a later group of the same name replaces",
       {group("G", {prose("first")}), group("G", {group("Inner", {task("t")})})},
       R"({
  "G": {
    "Inner": {
      "tasks": [
        {
          "status": "open",
          "text": "t"
        }
      ]
    }
  }
})"},
      {"items after a group named like their array are dropped; a group replaces the array",
       {group("tasks"), task("dropped"), prose("kept"), group("prose", {prose("inner")}), prose("dropped too")},
       R"({
  "prose": {
    "prose": [
      "inner"
    ]
  },
  "tasks": {}
})"},
      {"children of tasks and other bodies are not visited",
       {task("parent", MarkerKind::Open, {task("child")}), Conditional{Compute{"x", false}, {prose("hidden")}},
        ValidateDef{"v", {}, {task("hidden")}}},
       R"({
  "tasks": [
    {
      "status": "open",
      "text": "parent"
    }
  ]
})"},
      {"every field value",
       {define("e", {{"s", false, fv::Str{"x"}},
                     {"i", false, fv::Int{-9223372036854775807 - 1}},
                     {"f", false, fv::Float{1.0}},
                     {"g", false, fv::Float{2.5e20}},
                     {"nan", false, fv::Float{nan}},
                     {"inf", false, fv::Float{-inf}},
                     {"b", false, fv::Bool{true}},
                     {"a", false, fv::Atom{"active"}},
                     {"en", false, fv::Enum{{"p", "q"}}},
                     {"r", false, fv::Ref{"user"}},
                     {"l", false, fv::List{}},
                     {"ts", false, fv::Timestamp{"2024-01-01"}},
                     {"n", false, fv::Nil{}},
                     {"t", false, fv::Trit{-1}}})},
       R"({
  "e": {
    "a": "active",
    "b": true,
    "en": [
      "p",
      "q"
    ],
    "f": 1.0,
    "g": 2.5e+20,
    "i": -9223372036854775808,
    "inf": null,
    "l": [],
    "n": null,
    "nan": null,
    "r": "@user",
    "s": "x",
    "t": -1,
    "ts": "2024-01-01"
  }
})"},
      {"define without fields, repeated field keeps the later value",
       {define("empty", {}), define("one", {{"k", false, fv::Int{1}}, {"k", false, fv::Int{2}}})},
       R"({
  "empty": {},
  "one": {
    "k": 2
  }
})"},
      {"two defines of one entity give an array; entities win over everything",
       {define("u", {{"n", false, fv::Int{1}}}), group("u", {prose("lost")}), define("u", {{"n", false, fv::Int{2}}}),
        define("tasks", {}), task("lost")},
       R"({
  "tasks": {},
  "u": [
    {
      "n": 1
    },
    {
      "n": 2
    }
  ]
})"},
      {"defines in different groups stay apart",
       {group("A", {define("u", {})}), group("B", {define("u", {})})},
       R"({
  "A": {
    "u": {}
  },
  "B": {
    "u": {}
  }
})"},
      {"uppercase keys sort first, non-ASCII unescaped",
       {group("b"), group("Z"), group("\xc3\xa9"), prose("caf\xc3\xa9\x01")},
       "{\n  \"Z\": {},\n  \"b\": {},\n  \"prose\": [\n    \"caf\xc3\xa9\\u0001\"\n  ],\n  \"\xc3\xa9\": {}\n}"},
  };
  for (const auto& c : cases) EXPECT_EQ(summary(c.nodes), c.expected) << c.name;
}

TEST(ToJson, ThroughParse) {
  const auto dir = std::filesystem::path(VARN_TEST_DATA) / "convert/tests/data";
  auto text = ops::to_json(testing::slurp(dir / "summary.varn"));
  ASSERT_TRUE(text.ok()) << text.error();
  testing::expect_golden(text.value(), dir / "summary.json");
}

}  // namespace
}  // namespace varn::convert
