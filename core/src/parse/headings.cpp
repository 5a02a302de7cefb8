// Headings: a '#' line opens a group of the lines indented below it.
#include <algorithm>

#include "parse/handlers.hpp"
#include "parse/headings.hpp"
#include "parse/inline.hpp"
#include "text/unicode.hpp"

namespace varn::parse {
namespace {

// Words that carry a schedule option, each key with its colon.
constexpr std::string_view kScheduleKeys[] = {"on:", "routine:", "due:", "deadline:", "timebox:", "available:",
                                              "blackout:"};

}  // namespace

bool is_schedule_word(std::string_view word) {
  return std::any_of(std::begin(kScheduleKeys), std::end(kScheduleKeys),
                     [&](std::string_view key) { return word.starts_with(key); });
}

TitleAtoms parse_title_atoms(std::string_view title_text) {
  TitleAtoms out;
  visit_title_words(
      title_text,
      [&](std::string_view name, std::optional<std::string_view> value) {
        Atom& atom = out.atoms.emplace_back();
        atom.name = name;
        if (value) atom.value.emplace(*value);
        return true;
      },
      [&](std::string_view word) {
        if (!out.title.empty()) out.title.push_back(' ');
        out.title.append(word);
        return true;
      });
  return out;
}

Group read_heading(const Line& line) {
  std::string_view t = line.content;
  std::size_t hashes = t.find_first_not_of('#');
  if (hashes == std::string_view::npos) hashes = t.size();
  // The level is one byte: a run of 256 or more '#' stays at 255, never wraps.
  const auto level = static_cast<uint8_t>(std::min<std::size_t>(hashes, 255));
  std::string_view rest = text::trim(t.substr(hashes));

  Group group;
  group.depth = level;
  group.gates = extract_gates(rest);
  TitleAtoms title = parse_title_atoms(strip_gates(rest));
  group.name = std::move(title.title);
  group.atoms = std::move(title.atoms);
  return group;
}

std::optional<Node> parse_heading(Parser& p, std::size_t depth, const Line& line) {
  Group group = read_heading(line);
  ++p.pos;
  group.children = parse_block(p, indentation(line.raw) + 1, depth + 1);
  return group;
}

}  // namespace varn::parse
