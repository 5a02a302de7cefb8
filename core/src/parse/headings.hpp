#pragma once
// The title splitter, shared by headings and define statements.
#include <string>
#include <string_view>
#include <vector>

#include "varn/model.hpp"

namespace varn::parse {

struct TitleAtoms {
  std::string title;  // the title words joined by single spaces
  std::vector<Atom> atoms;
};

// Splits at whitespace: ":name[:value]" words and schedule options ("due:x",
// "on:x", ...) become atoms, every other word is part of the title.
TitleAtoms parse_title_atoms(std::string_view title_text);

// A word that carries a schedule option ("due:x", "on:x", ...).
bool is_schedule_word(std::string_view word);

}  // namespace varn::parse
