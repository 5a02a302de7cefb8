#include <gtest/gtest.h>

#include <string>

#include "json/reader.hpp"

namespace varn::json {
namespace {

// A held value in a compact notation: u5, i-5, f1.5, s"a", n, b1, [..], {k:..}.
// The tags are appended to: g++ 12 at -O3 warns (-Wrestrict) on a literal
// plus a temporary string.
std::string dump(const Value& v) {
  switch (v.kind) {
    case Kind::Null: return "n";
    case Kind::Bool: return v.boolean ? "b1" : "b0";
    case Kind::UInt: return std::string("u").append(std::to_string(v.uint));
    case Kind::Int: return std::string("i").append(std::to_string(v.int_));
    case Kind::Float: {
      std::string d = describe(v);  // floating point `v`
      return std::string("f").append(d, 16, d.size() - 17);
    }
    case Kind::String: return std::string("s").append(v.str());
    case Kind::Array: {
      std::string out = "[";
      for (const Value& x : v.array()) out += dump(x) + ",";
      return out + "]";
    }
    case Kind::Object: {
      std::string out = "{";
      for (const Member& m : v.object()) out += std::string(m.key) + ":" + dump(m.value) + ",";
      return out + "}";
    }
  }
  return "?";
}

std::string read(std::string_view text) {
  auto p = parse(text);
  if (!p) return display(p.error());
  return dump(p.value().root);
}

TEST(JsonReader, SyntaxErrorsCarryTheirMessageAndPosition) {
  const struct {
    std::string text, expected;
  } cases[] = {
      {"", "EOF while parsing a value at line 1 column 0"},
      {"   ", "EOF while parsing a value at line 1 column 3"},
      {"[", "EOF while parsing a list at line 1 column 1"},
      {"[1", "EOF while parsing a list at line 1 column 2"},
      {"[1 2]", "expected `,` or `]` at line 1 column 4"},
      {"[1,]", "trailing comma at line 1 column 4"},
      {"[1,", "EOF while parsing a value at line 1 column 3"},
      {"[\n1,\n]", "trailing comma at line 3 column 1"},
      {"{", "EOF while parsing an object at line 1 column 1"},
      {"{1:2}", "key must be a string at line 1 column 2"},
      {"{\"a\" 1}", "expected `:` at line 1 column 6"},
      {"{\"a\"", "EOF while parsing an object at line 1 column 4"},
      {"{\"a\":1,}", "trailing comma at line 1 column 8"},
      {"{\"a\":1,2}", "key must be a string at line 1 column 8"},
      {"{\"a\":1 \"b\":2}", "expected `,` or `}` at line 1 column 8"},
      {"{\"a\":1,", "EOF while parsing a value at line 1 column 7"},
      {"{\"a\":1", "EOF while parsing an object at line 1 column 6"},
      {"nul", "EOF while parsing a value at line 1 column 3"},
      {"nulx", "expected ident at line 1 column 4"},
      {"tru", "EOF while parsing a value at line 1 column 3"},
      {"fals3", "expected ident at line 1 column 5"},
      {"x", "expected value at line 1 column 1"},
      {"+1", "expected value at line 1 column 1"},
      {"1 2", "trailing characters at line 1 column 3"},
      {"{}\n\n x", "trailing characters at line 3 column 2"},
      {"-", "EOF while parsing a value at line 1 column 1"},
      {"-a", "invalid number at line 1 column 2"},
      {"01", "invalid number at line 1 column 2"},
      {"1.", "EOF while parsing a value at line 1 column 2"},
      {"1.a", "invalid number at line 1 column 3"},
      {"1e", "EOF while parsing a value at line 1 column 2"},
      {"1e+", "EOF while parsing a value at line 1 column 3"},
      {"1ea", "invalid number at line 1 column 3"},
      {"1e400", "number out of range at line 1 column 5"},
      {"-1e400", "number out of range at line 1 column 6"},
      {"\"abc", "EOF while parsing a string at line 1 column 4"},
      {"\"a\x01\"", "control character (\\u0000-\\u001F) found while parsing a string at line 1 column 3"},
      {"\"a\nb\"", "control character (\\u0000-\\u001F) found while parsing a string at line 2 column 0"},
      {"\"\\x\"", "invalid escape at line 1 column 3"},
      {"\"\\", "EOF while parsing a string at line 1 column 2"},
      {"\"\\u12\"", "EOF while parsing a string at line 1 column 6"},
      {"\"\\u12g4\"", "invalid escape at line 1 column 6"},
      {"\"\\ud800\"", "unexpected end of hex escape at line 1 column 8"},
      {"\"\\ud800\\n\"", "unexpected end of hex escape at line 1 column 9"},
      {"\"\\udc00\"", "lone leading surrogate in hex escape at line 1 column 7"},
      {"\"\\ud800\\u0041\"", "lone leading surrogate in hex escape at line 1 column 13"},
  };
  for (const auto& c : cases) EXPECT_EQ(read(c.text), c.expected) << c.text;
}

TEST(JsonReader, HeldValuesKeepOrderRepeatsAndNumberKinds) {
  const struct {
    std::string text, expected;
  } cases[] = {
      {R"({"b": 1, "a": -2, "b": [1.5, -0, 1e2, 2E-1, true, false, null]})", "{b:u1,a:i-2,b:[f1.5,f-0.0,f100.0,f0.2,b1,b0,n,],}"},
      {"18446744073709551615", "u18446744073709551615"},
      {"18446744073709551616", "f18446744073709552000.0"},
      {"-9223372036854775808", "i-9223372036854775808"},
      {"-9223372036854775809", "f-9223372036854776000.0"},
      {"1e-400", "f0.0"},
      {R"("a\"\\\/\b\f\n\r\tz")", "sa\"\\/\b\f\n\r\tz"},
      {R"("\u0041\u00e9\ud83d\ude00")", "sA\xc3\xa9\xf0\x9f\x98\x80"},
      {R"(["", {}, []])", "[s,{},[],]"},
      {" \t\r\n7 \n", "u7"},
  };
  for (const auto& c : cases) EXPECT_EQ(read(c.text), c.expected) << c.text;
}

TEST(JsonReader, NulEscapesSurvive) {
  auto p = parse(R"("a\u0000b")");
  ASSERT_TRUE(p);
  EXPECT_EQ(p.value().root.str(), std::string_view("a\0b", 3));
}

TEST(JsonReader, NestingStopsAtTheLimit) {
  std::string ok = std::string(127, '[') + std::string(127, ']');
  EXPECT_EQ(read(ok).substr(0, 3), "[[[");
  std::string deep = std::string(128, '[') + std::string(128, ']');
  EXPECT_EQ(read(deep), "recursion limit exceeded at line 1 column 128");
  std::string objects;
  for (int i = 0; i < 128; ++i) objects += "{\"a\":";
  EXPECT_EQ(read(objects), "recursion limit exceeded at line 1 column 636");
}

TEST(JsonReader, SkipReadsOverAnyDepthWithoutHolding) {
  const std::size_t n = 1'000'000;
  std::string text = std::string(n, '[') + std::string(n, ']');
  Reader r(text);
  ASSERT_TRUE(r.skip());
  EXPECT_TRUE(r.end());

  std::string objects = R"({"a": [1, {"b": "c\n"}, -2.5e3], "d": {}})";
  Reader r2(objects);
  ASSERT_TRUE(r2.skip());
  EXPECT_TRUE(r2.end());

  std::string bad = std::string(n, '[') + "1,]";
  Reader r3(bad);
  auto s = r3.skip();
  ASSERT_FALSE(s);
  EXPECT_EQ(display(s.error()), "trailing comma at line 1 column 1000003");
}

TEST(JsonReader, LimitedSkipFailsWhereReadingWould) {
  std::string arrays = "[" + std::string(128, '[') + std::string(128, ']') + "]";
  std::string objects = "[";
  for (int i = 0; i < 128; ++i) objects += "{\"a\":";
  for (const std::string& text : {arrays, objects, std::string(127, '[') + std::string(127, ']')}) {
    Reader held(text);
    Arena arena;
    auto v = held.value(arena);
    Reader skipped(text);
    auto s = skipped.skip(true);
    ASSERT_EQ(v.ok(), s.ok()) << text;
    if (!v) {
      EXPECT_EQ(display(s.error()), display(v.error()));
    }
    EXPECT_EQ(skipped.offset(), held.offset());
  }
}

TEST(JsonReader, DescribesFoundValues) {
  const struct {
    std::string text, expected;
  } cases[] = {
      {"null", "null"},
      {"true", "boolean `true`"},
      {"7", "integer `7`"},
      {"-7", "integer `-7`"},
      {"1.0", "floating point `1.0`"},
      {"1e20", "floating point `100000000000000000000.0`"},
      {"1e-7", "floating point `0.0000001`"},
      {"-0.0", "floating point `-0.0`"},
      {R"("a\"b\\c\n\t\u0001\u007f\u0000é")", R"(string "a\"b\\c\n\t\u{1}\u{7f}\0é")"},
      // Characters are escaped whole: the second byte of ƒ is not a C1 control.
      {R"("0ƒ\u0080")", R"(string "0ƒ\u{80}")"},
      {"[]", "sequence"},
      {"{}", "map"},
  };
  for (const auto& c : cases) {
    auto p = parse(c.text);
    ASSERT_TRUE(p) << c.text;
    EXPECT_EQ(describe(p.value().root), c.expected) << c.text;
  }
}

TEST(JsonReader, InvalidTypeReadsOverScalarsAndStopsBeforeBrackets) {
  const struct {
    std::string text, expected;
  } cases[] = {
      {"  12 ", "invalid type: integer `12`, expected a string at line 1 column 4"},
      {"\"x\"", "invalid type: string \"x\", expected a string at line 1 column 3"},
      {" [1]", "invalid type: sequence, expected a string at line 1 column 1"},
      {"{", "invalid type: map, expected a string at line 1 column 0"},
      {"1.", "EOF while parsing a value at line 1 column 2"},
      {"?", "expected value at line 1 column 1"},
  };
  for (const auto& c : cases) {
    Reader r(c.text);
    EXPECT_EQ(display(r.invalid_type("a string")), c.expected) << c.text;
  }
}

}  // namespace
}  // namespace varn::json
