#include <gtest/gtest.h>

#include "convert/convert.hpp"
#include "json/writer.hpp"

namespace varn::convert {
namespace {

// Prose as its text; a define as "entity{name=Kind:value,...}".
std::string describe(const Node& n) {
  if (const auto* p = n.get_if<Prose>()) return p->text;
  const auto& d = n.get<Define>();
  EXPECT_TRUE(d.atoms.empty() && !d.from_scope && !d.mod_scope && !d.workspace_scope);
  std::string out = d.entity + "{";
  for (const FieldDef& f : d.fields) {
    EXPECT_FALSE(f.plural);
    if (out.back() != '{') out += ",";
    out += f.name + "=";
    std::visit(
        [&](const auto& x) {
          using T = std::decay_t<decltype(x)>;
          if constexpr (std::is_same_v<T, fv::Str>) out += "Str:" + x.value;
          else if constexpr (std::is_same_v<T, fv::Int>) out += "Int:" + std::to_string(x.value);
          else if constexpr (std::is_same_v<T, fv::Float>) {
            std::string num;
            json::append_double(num, x.value);
            out += "Float:" + num;
          } else if constexpr (std::is_same_v<T, fv::Bool>) out += x.value ? "Bool:true" : "Bool:false";
          else if constexpr (std::is_same_v<T, fv::List>) out += "List";
          else if constexpr (std::is_same_v<T, fv::Nil>) out += "Nil";
          else out += "?";
        },
        f.default_);
  }
  return out + "}";
}

std::vector<std::string> convert(std::string_view json) {
  auto nodes = json_to_document(json);
  if (!nodes) return {"error: " + display(nodes.error())};
  std::vector<std::string> out;
  for (const Node& n : nodes.value()) out.push_back(describe(n));
  return out;
}

using Lines = std::vector<std::string>;

TEST(FromJson, Values) {
  const struct {
    std::string json;
    Lines expected;
  } cases[] = {
      {"{}", {}},
      {"[]", {}},
      {"[[], [[]]]", {}},
      {R"("text")", {"text"}},
      {"42", {"42"}},
      {"-7", {"-7"}},
      {"1.0", {"1.0"}},
      {"null", {"nil"}},
      {"true", {"true"}},
      {R"([1, "a", null])", {"1", "a", "nil"}},
      {R"([[1, 2], {"k": 3}])", {"1", "2", "k: 3"}},
      {R"({"b": 1, "a": 2})", {"a: 2", "b: 1"}},
      {R"({"user": {"name": "Ann", "age": 30}})", {"user{age=Int:30,name=Str:Ann}"}},
      {R"({"users": [{"n": 1}, {"n": 2}]})", {"users{n=Int:1}", "users{n=Int:2}"}},
      {R"({"tags": ["red", 1]})", {"tags: \"red\"", "tags: 1"}},
      {R"({"a": "x"})", {"a: x"}},
      {R"({"a": null})", {"a: nil"}},
      {R"({"a": 1.0})", {"a: 1.0"}},
      {R"({"k": [null]})", {"k: null"}},
      {R"({"k": [[1, 2]]})", {"k: [1,2]"}},
      {R"({"k": []})", {}},
      {R"({"k": [{"z": 1, "a": {"y": [1, {"q": "\"\n"}], "b": null}}]})",
       {R"(k{a=Str:{"b":null,"y":[1,{"q":"\"\n"}]},z=Int:1})"}},
      {R"({"e": {"o": {}, "l": [1, 2], "f": 2.5, "t": true, "n": null, "s": ""}})",
       {"e{f=Float:2.5,l=List,n=Nil,o=Str:{},s=Str:,t=Bool:true}"}},
      {R"({"e": {"big": 18446744073709551615, "min": -9223372036854775808, "max": 9223372036854775807}})",
       {"e{big=Float:1.8446744073709552e+19,max=Int:9223372036854775807,min=Int:-9223372036854775808}"}},
      {R"({"big": 18446744073709551615, "f": 1e300, "g": 5e-324})",
       {"big: 18446744073709551615", "f: 1e+300", "g: 5e-324"}},
      {R"({"a": 1, "a": 2, "b": {"x": 1, "x": [3]}})", {"a: 2", "b{x=List}"}},
      {R"({"B": 1, "a": 2, "_": 3, "é": 4})", {"B: 1", "_: 3", "a: 2", "é: 4"}},
      {R"({"k": "tab\there \u00e9 \ud83d\ude00"})", {"k: tab\there \xc3\xa9 \xf0\x9f\x98\x80"}},
      {R"({"k": ["\u0001\/"]})", {"k: \"\\u0001/\""}},
      {R"({"k": {"s": "a\u0000b"}})", {std::string("k{s=Str:a\0b}", 12)}},
      {R"({"b": [1, {"x": 1}], "a": 2, "b": [{"y": 1, "y": 2}, "z"]})", {"a: 2", "b{y=Int:2}", "b: \"z\""}},
      {R"([{"b": 1, "a": [{"d": 1}]}, [{"c": 1, "\u0061": 0}]])", {"a{d=Int:1}", "b: 1", "a: 0", "c: 1"}},
  };
  for (const auto& c : cases) EXPECT_EQ(convert(c.json), c.expected) << c.json;
}

TEST(FromJson, ErrorsCarryThePosition) {
  const struct {
    std::string json;
    std::string expected;
  } cases[] = {
      {"", "JSON conversion error: EOF while parsing a value at line 1 column 0"},
      {"  \n ", "JSON conversion error: EOF while parsing a value at line 2 column 1"},
      {"{", "JSON conversion error: EOF while parsing an object at line 1 column 1"},
      {"[1] x", "JSON conversion error: trailing characters at line 1 column 5"},
      {"{\"a\": 1,}", "JSON conversion error: trailing comma at line 1 column 9"},
      {"1e400", "JSON conversion error: number out of range at line 1 column 5"},
      {R"(["\ud800"])", "JSON conversion error: unexpected end of hex escape at line 1 column 9"},
      {R"(["\udc00x"])", "JSON conversion error: lone leading surrogate in hex escape at line 1 column 8"},
      {std::string(127, '[') + std::string(127, ']'), ""},
      {std::string(128, '[') + std::string(128, ']'),
       "JSON conversion error: recursion limit exceeded at line 1 column 128"},
      {std::string(100000, '[') + std::string(100000, ']'),
       "JSON conversion error: recursion limit exceeded at line 1 column 128"},
      {std::string(100000, '{'), "JSON conversion error: key must be a string at line 1 column 2"},
      // Members are read over before any is written: a fault in a later
      // member fails the whole object, nesting counted as it is read.
      {"{\"b\": 1, \"a\": [1,]}", "JSON conversion error: trailing comma at line 1 column 18"},
      {"{\"a\": " + std::string(127, '[') + std::string(127, ']') + "}",
       "JSON conversion error: recursion limit exceeded at line 1 column 133"},
  };
  for (const auto& c : cases) {
    auto nodes = json_to_document(c.json);
    if (c.expected.empty()) {
      EXPECT_TRUE(nodes.ok()) << c.json.substr(0, 20);
    } else {
      ASSERT_FALSE(nodes.ok()) << c.json.substr(0, 20);
      EXPECT_EQ(display(nodes.error()), c.expected) << c.json.substr(0, 20);
    }
  }
}

}  // namespace
}  // namespace varn::convert
