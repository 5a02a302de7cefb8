// Rendering a parsed document and parsing the text again gives the same tree,
// but for the fields the renderer leaves out on purpose; and a second render
// writes the same text as the first.
#include <gtest/gtest.h>

#include <filesystem>
#include <type_traits>

#include "parse/text.hpp"
#include "tests/golden.hpp"
#include "varn/ast.hpp"
#include "varn/parse.hpp"
#include "varn/render.hpp"

namespace varn {
namespace {

void drop_left_out(Nodes& nodes);

void drop_gate_bodies(std::vector<Gate>& gates) {
  for (Gate& g : gates) g.body.reset();
}

// Clears, in place, every field that the renderer does not write.
void drop_left_out(Node& node) {
  std::visit(
      [](auto& p) {
        using P = std::decay_t<decltype(p)>;
        if constexpr (requires { p.children; }) {
          if constexpr (std::is_same_v<decltype(p.children), Nodes>) drop_left_out(p.children);
        }
        if constexpr (std::is_same_v<P, Group>) {
          p.gates.clear();
        } else if constexpr (std::is_same_v<P, Task>) {
          p.inline_.clear();
          p.closes.reset();
          p.marker.priority = MarkerPriority::None;
          drop_gate_bodies(p.gates);
          if (p.on_pass) drop_left_out(*p.on_pass);
          if (p.on_fail) drop_left_out(*p.on_fail);
          if (p.match_arms) {
            for (MatchArm& arm : *p.match_arms) drop_left_out(arm.children);
          }
        } else if constexpr (std::is_same_v<P, Prose>) {
          p.inline_.clear();
        } else if constexpr (std::is_same_v<P, Mutate>) {
          // The space that stood before the gate goes with it.
          if (p.gate) p.entity.resize(p.entity.find_last_not_of(' ') + 1);
          p.gate.reset();
        } else if constexpr (std::is_same_v<P, Flow>) {
          p.name.reset();
        } else if constexpr (std::is_same_v<P, Variable>) {
          if (auto* ref = std::get_if<Ref>(&p.value)) {
            ref->plural = false;
            ref->mod_scope.reset();
            ref->workspace_scope.reset();
          }
        } else if constexpr (std::is_same_v<P, ValidateDef> || std::is_same_v<P, CheckDef>) {
          p.meta = {};
        } else if constexpr (std::is_same_v<P, ModDef>) {
          p.versioned = false;
        } else if constexpr (std::is_same_v<P, UseBlock>) {
          p.entity.reset();
          p.from_mod.reset();
          p.from_workspace.reset();
          p.alias.reset();
        } else if constexpr (std::is_same_v<P, SyncDef>) {
          p.mode.clear();
          p.target.clear();
          p.schedule.clear();
          p.scope.clear();
        } else if constexpr (std::is_same_v<P, IssueDef> || std::is_same_v<P, ThreadComment>) {
          drop_gate_bodies(p.gates);
        }
      },
      node.value);
}

void drop_left_out(Nodes& nodes) {
  for (Node& n : nodes) drop_left_out(n);
}

std::string comparable(Document doc) {
  drop_left_out(doc.nodes);
  return serialize_document(doc);
}

std::string corpus(const std::string& name) {
  return testing::slurp(std::filesystem::path(VARN_TEST_DATA) / "render/tests/corpus" / (name + ".varn"));
}

// The lines around the first line where two texts differ, for a readable failure.
std::string first_difference(const std::string& a, const std::string& b) {
  const auto la = parse::split_lines(a);
  const auto lb = parse::split_lines(b);
  std::size_t i = 0;
  while (i < la.size() && i < lb.size() && la[i] == lb[i]) ++i;
  std::string out = "line " + std::to_string(i + 1) + ":\n";
  for (std::size_t k = i > 6 ? i - 6 : 0; k < i + 3; ++k) {
    out.append(k < la.size() ? la[k] : "<end>").append("   |   ").append(k < lb.size() ? lb[k] : "<end>").append("\n");
  }
  return out;
}

// The text without the whitespace that ends each line.
std::string without_line_ends(const std::string& text) {
  std::string out;
  for (std::string_view line : parse::split_lines(text)) {
    out.append(line.substr(0, line.find_last_not_of(' ') + 1)).push_back('\n');
  }
  return out;
}

void expect_round_trip(const std::string& source) {
  auto first = parse_source(source);
  ASSERT_TRUE(first.ok());
  const std::string rendered = render_document(first.value());
  auto second = parse_source(rendered);
  ASSERT_TRUE(second.ok()) << rendered;
  const std::string again = comparable(second.value());
  const std::string want = comparable(first.value());
  EXPECT_TRUE(again == want) << first_difference(again, want) << "\nrendered:\n" << rendered;
  // Rendering again writes the same text (up to spaces at line ends, where a
  // text that the parser keeps untrimmed may end).
  EXPECT_EQ(without_line_ends(render_document(second.value())), without_line_ends(rendered));
}

class RoundTrip : public ::testing::TestWithParam<std::string> {};

TEST_P(RoundTrip, ParsesBackToTheSameTree) { expect_round_trip(corpus(GetParam())); }

// The same constructs one level down, under a heading: every nested line of
// a construct is indented relative to its own opener.
TEST_P(RoundTrip, ParsesBackToTheSameTreeUnderAHeading) {
  if (GetParam() == "markers") GTEST_SKIP() << "spawn marks and dividers go to column 0 and end the heading's block";
  std::string nested = "# Wrapper\n";
  const std::string source = corpus(GetParam());
  for (std::string_view line : parse::split_lines(source)) {
    if (!line.empty()) nested.append("    ");
    nested.append(line).push_back('\n');
  }
  expect_round_trip(nested);
}

// Every source of the parser's own cases.
TEST(RoundTrip, ParseCases) {
  for (const auto& entry :
       std::filesystem::directory_iterator(std::filesystem::path(VARN_TEST_DATA) / "parse/tests/cases")) {
    if (entry.path().extension() != ".varn") continue;
    SCOPED_TRACE(entry.path().filename().string());
    expect_round_trip(testing::slurp(entry.path()));
  }
}

INSTANTIATE_TEST_SUITE_P(Corpus, RoundTrip,
                         ::testing::Values("blocks", "markers", "data", "statements", "definitions", "lattice"));

}  // namespace
}  // namespace varn
