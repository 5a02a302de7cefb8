// fmt keeps the tree and is idempotent on head lines whose parts interlock:
// the cases kept in cases/ and random lines of every head kind.
#include <gtest/gtest.h>

#include <filesystem>

#include "format/tests/properties.hpp"
#include "tests/golden.hpp"
#include "tests/interlocking.hpp"

namespace varn::format::testing {
namespace {

namespace fs = std::filesystem;

constexpr std::size_t kPerKind = 1000;

TEST(FormatInterlocking, KeepsTheTreeAndIsIdempotent) {
  for (const auto& entry : fs::directory_iterator(fs::path(VARN_TEST_DATA) / "format/tests/cases")) {
    EXPECT_EQ(check_fmt_properties(varn::testing::slurp(entry.path())), "") << entry.path().filename();
  }
  for (const varn::testing::InterlockingKind& kind : varn::testing::kInterlockingKinds) {
    std::size_t failed = 0;
    std::string first;
    for (const std::string& doc : varn::testing::interlocking_documents(kind, kPerKind, 1)) {
      const std::string why = check_fmt_properties(doc);
      if (!why.empty() && ++failed <= 3) first += "\n--- input:\n" + doc + why;
    }
    EXPECT_EQ(failed, 0u) << kind.name << ": " << failed << " of " << kPerKind << " fail" << first;
  }
}

}  // namespace
}  // namespace varn::format::testing
