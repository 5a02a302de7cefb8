// The conversions end to end: input text to the exact text that Python gets.
#include <gtest/gtest.h>

#include "varn/operations.hpp"

namespace varn {
namespace {

struct Case {
  std::string input;
  std::string expected;
};

void expect_texts(ops::TextResult (*op)(std::string_view), const std::vector<Case>& cases) {
  for (const Case& c : cases) {
    auto out = op(c.input);
    ASSERT_TRUE(out.ok()) << c.input << ": " << out.error();
    EXPECT_EQ(out.value(), c.expected) << c.input;
  }
}

TEST(FromJsonText, Rendered) {
  expect_texts(ops::from_json,
               {
                   {"{}", ""},
                   {"[[]]", ""},
                   {R"("a \"q\"")", R"(a "q")"},
                   {"[1, 2.5, null, true]", "1\n2.5\nnil\ntrue"},
                   {R"({"b": 1, "a": "x y"})", "a: x y\nb: 1"},
                   {R"({"user": {"name": "Ann", "age": 30, "score": 1.0, "big": 1e20, "tags": [1],
                        "meta": {"k": [true]}, "none": null, "ok": false}})",
                    "define:@user\n    age: 30\n    big: 100000000000000000000.0\n    meta: \"{\"k\":[true]}\"\n"
                    "    name: \"Ann\"\n    none: nil\n    ok: false\n    score: 1.0\n    tags: []"},
                   {R"({"e": {}, "p": "after"})", "define:@e\n\np: after"},
                   {R"({"users": [{"n": 1}, "x", {"n": 2}]})",
                    "define:@users\n    n: 1\n\nusers: \"x\"\ndefine:@users\n    n: 2"},
                   {R"({"k": [null, [1, 2], {"a": {}}]})", "k: null\nk: [1,2]\ndefine:@k\n    a: \"{}\""},
                   {R"({"x": 18446744073709551615, "y": {"z": 18446744073709551615}})",
                    "x: 18446744073709551615\ndefine:@y\n    z: 18446744073709552000.0"},
               });
}

TEST(FromJsonText, Errors) {
  const Case cases[] = {
      {"", "JSON conversion error: EOF while parsing a value at line 1 column 0"},
      {"{\"a\" 1}", "JSON conversion error: expected `:` at line 1 column 6"},
      {"nul", "JSON conversion error: EOF while parsing a value at line 1 column 3"},
      {"[1,\n2,\n]", "JSON conversion error: trailing comma at line 3 column 1"},
      {"{} {}", "JSON conversion error: trailing characters at line 1 column 4"},
      {"1e400", "JSON conversion error: number out of range at line 1 column 5"},
      {std::string(100000, '[') + std::string(100000, ']'),
       "JSON conversion error: recursion limit exceeded at line 1 column 128"},
  };
  for (const Case& c : cases) {
    auto out = ops::from_json(c.input);
    ASSERT_FALSE(out.ok()) << c.input.substr(0, 20);
    EXPECT_EQ(out.error(), c.expected) << c.input.substr(0, 20);
  }
}

TEST(FromMarkdownText, Rendered) {
  expect_texts(ops::from_markdown,
               {
                   {"", ""},
                   {"\n\n", ""},
                   {"# Title\n\ntext\nmore\n\n- [ ] a\n- [x] b\n-  c\n## Sub",
                    "# Title\n\ntext more\n[!] a\n[x] b\n[!]  c\n## Sub"},
                   {"```py\n  x = 1\n\n  y\n```\nafter", "```py\n  x = 1\n\n  y\n```\nafter"},
                   {"```\nno lang", "```\nno lang\n```"},
                   {"####### x\n#\n  # y", "####### x\n#\n# y"},
                   {"para\n- item   ", "para\n[!] item"},
               });
}

}  // namespace
}  // namespace varn
