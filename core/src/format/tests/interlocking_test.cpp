// fmt keeps the tree and is idempotent on head lines whose parts interlock
// (the cases kept in cases/ and random lines of every head kind) and on
// random names of what the writers respell.
#include <gtest/gtest.h>

#include <filesystem>

#include "format/tests/properties.hpp"
#include "tests/golden.hpp"
#include "tests/interlocking.hpp"
#include "tests/own_lines.hpp"
#include "tests/respelling.hpp"

namespace varn::format::testing {
namespace {

namespace fs = std::filesystem;

constexpr std::size_t kPerKind = 1000;

TEST(FormatInterlocking, KeepsTheTreeAndIsIdempotent) {
  for (const auto& entry : fs::directory_iterator(fs::path(VARN_TEST_DATA) / "format/tests/cases")) {
    EXPECT_EQ(check_fmt_properties(varn::testing::slurp(entry.path())), "") << entry.path().filename();
  }
  EXPECT_EQ(varn::testing::failing_kinds(varn::testing::kInterlockingKinds, kPerKind, check_fmt_properties), "");
}

// Names made of the marks, prefixes and white space that the writers move or
// add: the tree kept, and the plain template wherever it reads back.
TEST(FormatRespelling, KeepsTheTreeAndIsIdempotent) {
  auto check = [](std::string_view source) {
    const std::string why = check_fmt_properties(source);
    if (!why.empty()) return why;
    return varn::testing::check_plain_template(
        source, varn::testing::Writer::Fmt,
        [](const Document& doc, std::string_view s) { return format_document(doc, s); },
        [](const Document& doc) { return serialize_document(doc); });
  };
  EXPECT_EQ(varn::testing::failing_kinds(varn::testing::kRespellingKinds, kPerKind, check), "");
}

// Lattice nodes, scope heads and task sections, whose own lines stand among
// their members' lines and whose readers take settings from those.
TEST(FormatOwnLines, KeepsTheTreeAndIsIdempotent) {
  EXPECT_EQ(varn::testing::failing_kinds(varn::testing::kOwnLineKinds, kPerKind, check_fmt_properties), "");
}

// Own lines known to read back without reading them do: read all the same,
// every document comes out the same.
TEST(FormatOwnLines, KnownToReadBackDoesReadBack) {
  auto formatted = [](std::string_view source, bool read_plain) {
    auto doc = parse_source(source);
    if (!doc) return std::string();
    DocumentFormatter f(source);
    f.out.read_plain = read_plain;
    for (const Node& node : doc.value().nodes) f.node(node);
    return f.finish();
  };
  auto check = [&](std::string_view source) {
    const std::string read = formatted(source, true);
    return formatted(source, false) == read ? std::string() : "differs from:\n" + read;
  };
  EXPECT_EQ(varn::testing::failing_kinds(varn::testing::kOwnLineKinds, kPerKind, check), "");
  EXPECT_EQ(varn::testing::failing_kinds(varn::testing::kRespellingKinds, kPerKind, check), "");
}

}  // namespace
}  // namespace varn::format::testing
