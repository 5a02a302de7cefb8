// Typed field values, repeated keys, and the lines of the data and automation
// constructs, checked through the JSON AST with its line breaks taken out.
#include <gtest/gtest.h>

#include <string>

#include "varn/ast.hpp"
#include "varn/parse.hpp"

namespace varn {
namespace {

// The JSON AST of `source` on one line: every line feed and the indentation
// after it removed.
std::string compact_json(std::string_view source) {
  auto doc = parse_source(source);
  if (!doc.ok()) return "error";
  const std::string pretty = serialize_document(doc.value());
  std::string out;
  for (std::size_t i = 0; i < pretty.size(); ++i) {
    if (pretty[i] != '\n') {
      out.push_back(pretty[i]);
      continue;
    }
    while (i + 1 < pretty.size() && pretty[i + 1] == ' ') ++i;
  }
  return out;
}

// The written `default` of the one field of "define:@e" whose value is `value`.
std::string default_of(const std::string& value) {
  const std::string json = compact_json("define:@e\n  f: " + value);
  constexpr std::string_view kKey = "\"default\": ";
  constexpr std::string_view kEnd = "}]}]}";  // field, fields, Define, nodes, document
  const std::size_t at = json.find(kKey);
  if (at == std::string::npos || !std::string_view(json).ends_with(kEnd)) return json;
  const std::size_t from = at + kKey.size();
  return json.substr(from, json.size() - kEnd.size() - from);
}

TEST(FieldValues, EachValueTextGivesItsVariant) {
  const struct {
    std::string value;
    std::string json;
  } cases[] = {
      // every variant the parser produces
      {"", R"({"Str": ""})"},
      {"plain words", R"({"Str": "plain words"})"},
      {"\"quoted: text\"", R"({"Str": "quoted: text"})"},
      {"\"\"", R"({"Str": ""})"},
      {"\"a\\\"b\"", R"({"Str": "a\\\"b"})"},  // no unescaping
      {"42", R"({"Int": 42})"},
      {"0.5", R"({"Float": 0.5})"},
      {"true", R"({"Bool": true})"},
      {"false", R"({"Bool": false})"},
      {":open", R"({"Atom": "open"})"},
      {"::open", R"({"Atom": ":open"})"},
      {":a/:b", R"({"Enum": ["a","b"]})"},
      {":a/ /::b/", R"({"Enum": ["a","","b",""]})"},
      {"@ana", R"({"Ref": "ana"})"},
      {"@", R"({"Ref": ""})"},
      {"[]", R"("List")"},
      {"|2025-01-01|", R"({"Timestamp": "2025-01-01"})"},
      {"||", R"({"Timestamp": ""})"},
      {"nil", R"("Nil")"},
      // exact, case-sensitive literals
      {"True", R"({"Str": "True"})"},
      {"NIL", R"({"Str": "NIL"})"},
      {"[ ]", R"({"Str": "[ ]"})"},
      // a single quote or bar is text
      {"\"", R"({"Str": "\""})"},
      {"|", R"({"Str": "|"})"},
      // integers at the signed 64-bit limits and beyond
      {"9223372036854775807", R"({"Int": 9223372036854775807})"},
      {"-9223372036854775808", R"({"Int": -9223372036854775808})"},
      {"+9223372036854775807", R"({"Int": 9223372036854775807})"},
      {"9223372036854775808", R"({"Float": 9.223372036854776e+18})"},
      {"-9223372036854775809", R"({"Float": -9.223372036854776e+18})"},
      {"99999999999999999999999", R"({"Float": 1e+23})"},
      {"007", R"({"Int": 7})"},
      {"-0", R"({"Int": 0})"},
      {"+", R"({"Str": "+"})"},
      {"-", R"({"Str": "-"})"},
      {"12ab", R"({"Str": "12ab"})"},
      {"1_000", R"({"Str": "1_000"})"},
      {"0x10", R"({"Str": "0x10"})"},
      {"\xd9\xa1\xd9\xa2", R"({"Str": "١٢"})"},  // non-ASCII digits are text
      // floats, written as the shortest digits that read back
      {"1e3", R"({"Float": 1000.0})"},
      {"-1.50", R"({"Float": -1.5})"},
      {"+.5", R"({"Float": 0.5})"},
      {"5.", R"({"Float": 5.0})"},
      {"1E15", R"({"Float": 1000000000000000.0})"},
      {"1e16", R"({"Float": 1e+16})"},
      {"0.00001", R"({"Float": 0.00001})"},
      {"0.000001", R"({"Float": 1e-6})"},
      {"0.1e-2", R"({"Float": 0.001})"},
      {"-0.0", R"({"Float": -0.0})"},
      {"2.5e+2", R"({"Float": 250.0})"},
      {"1e400", R"({"Float": null})"},
      {"-1e400", R"({"Float": null})"},
      {"1e-400", R"({"Float": 0.0})"},
      {"0.0000e99999999999999999999", R"({"Float": 0.0})"},
      {"123456789012345678901234567890", R"({"Float": 1.2345678901234568e+29})"},
      {"0.1000000000000000055511151231257827", R"({"Float": 0.1})"},
      {"0." + std::string(400, '0') + "1", R"({"Float": 0.0})"},
      {"1" + std::string(400, '0'), R"({"Float": null})"},
      {"inf", R"({"Float": null})"},
      {"-Infinity", R"({"Float": null})"},
      {"NaN", R"({"Float": null})"},
      {"infinit", R"({"Str": "infinit"})"},
      {"1e", R"({"Str": "1e"})"},
      {"e3", R"({"Str": "e3"})"},
      {".", R"({"Str": "."})"},
      {"1.2.3", R"({"Str": "1.2.3"})"},
      {"1e3.5", R"({"Str": "1e3.5"})"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(default_of(c.value), c.json) << c.value;
  }
}

TEST(FieldValues, NameAndPlural) {
  const struct {
    std::string line;
    std::string json;
  } cases[] = {
      {"tags(s): :a/:b", R"("name": "tags","plural": true,"default": {"Enum": ["a","b"]})"},
      {"tag (s): x", R"("name": "tag ","plural": true,)"},
      {"a(s)b(s): x", R"("name": "ab","plural": true,)"},
      {": x", R"("name": "","plural": false,"default": {"Str": "x"})"},
      {"k: a: b", R"("name": "k","plural": false,"default": {"Str": "a: b"})"},
  };
  for (const auto& c : cases) {
    EXPECT_NE(compact_json("define:@e\n  " + c.line).find(c.json), std::string::npos) << c.line;
  }
}

// A single-valued key given twice takes its last value, except for the typed
// fields of a module definition, where the first wins; pair lists keep all.
TEST(RepeatedKeys, FirstOrLastWins) {
  const struct {
    std::string source;
    std::string json;
  } cases[] = {
      {"mod:$m\n  kind: a\n  kind: b", R"("name": "m","kind": "a",)"},
      {"mod:$m\n  description: a\n  description: b", R"("description": "a",)"},
      {"mod:$m\n  trigger: a\n  trigger: b", R"("trigger": ["a"],"body": [["trigger","a"],["trigger","b"]])"},
      {"form: f\n  ui_layout: a\n  ui_layout: b", R"("ui_layout": "b",)"},
      {"form: f\n  storage_entity: a\n  storage_entity: b", R"("storage": {"entity": "b"})"},
      {"form: f\n  schema_version: 1\n  schema_version: 2", R"("schema_version": 2,)"},
      {"form: f\n  ui_page: a\n  ui_page: b", R"("ui_pages": ["a","b"],)"},
      {"form: f\n  x: 1\n  x: 2", R"("fields": [{"name": "x","plural": false,"default": {"Int": 1}},{"name": "x")"},
      {"query:\n  t\n  sort: a\n  sort: b", R"("sort": "b",)"},
      {"query:\n  t\n  include: a\n  include: b", R"("include": ["b"])"},
      {"query:\n  t\n  limit: 1\n  limit: 2", R"("limit": 2,)"},
      {"## Metric: m\n  source: a\n  source: b", R"("source": "b",)"},
      {"## Metric: m\n  grain: a\n  grain: b", R"("grain": "b",)"},
      {"## Metric: m\n  dimensions: a\n  dimensions: b", R"("dimensions": ["b"],)"},
      {"## Metric: m\n  cross_source: true\n  cross_source: no", R"("cross_source": false})"},
      {"mutate:@t:1\n  a: 1\n  a: 2", R"("fields": [["a","1"],["a","2"]])"},
      {"use $m\n  a: 1\n  a: 2", R"("config": [["a","1"],["a","2"]])"},
      {"git: x\n  a: 1\n  a: 2", R"("body": [["a","1"],["a","2"]])"},
      {"webhook: on: |a| on: |b| url: u url: v", R"("trigger": "a","url": "u",)"},
  };
  for (const auto& c : cases) {
    EXPECT_NE(compact_json(c.source).find(c.json), std::string::npos) << c.source << "\n" << compact_json(c.source);
  }
}

// The url is the first word after the quotes, white space inside them
// skipped.
TEST(WebhookUrl, FirstWordAfterTheQuotes) {
  const struct {
    std::string source;
    std::string url;
  } cases[] = {
      {"webhook: url:\" /hooks/done\"\n", "/hooks/done"},
      {"webhook: on:|x| url:\" %\"\n", "%"},
      {"webhook: url:\" -#\n", "-#"},
      {"webhook: url: \"\" payload: \"p\"", "payload:"},
      {"webhook: url:\"  \"", ""},
  };
  for (const auto& c : cases) {
    EXPECT_NE(compact_json(c.source).find("\"url\": \"" + c.url + "\","), std::string::npos)
        << c.source << "\n" << compact_json(c.source);
  }
}

// Malformed bodies: each construct keeps what it is meant to keep, and the
// line after its body is still read.
TEST(NoLineLost, MalformedBodies) {
  const struct {
    std::string source;
    std::vector<std::string> kept;
  } cases[] = {
      {"define:@e\n  :\n  ::\n  no colon\n  \xe2\x80\x83x\xc3\xa9: 1\nafter",
       {R"("name": "","plural": false,"default": {"Str": ""})", R"("name": "","plural": false,"default": {"Atom": ""})",
        R"("name": "xé")", R"("text": "after")"}},
      // pairs before the first record of a batch stay in `fields`
      {"mutate:@t\n  first: pair\n  r1: k: v\n  later: pair\nafter",
       {R"("fields": [["first","pair"]],"batch": [{"id": "r1","fields": [["k","v"],["later","pair"]]}])",
        R"("text": "after")"}},
      {"mutate:@t\n  :\n  ::\nafter", {R"("fields": [["",""],["",":"]])", R"("text": "after")"}},
      {"mutate:@t\n  \xc3\xbc" "1: k: v\nafter", {R"("batch": [{"id": "ü1","fields": [["k","v"]]}])"}},
      // a query line with nothing under it is the prose it reads as
      {"query: x\n\nafter", {R"({"kind": "Prose","text": "query: x")", R"("text": "after")"}},
      {"  query:\n  sibling", {R"({"kind": "Prose","text": "query:")", R"("text": "sibling")"}},
      {"query:\n  :\n  limit\nafter", {R"("entity": ":",)", R"("text": "after")"}},
      {"mod:$m\n  :\n  bare\n  // only a comment\nafter",
       {R"("body": [["",""],["_","bare"],["_",""]])", R"("text": "after")"}},
      {"use @e from\n  no colon\n  k: v\nafter", {R"("mod_name": "@e from","config": [["k","v"]])", R"("text": "after")"}},
      {"form: f\n  ui_page\n  : x\nafter", {R"("fields": [{"name": "","plural": false,"default": {"Str": "x"}}])"}},
      {"## Metric: m\n  formula: |\n  a: b\n\n  // c\nafter", {R"("formula": "a: b\n\n// c")", R"("text": "after")"}},
      {"files:\n  @\n  @ \xc3\xa9\nafter", {R"("paths": ["","é"])", R"("text": "after")"}},
      {"policy:\n  @:\n  @x: {\nafter", {R"("rules": [{"path": "","gates": []},{"path": "x","gates": []}])"}},
      {"git:\n  :\nafter", {R"("body": [["",""]])", R"("text": "after")"}},
      {"gate:\n  a\n b\nafter", {R"("children": [{"kind": "Prose","text": "a")", R"("text": "b")", R"("text": "after")"}},
  };
  for (const auto& c : cases) {
    const std::string json = compact_json(c.source);
    for (const std::string& k : c.kept) EXPECT_NE(json.find(k), std::string::npos) << c.source << "\n" << json;
  }
}

}  // namespace
}  // namespace varn
