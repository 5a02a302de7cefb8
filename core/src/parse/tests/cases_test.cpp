// Every cases/NAME.varn is parsed and its JSON AST compared byte for byte with
// cases/NAME.json.
#include <gtest/gtest.h>

#include <filesystem>

#include "tests/golden.hpp"
#include "varn/ast.hpp"
#include "varn/parse.hpp"

namespace varn {
namespace {

namespace fs = std::filesystem;

TEST(ParseCases, EachCaseGivesItsJson) {
  const fs::path dir = fs::path(VARN_TEST_DATA) / "parse/tests/cases";
  int count = 0;
  for (const auto& entry : fs::directory_iterator(dir)) {
    if (entry.path().extension() != ".varn") continue;
    fs::path expected = entry.path();
    expected.replace_extension(".json");
    auto doc = parse_source(testing::slurp(entry.path()));
    ASSERT_TRUE(doc.ok()) << entry.path();
    testing::expect_golden(serialize_document(doc.value()), expected);
    ++count;
  }
  EXPECT_GT(count, 0);
}

}  // namespace
}  // namespace varn
