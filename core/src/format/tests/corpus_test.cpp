// Documents holding every construct of the language: each formats to the text
// kept beside it, and formatting keeps its tree and is idempotent.
#include <gtest/gtest.h>

#include <filesystem>

#include "format/tests/properties.hpp"
#include "tests/golden.hpp"
#include "varn/operations.hpp"

namespace varn::format {
namespace {

namespace fs = std::filesystem;

std::vector<fs::path> corpus() {
  std::vector<fs::path> files;
  for (const auto& entry : fs::directory_iterator(fs::path(VARN_TEST_DATA) / "format/tests/corpus")) {
    if (entry.path().extension() == ".varn") files.push_back(entry.path());
  }
  std::sort(files.begin(), files.end());
  return files;
}

TEST(FormatCorpus, FormatsToTheKeptText) {
  const auto files = corpus();
  ASSERT_FALSE(files.empty());
  for (const fs::path& file : files) {
    SCOPED_TRACE(file.filename().string());
    auto out = ops::fmt(varn::testing::slurp(file));
    ASSERT_TRUE(out.ok()) << out.error();
    varn::testing::expect_golden(out.value(), fs::path(file).replace_extension(".fmt"));
  }
}

TEST(FormatCorpus, KeepsTheTreeAndIsIdempotent) {
  for (const fs::path& file : corpus()) {
    EXPECT_EQ(testing::check_fmt_properties(varn::testing::slurp(file)), "") << file.filename();
  }
}

// The one intended change: trailing whitespace of code lines goes, as it does
// on every other line.
TEST(FormatCorpus, CodeLinesLoseTrailingWhitespace) {
  auto out = ops::fmt("```\na  \n   \nb\n```\n");
  ASSERT_TRUE(out.ok());
  EXPECT_EQ(out.value(), "```\na\n\nb\n```\n");
  EXPECT_EQ(testing::check_fmt_properties("```\na  \n   \nb\n```\n"), "");
}

// Inputs the fuzz target found, each kept as the case it broke.
TEST(FormatProperties, DividerWithCommentAfterNestedScope) {
  EXPECT_EQ(testing::check_fmt_properties("%7Frd\n `f4rst\n  %Nested\n    inner\n  ---//--\bafter\n"), "");
}

// The payload is read from the first "payload:" of the line, here the url's.
TEST(FormatProperties, WebhookUrlEndingInPayloadKeyword) {
  EXPECT_EQ(testing::check_fmt_properties("webhook: on: |tYso.completed| url: \"/hopayload: {payload: {id\n"), "");
}

TEST(FormatProperties, CommandNameStartingWithSlashes) {
  EXPECT_EQ(testing::check_fmt_properties("commands:\n  / //deploy\n    description: Ship\n"), "");
}

TEST(FormatProperties, IssueStatusStartingWithSpace) {
  EXPECT_EQ(testing::check_fmt_properties("issue: Login\n  status: : = 1\n  priority: : high\n"), "");
}

}  // namespace
}  // namespace varn::format
