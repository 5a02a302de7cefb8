// Sync diagnostics, the lowering pass's class check, and deep nesting of the
// constructs that read their own child lines (issues, comments, scopes).
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "parse/text.hpp"
#include "varn/ast.hpp"
#include "varn/parse.hpp"

namespace varn {
namespace {

std::string error_of(std::string_view source) {
  auto doc = parse_source(source);
  return doc.ok() ? "no error" : display(doc.error());
}

TEST(SyncDiagnostics, FirstDiagnosticWins) {
  const struct {
    std::string source;
    std::string error;
  } cases[] = {
      {"sync:", "parse_error: sync: declaration on line 1 has no name"},
      {"a\nb\nsync:\n  class: ops", "parse_error: sync: declaration on line 3 has no name"},
      {"sync:   // later", "parse_error: sync: declaration on line 1 has no name"},
      {"x\nsync:\n\n\n\n\n\n\nsync: \nsync:sync:", "parse_error: sync: declaration on line 2 has no name"},
      // The walk's diagnostic comes first: the lowering pass does not run.
      {"# Sync\n  ## s\n    class: weekly\nsync:", "parse_error: sync: declaration on line 4 has no name"},
      {"# Sync\n  ## orders\n    class: weekly",
       "parse_error: Invalid sync class 'weekly' in sync declaration 'orders'; expected canon, ops, or data"},
      // Sub-groups in order; the first invalid one stops the pass.
      {"### Sync\n  #### a\n    class: x\n  #### b\n    class: y",
       "parse_error: Invalid sync class 'x' in sync declaration 'a'; expected canon, ops, or data"},
      // A later class line replaces an earlier one in the heading form.
      {"# Sync\n  ## orders\n    class: ops\n    class: Ops",
       "parse_error: Invalid sync class 'Ops' in sync declaration 'orders'; expected canon, ops, or data"},
      // Children before parents: the inner Sync group fails first.
      {"# Sync\n  ## outer\n    class: bad1\n    ### Sync\n      #### inner\n        class: bad2",
       "parse_error: Invalid sync class 'bad2' in sync declaration 'inner'; expected canon, ops, or data"},
      {"# Sync\n  ## a\n    class: canon\n  ## b\n    class: data\n  ## c\n    class: ops\n  ## d", "no error"},
      // The line form does not check the class.
      {"sync: orders\n  class: weekly", "no error"},
  };
  for (const auto& c : cases) EXPECT_EQ(error_of(c.source), c.error) << c.source;
}

TEST(SyncDiagnostics, RecordCarriesCodeLineAndDetail) {
  auto missing = parse_source("\n\nsync:");
  ASSERT_FALSE(missing.ok());
  EXPECT_EQ(missing.error().code, "E_SYNC_MISSING_NAME");
  EXPECT_EQ(missing.error().line, 3u);
  EXPECT_FALSE(missing.error().detail.has_value());

  auto invalid = parse_source("# Sync\n  ## orders\n    class: weekly");
  ASSERT_FALSE(invalid.ok());
  EXPECT_EQ(invalid.error().code, "E_SYNC_INVALID_CLASS");
  EXPECT_EQ(invalid.error().line, 0u);
  EXPECT_EQ(invalid.error().detail, "orders");
}

TEST(SyncDiagnostics, UnnamedDeclarationLeavesItsBodyToTheEnclosingBlock) {
  // After the diagnostic a second unnamed declaration is read with an empty
  // name; neither changes the reported line.
  EXPECT_EQ(error_of("sync:\n  class: ops\nsync:\n  mode: full"), "parse_error: sync: declaration on line 1 has no name");
}

// `n` lines, each one column deeper than the one before.
std::string staircase(std::string_view line, int n) {
  std::string s;
  for (int i = 0; i < n; ++i) {
    s.append(i, ' ');
    s.append(line);
    s.push_back('\n');
  }
  return s;
}

std::size_t count(const std::string& haystack, std::string_view needle) {
  std::size_t n = 0;
  for (std::size_t at = haystack.find(needle); at != std::string::npos; at = haystack.find(needle, at + 1)) ++n;
  return n;
}

TEST(DeepNesting, TenThousandLevelsParseWithoutLosingALine) {
  const struct {
    std::string line;
    std::string kind;
  } cases[] = {
      {"%scope", "\"kind\": \"ProjectScope\""},
      {"issue: i", "\"kind\": \"Issue\""},
      {"comment: c", "\"kind\": \"ThreadComment\""},
  };
  for (const auto& c : cases) {
    auto doc = parse_source(staircase(c.line, 10000));
    ASSERT_TRUE(doc.ok()) << c.line;
    EXPECT_EQ(count(serialize_document(doc.value()), c.kind), 10000u) << c.line;
  }
}

// The chain of first children from the top, as far as it goes.
std::size_t nesting_depth(const Nodes& nodes) {
  std::size_t depth = 0;
  const Nodes* level = &nodes;
  while (!level->empty()) {
    const Nodes* next = level->front().visit([](const auto& x) -> const Nodes* {
      if constexpr (requires { x.children; }) {
        return &x.children;
      } else {
        return nullptr;
      }
    });
    if (!next) break;
    level = next;
    ++depth;
  }
  return depth;
}

TEST(DeepNesting, PastTheLimitLinesFlattenIntoTheDeepestBlock) {
  for (std::string_view line : {"%scope", "issue: i", "comment: c"}) {
    auto doc = parse_source(staircase(line, 200));
    ASSERT_TRUE(doc.ok()) << line;
    // 128 nested nodes; the node at depth 127 has an empty child list.
    EXPECT_EQ(nesting_depth(doc.value().nodes), 128u) << line;
  }
}

TEST(DeepNesting, AttributesAfterAFlattenedChildOpenerStayWithTheirOwner) {
  // At the limit the "comment:" line ends the block; the lines after
  // it are the comment's own, not dropped.
  std::string source = staircase("issue: i", 128);
  source += std::string(128, ' ') + "comment: last\n" + std::string(129, ' ') + "author: ana\n";
  auto doc = parse_source(source);
  ASSERT_TRUE(doc.ok());
  const std::string json = serialize_document(doc.value());
  EXPECT_EQ(count(json, "\"author\": \"ana\""), 1u);
}

TEST(TextUtilities, DecimalFloatingPointNumbers) {
  const struct {
    std::string text;
    std::optional<double> value;
  } cases[] = {
      {"2.5", 2.5},       {"1e3", 1000.0},  {"+1.", 1.0},       {"-.5", -0.5},        {"1E-2", 0.01},
      {"007", 7.0},       {"1e400", HUGE_VAL}, {"-1e400", -HUGE_VAL}, {"1e-400", 0.0}, {"0.0000e99999999999", 0.0},
      {"inf", HUGE_VAL},  {"-Infinity", -HUGE_VAL}, {"", std::nullopt}, {".", std::nullopt}, {"e5", std::nullopt},
      {"1e", std::nullopt}, {"1e+", std::nullopt}, {"two", std::nullopt}, {"1 ", std::nullopt}, {"0x10", std::nullopt},
      {"nan(1)", std::nullopt}, {"infinit", std::nullopt}, {"+-1", std::nullopt}, {"1_0", std::nullopt},
  };
  for (const auto& c : cases) EXPECT_EQ(parse::parse_f64(c.text), c.value) << c.text;
  const auto nan = parse::parse_f64("NaN");
  ASSERT_TRUE(nan.has_value());
  EXPECT_TRUE(std::isnan(*nan));
}

}  // namespace
}  // namespace varn
