#include "parse/text.hpp"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace varn::parse {
namespace {

using Views = std::vector<std::string_view>;

TEST(SplitLines, Table) {
  struct Case {
    std::string_view in;
    Views want;
  };
  const Case cases[] = {
      {"", {}},
      {"\n", {""}},
      {"\n\n", {"", ""}},
      {"a\r\nb\n", {"a", "b"}},
      {"a\rb", {"a\rb"}},
      {"a\r", {"a\r"}},
      {"a\r\r\nb", {"a\r", "b"}},
      {"\r\n", {""}},
      {"one\ntwo\nthree\nfour\nfive", {"one", "two", "three", "four", "five"}},
      {"é\n\xff", {"é", "\xff"}},
  };
  for (const Case& c : cases) EXPECT_EQ(split_lines(c.in), c.want) << testing::PrintToString(c.in);
}

TEST(SplitLines, BorrowsFromTheText) {
  const std::string text = "ab\ncd";
  const Views lines = split_lines(text);
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[1].data(), text.data() + 3);
}

TEST(SplitKeyValue, Table) {
  using KV = std::optional<std::pair<std::string, std::string>>;
  struct Case {
    std::string_view in;
    KV want;
  };
  const Case cases[] = {
      {"a: b: c", std::pair{"a", "b: c"}},
      {"abc", std::nullopt},
      {":", std::pair{"", ""}},
      {"  key  :  value  ", std::pair{"key", "value"}},
      {"\u3000ключ\u3000:\u00a0знач\u3000", std::pair{"ключ", "знач"}},
  };
  for (const Case& c : cases) EXPECT_EQ(split_key_value(c.in), c.want) << testing::PrintToString(c.in);
}

TEST(CollectKeyValueLines, KeepsOnlyLinesWithAColonInOrder) {
  const Pairs want = {{"a", "1"}, {"a", "2"}, {"", "x"}};
  EXPECT_EQ(collect_key_value_lines({"a: 1", "skip", "a:2", ":x"}), want);
}

TEST(IsCheckboxLine, Table) {
  const std::pair<std::string_view, bool> cases[] = {
      {"[ ] a", true},  {"-[x] a", true}, {"+--[ ] a", true}, {"[]", true},   {"++[x]", true},
      {"- [ ] a", false}, {"[ a", false},  {"[", false},       {"", false},    {"-+[ ]", false},
      {"]", false},     {"+", false},
  };
  for (const auto& [in, want] : cases) EXPECT_EQ(is_checkbox_line(in), want) << testing::PrintToString(in);
}

TEST(HasNonIdentifierChar, Table) {
  const std::pair<std::string_view, bool> cases[] = {
      {"", false},       {"snake_case_1", false}, {"café", false}, {"日本語", false}, {"Ⅻ", false},
      {"a-b", true},     {"a b", true},           {"a\u3000b", true}, {"\xff", true},  {"é\xc3", true},
  };
  for (const auto& [in, want] : cases) EXPECT_EQ(has_non_identifier_char(in), want) << testing::PrintToString(in);
}

TEST(HasNonDigit, Table) {
  const std::pair<std::string_view, bool> cases[] = {
      {"", false}, {"0123456789", false}, {"12a", true}, {"+1", true}, {"١", true}, {" 1", true},
  };
  for (const auto& [in, want] : cases) EXPECT_EQ(has_non_digit(in), want) << testing::PrintToString(in);
}

TEST(ParseU32, Table) {
  const std::pair<std::string_view, std::optional<uint32_t>> cases[] = {
      {"7", 7u},
      {"+7", 7u},
      {"007", 7u},
      {"0", 0u},
      {"4294967295", 4294967295u},
      {"-7", std::nullopt},
      {"7a", std::nullopt},
      {"4294967296", std::nullopt},
      {"99999999999999999999999", std::nullopt},
      {"", std::nullopt},
      {"+", std::nullopt},
      {"++7", std::nullopt},
      {" 7", std::nullopt},
      {"-0", std::nullopt},
  };
  for (const auto& [in, want] : cases) EXPECT_EQ(parse_u32(in), want) << testing::PrintToString(in);
}

TEST(StripPrefixAll, Table) {
  struct Case {
    std::string_view in, prefix, want;
  };
  const Case cases[] = {
      {"//// note", "//", " note"}, {"/// x", "//", "/ x"}, {"abc", "", "abc"}, {"////", "//", ""}, {"x//", "//", "x//"},
  };
  for (const Case& c : cases) EXPECT_EQ(strip_prefix_all(c.in, c.prefix), c.want) << testing::PrintToString(c.in);
}

TEST(CollectFamily, Table) {
  struct Case {
    Strings (*fn)(std::string_view, std::string_view);
    const char* fn_name;
    std::string_view in, sep;
    Strings want;
  };
  const Case cases[] = {
      {collect_trimmed_strings, "trimmed_strings", "a, , b,", ",", {"a", "b"}},
      {collect_trimmed_strings, "trimmed_strings", "", ",", {}},
      {collect_trimmed_strings, "trimmed_strings", "a -> b->c", "->", {"a", "b", "c"}},
      {collect_trimmed_pieces, "trimmed_pieces", "a, , b,", ",", {"a", "", "b", ""}},
      {collect_trimmed_pieces, "trimmed_pieces", "", ",", {""}},
      {collect_unquoted_pieces, "unquoted_pieces", " \"x\" / y", "/", {"x", "y"}},
      {collect_unquoted_pieces, "unquoted_pieces", "\"\"a\"\"|\"\"\"|", "|", {"a", "", ""}},
      {collect_atom_names, "atom_names", " ::a, b ,, :", ",", {"a", "b", "", ""}},
      {collect_labels, "labels", ":a, :b, ,", ",", {"a", "b"}},
      {collect_labels, "labels", "::, x", ",", {"x"}},
      // A multi-byte separator matches whole characters only.
      {collect_trimmed_pieces, "trimmed_pieces", "a→b → c", "→", {"a", "b", "c"}},
      {collect_trimmed_pieces, "trimmed_pieces", "名,字", "、", {"名,字"}},
      {collect_trimmed_pieces, "trimmed_pieces", "a・b", "・", {"a", "b"}},
      // A stray byte as separator never matches inside a valid character:
      // "é" is C3 A9, so the lone A9 only splits where it stands alone.
      {collect_trimmed_pieces, "trimmed_pieces", "é\xa9x", "\xa9", {"é", "x"}},
      {collect_trimmed_pieces, "trimmed_pieces", "a,b", "", {"a,b"}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(c.fn(c.in, c.sep), c.want) << c.fn_name << " " << testing::PrintToString(c.in);
  }
}

TEST(CollectStrPieces, BorrowedAndKeptEmpty) {
  const std::string text = "a -> -> b";
  const Views pieces = collect_str_pieces(text, "->");
  EXPECT_EQ(pieces, (Views{"a ", " ", " b"}));
  EXPECT_EQ(pieces[2].data(), text.data() + 7);
  EXPECT_EQ(collect_str_pieces("", "->"), (Views{""}));
}

TEST(CollectFirstTwo, Table) {
  const std::pair<std::string_view, Views> cases[] = {
      {"a:b:c", {"a", "b:c"}}, {"abc", {"abc"}}, {"", {""}}, {":", {"", ""}}, {"x:", {"x", ""}},
  };
  for (const auto& [in, want] : cases) EXPECT_EQ(collect_first_two(in), want) << testing::PrintToString(in);
}

TEST(Mappings, FormatQuoteAndNames) {
  EXPECT_EQ(format_atom_names({"a", ""}), (Strings{":a", ":"}));
  EXPECT_EQ(quote_each_string({"x", ""}), (Strings{"\"x\"", "\"\""}));
  EXPECT_EQ(collect_record_names(std::vector<Atom>{{"a", "1"}, {"b", std::nullopt}}), (Strings{"a", "b"}));
  EXPECT_EQ(collect_record_names(std::vector<Gate>{{"g", std::nullopt}}), (Strings{"g"}));
  std::vector<FlowEdge> edges{{{"a", "b"}, {"c"}, std::nullopt, false, std::nullopt, std::nullopt, std::nullopt}};
  EXPECT_EQ(collect_flow_edge_endpoints(edges), (std::vector<std::pair<Strings, Strings>>{{{"a", "b"}, {"c"}}}));
  std::vector<PolicyRule> rules{{"src/", {{"review", std::nullopt}, {"ci", "x"}}}, {"docs/", {}}};
  EXPECT_EQ(collect_policy_rules(rules),
            (std::vector<std::pair<std::string, Strings>>{{"src/", {"review", "ci"}}, {"docs/", {}}}));
}

}  // namespace
}  // namespace varn::parse
