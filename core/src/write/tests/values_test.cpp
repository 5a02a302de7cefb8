#include "write/values.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace varn::write {
namespace {

std::string value_text(const FieldValue& v) {
  std::string out;
  append_field_value(out, v);
  return out;
}

TEST(Pieces, FieldValueTexts) {
  const std::pair<FieldValue, std::string_view> cases[] = {
      {fv::Str{"say \"hi\""}, "\"say \"hi\"\""},
      {fv::Str{""}, "\"\""},
      // Own quotes around this text would put its "//" outside quotes; bare,
      // it reads back as the same text.
      {fv::Str{"on \"a//b\" x"}, "on \"a//b\" x"},
      {fv::Str{"Write \\\"docs\\\" // here"}, "\"Write \\\"docs\\\" // here\""},
      {fv::Int{-5}, "-5"},
      {fv::Int{std::numeric_limits<int64_t>::min()}, "-9223372036854775808"},
      {fv::Float{1.0}, "1.0"},
      {fv::Float{2.5}, "2.5"},
      {fv::Float{-0.0}, "-0.0"},
      {fv::Float{1e20}, "100000000000000000000.0"},
      {fv::Float{1.5e-7}, "0.00000015"},
      {fv::Float{std::nan("")}, "NaN"},
      {fv::Float{std::numeric_limits<double>::infinity()}, "inf"},
      {fv::Float{-std::numeric_limits<double>::infinity()}, "-inf"},
      {fv::Bool{true}, "true"},
      {fv::Bool{false}, "false"},
      {fv::Atom{"open"}, ":open"},
      {fv::Enum{{"a", "b"}}, ":a/:b"},
      {fv::Enum{}, ""},
      {fv::Ref{"ana"}, "@ana"},
      {fv::List{}, "[]"},
      {fv::Timestamp{"2025-01-01"}, "|2025-01-01|"},
      {fv::Nil{}, "nil"},
      {fv::Trit{-1}, "~-1"},
      {fv::Trit{0}, "~0"},
  };
  for (const auto& [v, want] : cases) EXPECT_EQ(value_text(v), want);
}

TEST(Pieces, NumbersWithoutPoint) {
  std::string out;
  append_number(out, 1.0, false);
  out += ' ';
  append_number(out, 0.25, false);
  out += ' ';
  append_number(out, 120, false);
  EXPECT_EQ(out, "1 0.25 120");
}

TEST(Pieces, Field) {
  std::string out;
  append_field(out, FieldDef{"tag", true, fv::Enum{{"a", "b"}}});
  EXPECT_EQ(out, "tag(s): :a/:b");
}

TEST(Pieces, Targets) {
  const std::optional<std::string> none;
  std::string a, b, c, d;
  append_target(a, "contact", std::string("crm"), none);
  append_target(b, "User", none, std::string("team"));
  append_target(c, "task", none, none);
  append_target(d, "x", std::string("m"), std::string("w"));
  EXPECT_EQ(a, "$crm.@contact");
  EXPECT_EQ(b, "@workspace:team.@User");
  EXPECT_EQ(c, "@task");
  EXPECT_EQ(d, "$m.@x");
}

TEST(Pieces, Refs) {
  std::string a, b, c;
  append_ref(a, Ref{{"tasks", "open"}, true, std::nullopt, std::string("acme")});
  append_ref(b, Ref{{"contacts"}, false, std::string("crm"), std::nullopt});
  append_ref_path(c, {"a", "b"});
  EXPECT_EQ(a, "@workspace:acme.@tasks:open(s)");
  EXPECT_EQ(b, "$crm.@contacts");
  EXPECT_EQ(c, "@a:b");
}

TEST(Pieces, SinkIndentsAndTrims) {
  LineSink sink("    ");
  sink.line(0, "a");
  sink.line(2, "b  ");
  sink.line(1, "");
  sink.blank();
  EXPECT_TRUE(sink.last_line_blank());
  EXPECT_EQ(sink.take_trimmed(), "a\n        b");
}

TEST(Pieces, SinkKeepsLinesUntilTheEnd) {
  LineSink sink("    ");
  sink.line(0, "a");
  sink.line(2, "b  ");
  sink.line(1, "");
  sink.line(0, "c");
  EXPECT_FALSE(sink.last_line_blank());
  EXPECT_EQ(sink.take_trimmed(), "a\n        b  \n    \nc");
}

TEST(Pieces, SinkTrimmingLines) {
  LineSink sink("  ", true);
  sink.line(1, "a \t");
  sink.line(3, "   ");
  sink.line(1, "b");
  EXPECT_EQ(sink.take_trimmed(), "  a\n\n  b");
}

TEST(Pieces, BlockForm) {
  LineSink sink("    ");
  EXPECT_FALSE(needs_block_form("one line"));
  EXPECT_TRUE(needs_block_form("a\r\nb\n"));
  write_block(sink, 1, "  ", "formula", "    ", "a\r\n\nb\n");
  sink.line(0, "end");
  EXPECT_EQ(sink.take_trimmed(), "      formula: |\n        a\n        \n        b\nend");
}

}  // namespace
}  // namespace varn::write
