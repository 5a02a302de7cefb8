// The line search on small lines: the plain order first, pieces moved only
// where the comment cut or the gate reader needs them.
#include "write/line_search.hpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace varn::write {
namespace {

struct Row {
  const char* name;
  LineSearch search;
  std::optional<std::string> want;
};

auto between_words(std::string_view text) {
  return [text](std::size_t k) { return k == text.size() || text[k] == ' '; };
}

TEST(LineSearch, PlacesPiecesWhereTheyMust) {
  const Row rows[] = {
      {"plain order", {.lead = "# ", .text = "a b", .words = {" :x"}, .word_place = between_words("a b")}, "# a b :x"},
      {"a gate's bars hide the slashes", {.lead = "# ", .text = "a//b", .gates = {{"{|}"}}}, "# a/{|}/b"},
      {"an atom's bar, before the word", {.lead = "#", .text = " a// b", .words = {" :|"}, .word_place = between_words(" a// b")},
       "# :| a// b"},
      {"a later spelling where the first cannot", {.lead = "", .text = "a//", .gates = {{"{g}", "{g |}"}}, .follow_gates = true},
       "a/{g}/"},
      {"a brace that would pair with a gate's", {.lead = "", .text = "{a", .gates = {{"{g}"}}}, "{g}{a"},
      {"a filler that no reader keeps", {.lead = "", .text = "", .gates = {{"{//}"}}, .fillers = {{"\""}}}, "\"{//}"},
      {"no way", {.lead = "", .text = "a//b"}, std::nullopt},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(search_line(row.search, [](const std::string&) { return true; }), row.want) << row.name;
  }
}

TEST(LineSearch, OffersAnotherLineWhenOneIsRefused) {
  // Lines that end in the same state are one to the search: a second offer
  // ends in another.
  const LineSearch search{.lead = "", .text = "ab", .gates = {{"{g}", "{g |}"}}};
  int offers = 0;
  EXPECT_EQ(search_line(search, [&](const std::string&) { return ++offers == 2; }), "ab{g |}");
}

TEST(LineSearch, PiecesEarlyWhereTheLateLineIsRefused) {
  // Both lines end in the same state, so the first pass offers one only.
  const std::string_view text = " Entity //";
  const LineSearch search{.lead = "##", .text = text, .words = {" :\"", " :\""}, .word_place = between_words(text)};
  std::vector<std::string> offered;
  auto accept = [&](const std::string& line) {
    offered.push_back(line);
    return !line.starts_with("## Entity :");
  };
  EXPECT_EQ(search_line(search, accept), "## :\" Entity // :\"");
  EXPECT_EQ(offered.front(), "## Entity :\" // :\"");
}

}  // namespace
}  // namespace varn::write
