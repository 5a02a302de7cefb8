// Headings that skip the read-back: every name, atoms and gates that
// `plain_heading` passes, written plainly, read back as themselves.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "write/head_texts.hpp"
#include "write/read_back.hpp"

namespace varn::write {
namespace {

const std::vector<std::string> kPieces = {"a", " ", ":", "#", "{", "}", "/", "\"", "|", "\t", "\xc2\xa0",
                                          "due:", "on:", "Entity", "Metric", "x"};

std::string random_text(std::mt19937& rng, std::size_t most) {
  std::string s;
  for (std::size_t n = rng() % (most + 1); n > 0; --n) s += kPieces[rng() % kPieces.size()];
  return s;
}

TEST(PlainHeading, EveryPassedHeadingReadsBack) {
  std::mt19937 rng(7);
  std::size_t passed = 0, gated = 0;
  for (int i = 0; i < 20000; ++i) {
    Group g;
    g.depth = static_cast<std::uint8_t>(rng() % 4);
    g.name = random_text(rng, 5);
    for (std::size_t n = rng() % 3; n > 0; --n) {
      Atom a{random_text(rng, 2), std::nullopt};
      if (rng() % 2) a.value = random_text(rng, 2);
      g.atoms.push_back(a);
    }
    for (std::size_t n = rng() % 3; n > 0; --n) {
      Gate gate{random_text(rng, 2), std::nullopt};
      if (rng() % 2) gate.body = random_text(rng, 3);
      g.gates.push_back(gate);
    }
    if (!plain_heading(g.depth, g.name, g.atoms, g.gates)) continue;
    ++passed;
    gated += !g.gates.empty();
    std::string line(g.depth, '#');
    line += " " + g.name;
    for (const Atom& a : g.atoms) {
      line += " ";
      append_atom(line, a);
    }
    append_gates(line, g.gates);
    EXPECT_TRUE(reads_back_as<Group>(line, [&](const Group& back) {
      return back.depth == g.depth && back.name == g.name && same_atoms(back.atoms, g.atoms) && same_gates(back.gates, g.gates);
    })) << line;
  }
  // The check must pass a fair share to mean anything.
  EXPECT_GT(passed, 300u);
  EXPECT_GT(gated, 50u);
}

}  // namespace
}  // namespace varn::write
