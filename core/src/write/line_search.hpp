#pragma once
// The search that places a head line's pieces (atoms, gates, marks that no
// reader keeps) among the line's own text, so that the comment cut takes
// nothing and the gate reader takes exactly the gates.
#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace varn::write {

// A piece that no reader keeps (a lone bar or quote, an atom that is dropped,
// a spare gate) but whose bars, quotes or braces change what the comment scan
// and the gate reader see after it. Any number of each may go in.
struct Filler {
  enum class Where {
    Words,       // where a word piece may go
    Anywhere,    // at any character boundary outside every brace group
    AfterGates,  // likewise, once every gate is placed
  };
  std::string text;
  Where where = Where::Anywhere;
};

struct LineSearch {
  std::string_view lead{};  // written first; the scan starts after it
  std::string_view text{};  // the line's own bytes, kept in order
  std::string_view tail{};  // written last, after every piece
  // Placed whole, in order, before the text's k-th byte where `word_place(k)`.
  std::vector<std::string> words{};
  std::function<bool(std::size_t)> word_place{};
  // Balanced brace groups, placed whole, in order, at character boundaries
  // where every group before has closed; also inside a word piece when
  // `gates_in_words` (the readers strip gates before they split words).
  // Each gate in one of its spellings, the preferred first.
  std::vector<std::vector<std::string>> gates{};
  bool gates_in_words = false;
  std::vector<Filler> fillers{};
  // Where a filler of `Where::Words` may go; `word_place` when not given.
  std::function<bool(std::size_t)> filler_place{};
  // The line's reader takes its balanced brace groups as gates, from the
  // text on: then no other group may close, and a '{' that does not close
  // ends what it takes.
  bool follow_gates = true;
};

// The first line (lead, text with the pieces put in, tail) that the model
// above allows and `accept` takes; `accept` sees a few such lines at most.
// None when no such line exists or the search reached its bound.
std::optional<std::string> search_line(const LineSearch& search, const std::function<bool(const std::string&)>& accept);

}  // namespace varn::write
