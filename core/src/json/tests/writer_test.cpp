#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "json/writer.hpp"

namespace varn::json {
namespace {

std::string number_text(double v) {
  std::string out;
  append_double(out, v);
  return out;
}

TEST(JsonWriter, DoublesTakeShortestDigitsAndTheirLayout) {
  const double inf = std::numeric_limits<double>::infinity();
  const struct {
    double value;
    const char* text;
  } cases[] = {
      {1.0, "1.0"},
      {100.0, "100.0"},
      {2.5, "2.5"},
      {1e15, "1000000000000000.0"},
      {1e16, "1e+16"},
      {1.25e16, "1.25e+16"},
      {1e-5, "0.00001"},
      {1e-6, "1e-6"},
      {1.5e-7, "1.5e-7"},
      {1e300, "1e+300"},
      {0.0, "0.0"},
      {-0.0, "-0.0"},
      {-2.5, "-2.5"},
      {0.1, "0.1"},
      {123.456, "123.456"},
      {0.000123, "0.000123"},
      {9007199254740993.0, "9007199254740992.0"},
      {1234567890123456.7, "1234567890123456.8"},
      {12345678901234567.0, "1.2345678901234568e+16"},
      {std::numeric_limits<double>::max(), "1.7976931348623157e+308"},
      {std::numeric_limits<double>::denorm_min(), "5e-324"},
      {std::nan(""), "null"},
      {inf, "null"},
      {-inf, "null"},
  };
  for (const auto& c : cases) EXPECT_EQ(number_text(c.value), c.text) << c.value;
}

TEST(JsonWriter, StringsEscapeOnlyQuotesBackslashesAndControlBytes) {
  const struct {
    std::string in;
    const char* out;
  } cases[] = {
      {"plain", R"("plain")"},
      {"tab\there", R"("tab\there")"},
      {"q\"b\\", R"("q\"b\\")"},
      {"\b\f\n\r", R"("\b\f\n\r")"},
      {"\x1b[0m", R"("\u001b[0m")"},
      {std::string("nul\0end", 7), R"("nul\u0000end")"},
      {"\x1f\x7f", "\"\\u001f\x7f\""},
      {"a/b caf\xc3\xa9 \xe2\x80\x83", "\"a/b caf\xc3\xa9 \xe2\x80\x83\""},
  };
  for (const auto& c : cases) {
    std::string out;
    append_escaped(out, c.in);
    EXPECT_EQ(out, c.out);
    EXPECT_EQ(escaped_size(c.in) + 2, out.size()) << c.out;
  }
}

// Long texts are escaped in segments and the writer's text in pieces: no
// byte is lost or doubled where they meet.
TEST(JsonWriter, LongTextsAcrossSegmentsAndPieces) {
  std::string text, want = "\"";
  for (int i = 0; i < 300000; ++i) {
    const char c = "ab\"\n\x01 \\z\xc3\xa9"[i % 11];
    text.push_back(c);
    if (c == '"') want += "\\\"";
    else if (c == '\n') want += "\\n";
    else if (c == '\x01') want += "\\u0001";
    else if (c == '\0') want += "\\u0000";  // the literal's terminating NUL
    else if (c == '\\') want += "\\\\";
    else want.push_back(c);
  }
  want += "\"";
  std::string out;
  append_escaped(out, text);
  EXPECT_EQ(out, want);

  Writer w;
  w.begin_array();
  std::string expected = "[";
  for (int i = 0; i < 2000; ++i) {
    w.string(text.substr(i, 50 + i % 300));
    std::string one;
    append_escaped(one, text.substr(i, 50 + i % 300));
    expected += (i ? ",\n  " : "\n  ") + one;
  }
  w.end_array();
  EXPECT_EQ(w.take(), expected + "\n]");
}

// The pieces handed over join to the same text, and none ends inside a
// character, even where a long text is cut into segments.
TEST(JsonWriter, PiecesEndAtCharacterBoundaries) {
  for (const std::string ch : {"\xc3\xa9", "\xe6\x97\xa5", "\xf0\x9f\x98\x80"}) {
    std::vector<std::string> pieces;
    Writer a([&](std::string_view piece) { pieces.emplace_back(piece); });
    Writer b;
    for (Writer* w : {&a, &b}) {
      w->begin_array();
      for (int shift = 0; shift < 4; ++shift) {
        std::string text(static_cast<std::size_t>(shift), 'x');
        while (text.size() < 20000) text += ch;
        w->string(text);
        w->string("plain");
      }
      w->end_array();
    }
    a.flush();
    EXPECT_GT(pieces.size(), 1u);
    std::string joined;
    for (const std::string& p : pieces) {
      ASSERT_GT(p.size(), 0u);
      EXPECT_NE(static_cast<unsigned char>(p[0]) & 0xC0, 0x80);
      joined += p;
    }
    EXPECT_EQ(joined, b.take());
  }
}

TEST(JsonWriter, PrettyLayoutWithEmptyContainersInline) {
  Writer w;
  w.begin_object();
  w.key("a");
  w.begin_array();
  w.end_array();
  w.key("b");
  w.begin_object();
  w.end_object();
  w.key("c");
  w.begin_array();
  w.integer(-9223372036854775807LL - 1);
  w.begin_object();
  w.key("x");
  w.null();
  w.end_object();
  w.boolean(false);
  w.end_array();
  w.end_object();
  EXPECT_EQ(w.take(),
            "{\n"
            "  \"a\": [],\n"
            "  \"b\": {},\n"
            "  \"c\": [\n"
            "    -9223372036854775808,\n"
            "    {\n"
            "      \"x\": null\n"
            "    },\n"
            "    false\n"
            "  ]\n"
            "}");
}

// The same calls on a Measure and on a Writer: containers empty and not,
// nested past every indentation the writer copies in one block, keys and
// strings that need escapes, numbers of every width.
template <class Out>
void every_layout(Out& w) {
  w.begin_object();
  w.plain_key("empty");
  w.begin_array();
  w.end_array();
  w.key("k\"\n\x01");
  w.begin_object();
  w.end_object();
  w.key("nested");
  for (int depth = 0; depth < 70; ++depth) {
    w.begin_array();
    w.unsigned_integer(depth == 0 ? 0 : 1ull << depth % 64);
    w.string(depth % 2 ? "tab\there \xc3\xa9" : "\x1f\\");
    w.begin_object();
    w.plain_key("n");
    w.null();
    w.plain_key("s");
    w.plain_string("Open");
    w.end_object();
  }
  for (int depth = 0; depth < 70; ++depth) w.end_array();
  w.end_object();
}

TEST(JsonMeasure, CountsWhatTheWriterWrites) {
  Measure m;
  every_layout(m);
  Writer w;
  every_layout(w);
  EXPECT_EQ(m.size(), w.take().size());
}

}  // namespace
}  // namespace varn::json
