// The round-trip property over documents mixed at random (fixed seed) from
// the lines of the corpus and of the parser's cases, at random indentation:
// constructs meet in orders and nestings that no hand-written case holds.
#include <gtest/gtest.h>

#include <array>
#include <filesystem>
#include <random>

#include "render/tests/properties.hpp"
#include "tests/golden.hpp"
#include "text/unicode.hpp"

namespace varn::render::testing {
namespace {

TEST(RoundTrip, MixedLines) {
  std::vector<std::string> pool;
  for (const char* dir : {"render/tests/corpus", "parse/tests/cases"}) {
    for (const auto& entry : std::filesystem::directory_iterator(std::filesystem::path(VARN_TEST_DATA) / dir)) {
      if (entry.path().extension() != ".varn") continue;
      const std::string source = varn::testing::slurp(entry.path());
      for (std::string_view line : parse::split_lines(source)) {
        line = text::trim(line);
        // A match arm named "query" followed by its children reads back as
        // a query block: the one pattern name the syntax cannot hold.
        if (line != "query:") pool.emplace_back(line);
      }
    }
  }
  ASSERT_FALSE(pool.empty());
  std::mt19937 rng(7);
  constexpr std::array<std::size_t, 8> kIndents = {0, 0, 1, 2, 4, 4, 8, 12};
  for (int round = 0; round < 3000; ++round) {
    std::string doc;
    for (std::size_t n = 1 + rng() % 12; n > 0; --n) {
      doc.append(kIndents[rng() % kIndents.size()], ' ').append(pool[rng() % pool.size()]).push_back('\n');
    }
    const std::string failure = check_render_properties(doc);
    ASSERT_EQ(failure, "") << "source:\n" << doc;
  }
}

}  // namespace
}  // namespace varn::render::testing
