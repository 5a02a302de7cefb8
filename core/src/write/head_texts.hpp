#pragma once
// The texts of head lines that both writers put together (atoms and gates),
// and the checks of whether a line keeps them as written.
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "varn/model.hpp"

namespace varn::write {

// True when no "//" in the line would be read as the start of a comment.
bool keeps_whole(std::string_view line);
void append_gate(std::string& s, const Gate& gate);  // {name} or {name body}
void append_gates(std::string& s, const std::vector<Gate>& gates);  // " {..}" each
void append_atom(std::string& s, const Atom& atom);  // :name or :name:value
// Whether a heading's name, right after its marks, would open a definition
// ("## Entity:", "## Metric:") rather than a heading: a second space keeps
// it a heading's.
bool opens_definition(std::size_t depth, std::string_view name);
// True when a heading of `name`, `atoms` and `gates`, written plainly ("#",
// a space, the name, then " :atom" and " {gate body}" each) surely reads
// back as itself: printable ASCII words at single spaces, none read as an
// atom or a schedule option, no brace but the gates', no "//", no '#' first
// and no definition title. It spares nearly every heading the read-back.
bool plain_heading(std::size_t depth, std::string_view name, const std::vector<Atom>& atoms,
                   const std::vector<Gate>& gates = {});
bool same_atoms(const std::vector<Atom>& a, const std::vector<Atom>& b);
bool same_gates(const std::vector<Gate>& a, const std::vector<Gate>& b);


}  // namespace varn::write
