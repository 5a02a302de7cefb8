#include "write/head_texts.hpp"

#include <algorithm>

#include "parse/headings.hpp"
#include "parse/parser.hpp"
#include "parse/text.hpp"
#include "text/unicode.hpp"

namespace varn::write {

namespace {

// Printable ASCII but for braces (which open gates) and, unless `spaced`,
// the space: a text that the reader neither splits, trims nor cuts.
bool plain_ascii(std::string_view s, bool spaced) {
  return std::all_of(s.begin(), s.end(), [&](char c) {
    return (c > ' ' && c < 0x7f && c != '{' && c != '}') || (spaced && c == ' ');
  });
}

}  // namespace

bool keeps_whole(std::string_view line) {
  const std::string_view trimmed = text::trim(line);
  return parse::cut_trailing_comment(trimmed).size() == trimmed.size();
}

void append_gate(std::string& s, const Gate& gate) {
  s.push_back('{');
  s.append(gate.name);
  if (gate.body) {
    s.push_back(' ');
    s.append(*gate.body);
  }
  s.push_back('}');
}

void append_gates(std::string& s, const std::vector<Gate>& gates) {
  for (const Gate& gate : gates) {
    s.push_back(' ');
    append_gate(s, gate);
  }
}

bool same_atoms(const std::vector<Atom>& a, const std::vector<Atom>& b) {
  return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                    [](const Atom& x, const Atom& y) { return x.name == y.name && x.value == y.value; });
}

bool same_gates(const std::vector<Gate>& a, const std::vector<Gate>& b) {
  return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                    [](const Gate& x, const Gate& y) { return x.name == y.name && x.body == y.body; });
}

void append_atom(std::string& s, const Atom& atom) {
  s.push_back(':');
  s.append(atom.name);
  if (atom.value) {
    s.push_back(':');
    s.append(*atom.value);
  }
}

bool plain_heading(std::size_t depth, std::string_view name, const std::vector<Atom>& atoms,
                   const std::vector<Gate>& gates) {
  if (depth == 0 || name.empty() || name.front() == '#' || name.starts_with("Entity") || name.starts_with("Metric") ||
      !plain_ascii(name, true) || name.find("//") != std::string_view::npos) {
    return false;
  }
  for (std::size_t at = 0;;) {
    const std::size_t space = name.find(' ', at);
    const std::string_view word = name.substr(at, space - at);
    if (word.empty() || word.front() == ':' || parse::is_schedule_word(word)) return false;
    if (space == std::string_view::npos) break;
    at = space + 1;
  }
  const bool atoms_plain = std::all_of(atoms.begin(), atoms.end(), [](const Atom& a) {
    return plain_ascii(a.name, false) && a.name.find(':') == std::string::npos && a.name.find('/') == std::string::npos &&
           (!a.value || (plain_ascii(*a.value, false) && a.value->find('/') == std::string::npos));
  });
  // A gate's body is read trimmed, after the name's word.
  return atoms_plain && std::all_of(gates.begin(), gates.end(), [](const Gate& g) {
           return !g.name.empty() && plain_ascii(g.name, false) && g.name.find('/') == std::string::npos &&
                  (!g.body || (!g.body->empty() && plain_ascii(*g.body, true) && g.body->front() != ' ' &&
                               g.body->back() != ' ' && g.body->find("//") == std::string::npos));
         });
}

bool opens_definition(std::size_t depth, std::string_view name) {
  return depth == 2 && (name.starts_with("Entity:") || name.starts_with("Entity :") || name.starts_with("Metric:") ||
                        name.starts_with("Metric :"));
}

}  // namespace varn::write
