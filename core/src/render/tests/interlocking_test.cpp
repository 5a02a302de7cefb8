// How often render's text reads back on random head lines whose parts
// interlock (tests/interlocking.hpp), per kind and overall; and that it
// always does on random names of what the writers respell
// (tests/respelling.hpp).
#include <gtest/gtest.h>

#include <cstdio>

#include "render/tests/properties.hpp"
#include "tests/interlocking.hpp"
#include "tests/own_lines.hpp"
#include "tests/respelling.hpp"

namespace varn::render::testing {
namespace {

constexpr std::size_t kPerKind = 1000;
// The overall rate in percent that the writers keep at least.
constexpr std::size_t kFloorPercent = 99;

TEST(RenderInterlocking, ReadsBackAsOftenAsBefore) {
  std::size_t held = 0;
  std::string rates;
  auto rate = [&](std::string_view name, std::size_t n, std::size_t of) {
    char s[64];
    std::snprintf(s, sizeof s, "%.*s %.1f%%", static_cast<int>(name.size()), name.data(), 100.0 * n / of);
    rates.append(rates.empty() ? "" : ", ").append(s);
  };
  for (const varn::testing::InterlockingKind& kind : varn::testing::kInterlockingKinds) {
    std::size_t kind_held = 0;
    for (const std::string& doc : varn::testing::interlocking_documents(kind, kPerKind, 1)) {
      kind_held += check_render_properties(doc).empty();
    }
    held += kind_held;
    rate(kind.name, kind_held, kPerKind);
  }
  const std::size_t total = kPerKind * std::size(varn::testing::kInterlockingKinds);
  rate("overall", held, total);
  std::printf("render reads back: %s\n", rates.c_str());
  EXPECT_GE(held * 100, kFloorPercent * total) << rates;
}

// Names made of the marks, prefixes and white space that the writers move or
// add: each of them has a spelling, and render finds it; it is the plain
// template wherever that reads back.
TEST(RenderRespelling, ReadsBack) {
  auto check = [](std::string_view source) {
    const std::string why = check_render_properties(source);
    if (!why.empty()) return why;
    return varn::testing::check_plain_template(
        source, varn::testing::Writer::Render,
        [](const Document& doc, std::string_view) { return render_document(doc); },
        [](const Document& doc) { return comparable(doc); });
  };
  EXPECT_EQ(varn::testing::failing_kinds(varn::testing::kRespellingKinds, kPerKind, check), "");
}

// Lattice nodes, scope heads and task sections: each setting has a
// spelling, and render finds it.
TEST(RenderOwnLines, ReadsBack) {
  EXPECT_EQ(varn::testing::failing_kinds(varn::testing::kOwnLineKinds, kPerKind, check_render_properties), "");
}

}  // namespace
}  // namespace varn::render::testing
