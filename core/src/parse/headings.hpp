#pragma once
// The title splitter, shared by headings and define statements.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "text/unicode.hpp"
#include "varn/model.hpp"

namespace varn::parse {

struct TitleAtoms {
  std::string title;  // the title words joined by single spaces
  std::vector<Atom> atoms;
};

// A word that carries a schedule option ("due:x", "on:x", ...).
bool is_schedule_word(std::string_view word);

// Walks the words of `title_text` in order: `atom(name, value)` for each
// ":name[:value]" word and schedule option ("due:x", "on:x", ...), with no
// value where the word has no second colon; `word(w)` for every other word.
// Stops, returning false, at the first call that returns false.
template <class AtomFn, class WordFn>
bool visit_title_words(std::string_view title_text, AtomFn&& atom, WordFn&& word) {
  std::size_t i = 0;
  while (i < title_text.size()) {
    const std::string_view rest = text::trim_start(title_text.substr(i));
    if (rest.empty()) break;
    const std::size_t len = text::word_length(rest);
    const std::string_view w = rest.substr(0, len);
    i = title_text.size() - rest.size() + len;
    const bool is_atom = w.starts_with(':');
    if (is_atom || is_schedule_word(w)) {
      const std::string_view body = is_atom ? w.substr(1) : w;
      const std::size_t colon = body.find(':');
      const std::optional<std::string_view> value =
          colon == std::string_view::npos ? std::nullopt : std::optional(body.substr(colon + 1));
      if (!atom(body.substr(0, colon), value)) return false;
    } else if (!word(w)) {
      return false;
    }
  }
  return true;
}

// Splits at whitespace: the atoms as `visit_title_words` finds them, every
// other word part of the title.
TitleAtoms parse_title_atoms(std::string_view title_text);

}  // namespace varn::parse
