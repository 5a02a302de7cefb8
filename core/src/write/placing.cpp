#include "write/placing.hpp"

#include <algorithm>
#include <array>
#include <cstdint>
#include <functional>

#include "parse/headings.hpp"
#include "parse/inline.hpp"
#include "parse/parser.hpp"
#include "parse/text.hpp"
#include "text/unicode.hpp"
#include "write/pieces.hpp"
#include "write/read_back.hpp"

namespace varn::write {

namespace {

// Whether `s` holds a '}' that no '{' of its own opens, and a '{' that none
// of its own closes: what may pair with braces around it; else whether it
// holds braces that pair among themselves (a gate, wherever no '{' around
// it is still open).
struct BraceEnds {
  bool closes = false;
  bool opens = false;
  bool paired = false;
};
BraceEnds brace_ends(std::string_view s) {
  BraceEnds ends;
  std::size_t depth = 0;
  for (char c : s) {
    if (c == '{') {
      ++depth;
    } else if (c == '}') {
      if (depth == 0) ends.closes = true;
      depth -= depth > 0 ? 1 : 0;
    }
  }
  ends.opens = depth > 0;
  ends.paired = !ends.opens && !ends.closes && s.find('{') != std::string_view::npos;
  return ends;
}
}  // namespace

namespace {

constexpr std::size_t kMostMarks = 16;  // tried before one word

std::size_t scan_key(const parse::CommentScan& s) {
  return static_cast<std::size_t>(s.in_quotes) | static_cast<std::size_t>(s.in_pipes) << 1 |
         static_cast<std::size_t>(s.escaped) << 2 | static_cast<std::size_t>(s.slash) << 3;
}

// Where `lead` and `piece` leave the scan from each of its sixteen states;
// kCut where a comment starts in them.
constexpr std::uint8_t kCut = 0xff;
std::array<std::uint8_t, 16> scan_steps(std::string_view piece, std::string_view lead = " ") {
  std::array<std::uint8_t, 16> to{};
  for (std::size_t k = 0; k < 16; ++k) {
    parse::CommentScan ahead{(k & 1) != 0, (k & 2) != 0, (k & 4) != 0, (k & 8) != 0};
    const bool cut = ahead.feed(lead) != std::string_view::npos || ahead.feed(piece) != std::string_view::npos;
    to[k] = cut ? kCut : static_cast<std::uint8_t>(scan_key(ahead));
  }
  return to;
}

// The words of `text`, split at single spaces (so empty where two meet).
std::vector<std::string_view> split_words(std::string_view text) {
  std::vector<std::string_view> words;
  for (std::size_t space; (space = text.find(' ')) != std::string_view::npos; text.remove_prefix(space + 1)) {
    words.push_back(text.substr(0, space));
  }
  words.push_back(text);
  return words;
}

std::vector<std::string> spell_atoms(const std::vector<Atom>& atoms, std::string_view lead = "") {
  std::vector<std::string> spelled(atoms.size(), std::string(lead));
  for (std::size_t n = 0; n < atoms.size(); ++n) append_atom(spelled[n], atoms[n]);
  return spelled;
}

std::vector<std::string> spell_gates(const std::vector<Gate>& gates) {
  std::vector<std::string> spelled(gates.size());
  for (std::size_t n = 0; n < gates.size(); ++n) append_gate(spelled[n], gates[n]);
  return spelled;
}

// True when `rest`, a heading line after its marks, trimmed, reads as this
// name, atoms and gates by the heading reader's steps, without building the
// parts: the gates compared by their spelling (`spelled_gates`, as
// `spell_gates` gives them), the words one by one. `scratch` holds the text
// without the gates.
bool heading_reads_as(std::string_view rest, std::string_view name, const std::vector<Atom>& atoms,
                      const std::vector<std::string>& spelled_gates, std::string& scratch) {
  scratch.clear();
  std::size_t from = 0;
  std::size_t g = 0;
  from = parse::visit_gate_spans(rest, [&](std::size_t open, std::size_t close) {
    if (g == spelled_gates.size() || rest.substr(open, close + 1 - open) != spelled_gates[g]) return false;
    ++g;
    scratch.append(rest.substr(from, open - from));
    from = close + 1;
    return true;
  });
  if (from == std::string_view::npos || g != spelled_gates.size()) return false;
  scratch.append(rest.substr(from));
  std::size_t a = 0;
  std::size_t at = 0;  // how much of the name the words matched
  const bool words_match = parse::visit_title_words(
      scratch,
      [&](std::string_view atom_name, std::optional<std::string_view> value) {
        if (a == atoms.size()) return false;
        const Atom& want = atoms[a++];
        return want.name == atom_name && (value ? want.value && *want.value == *value : !want.value);
      },
      [&](std::string_view word) {
        if (at > 0 && (at >= name.size() || name[at++] != ' ')) return false;
        if (name.substr(at, word.size()) != word) return false;
        at += word.size();
        return true;
      });
  return words_match && a == atoms.size() && at == name.size();
}

// Atoms to place among a heading's words, each after a space: those that
// hold no bar, quote, backslash, slash or brace change neither the comment
// scan nor the braces, so where they stand among the words changes nothing.
// Such atoms after the last one with marks make the tail, which goes at the
// end as it stands; the others go in one piece with the next one with marks.
// Fewer pieces leave fewer placings to try.
struct MarkedAtoms {
  std::vector<std::string> pieces;
  std::string tail;
};

MarkedAtoms spell_marked_atoms(const std::vector<Atom>& atoms) {
  MarkedAtoms out;
  std::string before;
  for (const std::string& atom : spell_atoms(atoms, " ")) {
    before.append(atom);
    if (atom.find_first_of("|\"\\/{}") != std::string::npos) {
      out.pieces.push_back(std::move(before));
      before.clear();
    }
  }
  out.tail = std::move(before);
  return out;
}


// The next marks from one count on, and for each scan state met the states
// after the first one, two, ... of them (fewer where a mark's own "//" is
// cut). The same run is tried before word after word until some of it is
// placed, so each state walks through it once: every word then costs a
// bounded amount, however long the marks.
class MarkRun {
 public:
  explicit MarkRun(const std::function<bool(std::string&, std::size_t)>& mark) : mark_(mark) {}

  const std::vector<parse::CommentScan>& after(std::size_t first, const parse::CommentScan& from) {
    if (first != first_) {
      first_ = first;
      texts_.clear();
      for (auto& states : by_state_) states.reset();
      for (std::string m; texts_.size() < kMostMarks && mark_(m, first + texts_.size()); m.clear()) texts_.push_back(m);
    }
    auto& states = by_state_[scan_key(from)];
    if (!states) {
      states.emplace();
      parse::CommentScan ahead = from;
      for (const std::string& m : texts_) {
        if (ahead.feed(" ") != std::string_view::npos || ahead.feed(m) != std::string_view::npos) break;
        states->push_back(ahead);
      }
    }
    return *states;
  }
  const std::string& text(std::size_t i) const { return texts_[i]; }

 private:
  const std::function<bool(std::string&, std::size_t)>& mark_;
  std::size_t first_ = std::string_view::npos;
  std::vector<std::string> texts_;
  std::array<std::optional<std::vector<parse::CommentScan>>, 16> by_state_;
};

}  // namespace

std::optional<std::string> with_pieces_placed(std::string_view line, std::size_t from,
                                              const std::vector<std::string>& pieces,
                                              const std::function<bool(const std::string&)>& reads_back,
                                              const std::function<bool(std::size_t, std::size_t)>& allowed,
                                              const std::function<bool(std::string_view)>& worth) {
  constexpr std::size_t kMostPieces = 16;
  // Each placing tried is read back, so a few only: more on a short line,
  // where each costs little; likewise for those passed over.
  const std::size_t most_tries = line.size() <= 64 ? 32 : 8;
  const std::size_t most_passed = std::max<std::size_t>(64, (1 << 22) / std::max<std::size_t>(line.size(), 1));
  std::size_t passed = 0;
  const std::size_t m = pieces.size();
  if (m == 0 || m > kMostPieces) return std::nullopt;
  const std::string_view text = line.substr(from);
  const std::size_t n = text.size();
  auto boundary = [&](std::size_t k, std::size_t j) {
    if (allowed) return allowed(k, j);
    return k == n || (static_cast<unsigned char>(text[k]) & 0xC0) != 0x80;
  };
  std::vector<std::array<std::uint8_t, 16>> piece_to(m);
  for (std::size_t j = 0; j < m; ++j) piece_to[j] = scan_steps(pieces[j], "");
  // clean[k][j], a bit per scan state: from the k-th byte on, with j pieces
  // placed before it, the rest of the bytes and pieces can follow without a
  // "//" left to the cut.
  std::vector<std::uint16_t> clean((n + 1) * (m + 1));
  auto at = [&](std::size_t k, std::size_t j) -> std::uint16_t& { return clean[k * (m + 1) + j]; };
  auto holds = [](std::uint16_t mask, std::uint8_t state) { return state != kCut && (mask >> state & 1) != 0; };
  // The scan's step over each byte, from each state, kept for the walk below.
  std::vector<std::array<std::uint8_t, 16>> byte_steps(n);
  for (std::size_t k = n + 1; k-- > 0;) {
    if (k < n) byte_steps[k] = scan_steps(text.substr(k, 1), "");
    for (std::size_t j = m + 1; j-- > 0;) {
      std::uint16_t mask = k == n && j == m ? 0xFFFF : 0;
      for (std::size_t s = 0; s < 16; ++s) {
        const bool by_byte = k < n && holds(at(k + 1, j), byte_steps[k][s]);
        const bool by_piece = j < m && boundary(k, j) && holds(at(k, j + 1), piece_to[j][s]);
        if (by_byte || by_piece) mask |= static_cast<std::uint16_t>(1u << s);
      }
      at(k, j) = mask;
    }
  }
  // The placings in order, each piece as early as lets the rest follow,
  // walked with the table so that no step leads nowhere: after a placing
  // that does not read back, the last piece put in goes on later instead.
  parse::CommentScan scan;
  if (scan.feed(line.substr(0, from)) != std::string_view::npos) return std::nullopt;
  struct Choice {
    std::size_t k, j, size;
    std::uint8_t state;
  };
  std::vector<Choice> choices;
  std::string placed(line.substr(0, from));
  std::uint8_t state = static_cast<std::uint8_t>(scan_key(scan));
  std::size_t k = 0;
  std::size_t j = 0;
  std::size_t tries = 0;
  bool skip_piece = false;  // back at a choice: the byte goes first this time
  auto step = [&]() { return byte_steps[k][state]; };
  for (;;) {
    if (!skip_piece && j < m && boundary(k, j) && holds(at(k, j + 1), piece_to[j][state])) {
      choices.push_back({k, j, placed.size(), state});
      placed.append(pieces[j]);
      state = piece_to[j][state];
      ++j;
      continue;
    }
    skip_piece = false;
    if (k < n) {
      const std::uint8_t next = step();
      if (holds(at(k + 1, j), next)) {
        placed.push_back(text[k]);
        state = next;
        ++k;
        continue;
      }
    } else if (j == m) {
      if (worth && !worth(placed)) {
        if (++passed == most_passed) return std::nullopt;
      } else {
        if (reads_back(placed)) return placed;
        if (++tries == most_tries) return std::nullopt;
      }
    }
    // Back to the last piece put in, to go on past that place without it.
    for (;;) {
      if (choices.empty()) return std::nullopt;
      const Choice c = choices.back();
      choices.pop_back();
      k = c.k;
      j = c.j;
      state = c.state;
      placed.resize(c.size);
      if (k < n && holds(at(k + 1, j), step())) break;
    }
    skip_piece = true;
  }
}

std::optional<std::string> with_piece_placed(std::string_view line, std::size_t from, std::string_view piece,
                                             const std::function<bool(const std::string&)>& reads_back) {
  return with_pieces_placed(line, from, {std::string(piece)}, reads_back);
}

namespace {

// A heading line (without gates) with the atoms split around the name: the
// first i before it (after `marks`), the rest after it (after `lead` when
// none goes before), for a few i from each end, on which `finish`, which may
// add the gates, says it reads back.
std::optional<std::string> heading_with_atoms_split(std::string_view marks, std::string_view lead,
                                                     std::string_view name, const std::vector<Atom>& atoms,
                                                     const std::function<bool(std::string&)>& finish) {
  constexpr std::size_t kMostEach = 4;  // splits tried from each end
  const std::size_t n = atoms.size();
  for (std::size_t i = 0; i <= n; ++i) {
    if (i > kMostEach && i + kMostEach < n) i = n - kMostEach;
    std::string line(i == 0 ? lead : marks);
    for (std::size_t a = 0; a < i; ++a) {
      line.push_back(' ');
      append_atom(line, atoms[a]);
    }
    if (i > 0) line.push_back(' ');
    line.append(name);
    for (std::size_t a = i; a < n; ++a) {
      line.push_back(' ');
      append_atom(line, atoms[a]);
    }
    if (finish(line)) return line;
  }
  return std::nullopt;
}

// A heading line of `lead` and the name with the atoms, in order, between its
// words where the comment scan leaves no "//" to the cut (a few such
// placings, earliest first); `finish` may add the gates.
std::optional<std::string> heading_with_atoms_among_words(std::string_view lead, std::string_view name,
                                                           const std::vector<Atom>& atoms,
                                                           const std::function<bool(std::string&)>& finish) {
  if (atoms.empty()) return std::nullopt;
  const MarkedAtoms marked = spell_marked_atoms(atoms);
  const std::vector<std::string>& pieces = marked.pieces;
  std::string line(lead);
  line.append(name);
  const std::size_t name_end = line.size();
  line.append(marked.tail);
  std::string finished;
  auto reads_back = [&](const std::string& placed) {
    finished = placed;
    return finish(finished);
  };
  // The space that ends the lead counts as the name's, so that an atom may
  // also go first. Between two words or after the last, so that every word
  // stays whole; first with an atom holding a '{' after the name's last '}',
  // and one holding a '}' before the name's first '{', so that they do not
  // pair; then inside the name's braces, to keep its own from pairing; then
  // anywhere.
  const std::size_t from = lead.size() - (lead.ends_with(' ') ? 1 : 0);
  const std::string_view text = std::string_view(line).substr(from);
  const std::size_t words_end = name_end - from;
  if (pieces.empty()) return reads_back(line) ? std::optional(finished) : std::nullopt;
  constexpr auto npos = std::string_view::npos;
  const std::size_t last_close = text.rfind('}');
  const std::size_t first_open = text.find('{');
  enum class Braces { Apart, Inside, Anywhere } braces = Braces::Apart;
  std::vector<BraceEnds> ends;
  // opened_before[j]: an atom before the j-th opens a brace it does not close.
  std::vector<bool> opened_before(pieces.size() + 1, false);
  for (const std::string& piece : pieces) {
    ends.push_back(brace_ends(piece));
    opened_before[ends.size()] = opened_before[ends.size() - 1] || ends.back().opens;
  }
  auto between_words = [&](std::size_t k, std::size_t j) {
    const auto [closes, opens, paired] = ends[j];
    // Braces that pair among themselves, with no '{' before them, are the
    // line's first and read as a gate, wherever the rest goes.
    if (paired && (first_open == npos || k <= first_open) && !opened_before[j]) return false;
    if (braces == Braces::Apart) {
      // Braces that pair among themselves, inside one of the name's.
      if (paired && first_open != npos && k <= first_open) return false;
      if (opens && last_close != npos && k <= last_close) return false;
      if (closes && first_open != npos && k > first_open) return false;
    } else if (braces == Braces::Inside) {
      if ((opens || paired) && (first_open == npos || k <= first_open)) return false;
      if (closes && (last_close == npos || k > last_close)) return false;
    }
    return k == words_end || (k < words_end && text[k] == ' ');
  };
  // Braces that pair make a gate of the words and atoms between them.
  const std::function<bool(std::string_view)> no_gate = [&](std::string_view placed) {
    // Stopped at the first gate, if any.
    return parse::visit_gate_spans(placed.substr(from), [](std::size_t, std::size_t) { return false; }) !=
           std::string_view::npos;
  };
  if (with_pieces_placed(line, from, pieces, reads_back, between_words, no_gate)) return finished;
  const bool braced = std::any_of(pieces.begin(), pieces.end(), [](const std::string& p) {
    return p.find_first_of("{}") != std::string::npos;
  });
  if (!braced) return std::nullopt;
  for (Braces next : {Braces::Inside, Braces::Anywhere}) {
    braces = next;
    if (with_pieces_placed(line, from, pieces, reads_back, between_words, no_gate)) return finished;
  }
  return std::nullopt;
}

// A set of 32-bit keys, open addressing, cleared in time proportional to
// what it holds.
class KeySet {
 public:
  // True when `key` was not in the set.
  bool insert(std::uint32_t key) {
    if (2 * (used_.size() + 1) > slots_.size()) grow();
    std::size_t at = slot(key);
    for (; slots_[at] != 0; at = (at + 1) & (slots_.size() - 1)) {
      if (slots_[at] == key + std::uint64_t{1}) return false;
    }
    slots_[at] = key + std::uint64_t{1};
    used_.push_back(at);
    return true;
  }
  void clear() {
    for (std::size_t at : used_) slots_[at] = 0;
    used_.clear();
  }

 private:
  std::size_t slot(std::uint32_t key) const {
    return static_cast<std::size_t>((key * std::uint64_t{0x9E3779B97F4A7C15}) >> 32) & (slots_.size() - 1);
  }
  void grow() {
    std::vector<std::uint64_t> keys;
    for (std::size_t at : used_) keys.push_back(slots_[at] - 1);
    slots_.assign(std::max<std::size_t>(64, 2 * slots_.size()), 0);
    used_.clear();
    for (std::uint64_t key : keys) insert(static_cast<std::uint32_t>(key));
  }
  std::vector<std::uint64_t> slots_;  // key + 1, 0 where empty
  std::vector<std::size_t> used_;     // the slots taken
};

// The bytes of `text` (from a heading line's lead on: the space that ends
// it, the name and the plain atoms after it) with the atoms and the gates
// put in: each atom whole, in order, where `atom_at(k)` allows it, each gate
// whole, in order, at any character boundary, also inside an atom's word (the
// reader strips the gates before it splits the words). A search over the
// bytes walked, the comment scan's state and the gate reader's: 0 where every
// brace group so far closed, else the depth inside the one that does not,
// which must stay open to the end. A gate goes only where that state is 0,
// and no other group may close, so the reader takes exactly the gates, and
// the cut nothing. Bounded by the line's size; nothing when no line is found
// within it, and then `none` set when the search ran to its end (so no such
// line exists).
std::optional<std::string> with_gates_and_atoms_searched(std::string_view head, std::string_view text,
                                                         const std::vector<std::string>& atoms,
                                                         const std::vector<std::string>& gates,
                                                         const std::function<bool(std::size_t)>& atom_at,
                                                         bool& none) {
  none = false;
  // A gate is read whole only where its first '{' closes at its last byte.
  for (const std::string& g : gates) {
    if (g.empty() || g.front() != '{' || parse::find_matching_brace(g, 0) != g.size() - 1) return std::nullopt;
  }
  const std::size_t n = text.size();
  const std::size_t J = atoms.size();
  const std::size_t G = gates.size();
  // Places within a layer: before atom j's p-th byte (p = 0: between atoms).
  std::vector<std::size_t> place_of(J + 1, 0);
  for (std::size_t j = 0; j < J; ++j) {
    if (atoms[j].empty()) return std::nullopt;
    place_of[j + 1] = place_of[j] + atoms[j].size();
  }
  const std::size_t places = place_of[J] + 1;
  // The atom whose bytes a place stands before (J: after the last).
  auto atom_of = [&](std::size_t place) {
    return static_cast<std::size_t>(std::upper_bound(place_of.begin(), place_of.end(), place) - place_of.begin()) - 1;
  };
  std::size_t depths = 1 + static_cast<std::size_t>(std::count(text.begin(), text.end(), '{'));
  for (const std::string& a : atoms) depths += static_cast<std::size_t>(std::count(a.begin(), a.end(), '{'));
  // Keys are 32-bit; the nodes reached, each a few steps, are bounded by the
  // line's size, so that a document of such headings stays linear.
  if (static_cast<std::uint64_t>(places) * (G + 1) * depths * 16 > UINT32_MAX) return std::nullopt;
  std::size_t size = text.size();
  for (const std::string& a : atoms) size += a.size();
  for (const std::string& g : gates) size += g.size();
  const std::size_t most_nodes = std::min<std::size_t>(std::size_t{1} << 22, 256 * size);

  parse::CommentScan start;
  if (start.feed(head) != std::string_view::npos) return std::nullopt;
  std::vector<std::array<std::uint8_t, 16>> byte_to(n);
  for (std::size_t k = 0; k < n; ++k) byte_to[k] = scan_steps(text.substr(k, 1), "");
  std::vector<std::array<std::uint8_t, 16>> atom_byte_to(places);
  for (std::size_t j = 0; j < J; ++j) {
    for (std::size_t p = 0; p < atoms[j].size(); ++p) {
      atom_byte_to[place_of[j] + p] = scan_steps(std::string_view(atoms[j]).substr(p, 1), "");
    }
  }
  std::vector<std::array<std::uint8_t, 16>> gate_to(G);
  for (std::size_t g = 0; g < G; ++g) gate_to[g] = scan_steps(gates[g], "");

  struct Node {
    std::uint32_t parent;  // index of the node before, or ~0 for the first
    std::uint32_t key;     // ((place * (G + 1) + gates) * depths + depth) * 16 + scan
    std::uint32_t layer;   // bytes of `text` walked
  };
  std::vector<Node> nodes;
  // The keys reached in the layer at hand and in the next.
  std::array<KeySet, 2> seen;
  auto key_of = [&](std::size_t place, std::size_t g, std::size_t b, std::size_t s) {
    return static_cast<std::uint32_t>(((place * (G + 1) + g) * depths + b) * 16 + s);
  };
  // The nodes of the layer at hand and of the next, in the order reached.
  std::array<std::vector<std::uint32_t>, 2> queue;
  auto reach = [&](std::size_t layer, std::uint32_t key, std::uint32_t parent) {
    const std::size_t side = layer % 2;
    if (!seen[side].insert(key)) return;
    queue[side].push_back(static_cast<std::uint32_t>(nodes.size()));
    nodes.push_back({parent, key, static_cast<std::uint32_t>(layer)});
  };
  // The gate reader's state after one byte, or npos where a group closes.
  auto brace = [&](std::size_t b, char c) -> std::size_t {
    if (c == '{') return b + 1;
    if (c == '}' && b > 0) return b == 1 ? std::string_view::npos : b - 1;
    return b;
  };
  auto continues = [](char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; };
  reach(0, key_of(0, 0, 0, scan_key(start)), ~std::uint32_t{0});
  std::optional<std::uint32_t> found;
  for (std::size_t k = 0; k <= n && !found; ++k) {
    // The nodes of this layer, those that steps within it add included.
    std::vector<std::uint32_t>& layer = queue[k % 2];
    for (std::size_t q = 0; q < layer.size(); ++q) {
      if (nodes.size() > most_nodes) return std::nullopt;
      const std::uint32_t i = layer[q];
      const std::uint32_t key = nodes[i].key;
      const std::size_t s = key % 16;
      const std::size_t b = key / 16 % depths;
      const std::size_t g = key / 16 / depths % (G + 1);
      const std::size_t place = key / 16 / depths / (G + 1);
      const std::size_t j = atom_of(place);
      const std::size_t p = place - place_of[j];
      if (k == n && j == J && g == G) {
        found = i;
        break;
      }
      const bool boundary = p > 0 ? !continues(atoms[j][p]) : k == n || !continues(text[k]);
      if (g < G && b == 0 && boundary && gate_to[g][s] != kCut) reach(k, key_of(place, g + 1, 0, gate_to[g][s]), i);
      if (p > 0 || (j < J && atom_at(k))) {
        const std::uint8_t to = atom_byte_to[place][s];
        const std::size_t b2 = brace(b, atoms[j][p]);
        if (to != kCut && b2 != std::string_view::npos) reach(k, key_of(place + 1, g, b2, to), i);
      }
      if (p == 0 && k < n) {
        const std::uint8_t to = byte_to[k][s];
        const std::size_t b2 = brace(b, text[k]);
        if (to != kCut && b2 != std::string_view::npos) reach(k + 1, key_of(place, g, b2, to), i);
      }
    }
    layer.clear();
    seen[k % 2].clear();
  }
  if (!found) {
    none = true;
    return std::nullopt;
  }
  // Back from the end: each step put in a byte of the text, of an atom, or
  // a gate.
  std::vector<std::string_view> pieces;
  for (std::uint32_t i = *found; nodes[i].parent != ~std::uint32_t{0}; i = nodes[i].parent) {
    const Node& to = nodes[i];
    const Node& from = nodes[to.parent];
    if (to.layer != from.layer) {
      pieces.push_back(text.substr(from.layer, 1));
      continue;
    }
    const std::size_t from_place = from.key / 16 / depths / (G + 1);
    const std::size_t to_place = to.key / 16 / depths / (G + 1);
    if (to_place != from_place) {
      const std::size_t j = atom_of(from_place);
      pieces.push_back(std::string_view(atoms[j]).substr(from_place - place_of[j], 1));
    } else {
      pieces.push_back(gates[from.key / 16 / depths % (G + 1)]);
    }
  }
  std::string line(head);
  for (std::size_t i = pieces.size(); i-- > 0;) line.append(pieces[i]);
  return line;
}

}  // namespace

std::optional<std::string> heading_with_atoms_placed(std::string_view lead, std::size_t depth, std::string_view name,
                                                      const std::vector<Atom>& atoms,
                                                      const std::function<bool(std::string&, std::size_t)>& finish) {
  const std::string_view marks = lead.substr(0, depth);
  auto finish_from = [&](std::size_t from) { return [&, from](std::string& line) { return finish(line, from); }; };
  if (auto placed = words_with_atoms_reading_back(lead, name, atoms, finish_from(lead.size()))) return placed;
  if (auto split = heading_with_atoms_split(marks, lead, name, atoms, finish_from(depth + 1))) return split;
  return heading_with_atoms_among_words(lead, name, atoms, finish_from(lead.size()));
}

std::optional<std::string> heading_with_gates_placed(std::string_view lead, std::size_t depth, std::string_view name,
                                                     const std::vector<Atom>& atoms, const std::vector<Gate>& gates,
                                                     const std::function<bool(const std::string&)>& reads_back) {
  if (gates.empty() && atoms.empty()) return std::nullopt;
  const bool both = !gates.empty() && !atoms.empty();
  if (both) {
    std::string gated(lead.substr(0, depth));
    append_gates(gated, gates);
    gated.push_back(' ');
    auto placed = heading_with_atoms_placed(gated, depth, name, atoms,
                                            [&](std::string& line, std::size_t) { return reads_back(line); });
    if (placed) return placed;
  }
  const std::vector<std::string> spelled_gates = spell_gates(gates);
  const MarkedAtoms marked = spell_marked_atoms(atoms);
  const std::vector<std::string>& spelled_atoms = marked.pieces;
  // As for the atoms alone, the space that ends the lead counts as the name's.
  std::string line(lead);
  line.append(name);
  const std::size_t from = lead.size() - (lead.ends_with(' ') ? 1 : 0);
  const std::size_t name_end = line.size() - from;
  line.append(marked.tail);
  const std::string_view text = std::string_view(line).substr(from);
  // The gates go together, before all the atoms, after them, or between two
  // of them (glued to an atom, whose bar or quote may hide their "//"), for
  // a few such places.
  constexpr std::size_t kMostBetween = 6;
  const std::size_t a = spelled_atoms.size();
  std::vector<std::size_t> gate_places = {0};
  if (a > 0) gate_places.push_back(a);
  for (std::size_t p = 1; p < a && p <= kMostBetween; ++p) gate_places.push_back(p);
  // The heading reader's own steps, cheaper than a read-back through the
  // dispatcher: most placings fail them.
  std::string scratch;
  auto gates_kept = [&](std::string_view placed) {
    return heading_reads_as(text::trim(placed.substr(depth)), name, atoms, spelled_gates, scratch);
  };
  auto atom_places = [&](std::size_t k, std::size_t) { return k == name_end || (k < name_end && text[k] == ' '); };
  // A search that follows the gate reader as well as the comment scan finds
  // a line where one exists within its bounds; the placings below are tried
  // only where it gave up.
  bool none = false;
  auto found = with_gates_and_atoms_searched(std::string_view(line).substr(0, from), text, spelled_atoms,
                                             spelled_gates, [&](std::size_t k) { return atom_places(k, 0); }, none);
  if (found && gates_kept(*found) && reads_back(*found)) return found;
  if (none || !both) return std::nullopt;
  for (std::size_t p : gate_places) {
    std::vector<std::string> pieces(spelled_atoms.begin(), spelled_atoms.begin() + static_cast<std::ptrdiff_t>(p));
    pieces.insert(pieces.end(), spelled_gates.begin(), spelled_gates.end());
    pieces.insert(pieces.end(), spelled_atoms.begin() + static_cast<std::ptrdiff_t>(p), spelled_atoms.end());
    auto allowed = [&](std::size_t k, std::size_t j) {
      const bool gate = j >= p && j < p + gates.size();
      if (gate) return k == text.size() || (static_cast<unsigned char>(text[k]) & 0xC0) != 0x80;
      return k == name_end || (k < name_end && text[k] == ' ');
    };
    if (auto both = with_pieces_placed(line, from, pieces, reads_back, allowed, gates_kept)) return both;
  }
  // Last, on a short line, the gates inside an atom's word, after a bar or
  // quote of it that hides their "//" (the reader strips the gates from the
  // word and keeps the rest of it as the atom).
  constexpr std::size_t kShortLine = 256;
  if (line.size() > kShortLine) return std::nullopt;
  std::string together;
  for (const std::string& gate : spelled_gates) together.append(gate);
  for (std::size_t p = 0; p < a && p < kMostBetween; ++p) {
    const std::string& atom = spelled_atoms[p];
    constexpr std::size_t kMostCuts = 4;
    std::size_t cuts = 0;
    for (std::size_t cut = atom.find_first_of("|\""); cut != std::string::npos && cuts++ < kMostCuts;
         cut = atom.find_first_of("|\"", cut + 1)) {
      std::vector<std::string> pieces = spelled_atoms;
      pieces[p] = atom.substr(0, cut + 1) + together + atom.substr(cut + 1);
      if (auto inside = with_pieces_placed(line, from, pieces, reads_back, atom_places, gates_kept)) return inside;
    }
  }
  return std::nullopt;
}

bool place_gates(std::string& line, std::size_t from, const std::vector<Gate>& gates,
                 const std::function<bool(const std::string&)>& reads_back) {
  if (gates.empty()) return false;
  // Together first; else each where it goes, as two gates whose bars cancel
  // out together may each hide a "//" of their own.
  const std::vector<std::string> spelled = spell_gates(gates);
  std::string together;
  for (const std::string& gate : spelled) together.append(gate);
  auto placed = with_piece_placed(line, from, together, reads_back);
  if (!placed && gates.size() > 1) placed = with_pieces_placed(line, from, spelled, reads_back);
  if (placed) line = std::move(*placed);
  return placed.has_value();
}

std::size_t append_words_with_marks(std::string& line, std::size_t start, std::string_view text,
                                    const std::function<bool(std::string&, std::size_t)>& mark,
                                    const std::function<bool(std::size_t)>& hidden) {
  constexpr auto npos = std::string_view::npos;
  const std::vector<std::string_view> words = split_words(text);
  // clean[i][k]: the words from the i-th on, each after a space, leave no
  // "//" to the cut when the scan stands in state k before them. Marks are
  // placed where what follows stays clean, where some place does.
  std::vector<std::array<bool, 16>> clean(words.size() + 1);
  clean.back().fill(true);
  for (std::size_t i = words.size(); i-- > 0;) {
    const std::array<std::uint8_t, 16> to = scan_steps(words[i]);
    for (std::size_t k = 0; k < 16; ++k) clean[i][k] = to[k] != kCut && clean[i + 1][to[k]];
  }
  std::size_t marks = 0;
  // The comment cut's own scan, carried along the line as it is written.
  parse::CommentScan scan;
  scan.feed(line);
  auto append = [&](std::string_view piece) {
    if (line.size() > start) {
      line.push_back(' ');
      scan.feed(" ");
    }
    line.append(piece);
    scan.feed(piece);
  };
  MarkRun run(mark);
  auto place = [&](std::size_t count) {
    for (std::size_t i = 0; i < count; ++i) append(std::string(run.text(i)));
    marks += count;
  };
  for (std::size_t w = 0; w < words.size(); ++w) {
    const std::string_view word = words[w];
    // A mark that must stand hidden goes, with those before it, where the
    // scan hides it and the words after stay clean.
    if (hidden) {
      const std::vector<parse::CommentScan>& states = run.after(marks, scan);
      for (std::size_t i = 0; i < states.size(); ++i) {
        if (hidden(marks + i)) {
          if (clean[w][scan_key(states[i])]) place(i + 1);
          break;
        }
      }
    }
    // The fewest marks whose bars or quotes hide the word's "//" go before
    // it, keeping the words after clean where that can be; none when no run
    // of them hides it.
    auto cut = [&](parse::CommentScan ahead) { return ahead.feed(" ") != npos || ahead.feed(word) != npos; };
    if (word.find("//") != npos && cut(scan)) {
      const std::vector<parse::CommentScan>& states = run.after(marks, scan);
      std::size_t fewest = npos;
      for (std::size_t i = 0; i < states.size(); ++i) {
        if (cut(states[i])) continue;
        if (clean[w][scan_key(states[i])]) {
          fewest = i;
          break;
        }
        if (fewest == npos) fewest = i;
      }
      if (fewest != npos) place(fewest + 1);
    }
    append(word);
  }
  return marks;
}

void append_words_with_atoms(std::string& line, std::string_view text, const std::vector<Atom>& atoms,
                             bool hide_slashed) {
  const std::vector<std::string> spelled = spell_atoms(atoms);
  // An atom holding a "//" goes where the name's bars or quotes hide it.
  std::size_t next = append_words_with_marks(
      line, line.size(), text,
      [&](std::string& s, std::size_t n) {
        if (n >= atoms.size()) return false;
        s.append(spelled[n]);
        return true;
      },
      [&](std::size_t n) { return hide_slashed && spelled[n].find("//") != std::string::npos; });
  for (; next < atoms.size(); ++next) {
    line.push_back(' ');
    line.append(spelled[next]);
  }
}

namespace {

// How the words and atoms' braces are kept from making gates in the search
// below. `Apart`: no atom holding a '{' goes before a word holding a '}', nor
// one holding a '}' after a word holding a '{'. `Free`: not at all. `Exact`:
// the reader's own rule, followed through the line: gates are read from the
// first '{' on, so that '{' must stay open to the end (no gate is read then).
enum class SearchBraces { Apart, Free, Exact };

// A piece's walk through the gate reader's state: 0 before the line's first
// '{', else the depth inside it (which must not fall to 0).
struct BraceWalk {
  std::ptrdiff_t delta = 0, lowest = 0;              // over the whole piece
  bool opens = false;                                // holds a '{'
  std::ptrdiff_t delta_after = 0, lowest_after = 0;  // after its first '{'

  explicit BraceWalk(std::string_view piece) {
    for (char c : piece) {
      if (c != '{' && c != '}') continue;
      const std::ptrdiff_t step = c == '{' ? 1 : -1;
      delta += step;
      lowest = std::min(lowest, delta);
      if (opens) {
        delta_after += step;
        lowest_after = std::min(lowest_after, delta_after);
      }
      opens = opens || c == '{';
    }
  }
  // The state after the piece, or -1 where a first '{' would close.
  std::ptrdiff_t from(std::ptrdiff_t b) const {
    if (b == 0) return !opens ? 0 : lowest_after < 0 ? -1 : 1 + delta_after;
    return b + lowest < 1 ? -1 : b + delta;
  }
};

// The words of `text` and the atoms, each in order, interleaved so that no
// "//" of either is left to the comment cut: a search over how many of each
// are placed, the scan's state and, with `SearchBraces::Exact`, the gate
// reader's. False (and nothing appended) when there is no such line or too
// many ways to try. The line ends where `after` can follow it with no "//"
// left to the cut.
bool append_words_and_atoms_searched(std::string& line, std::string_view text, const std::vector<Atom>& atoms,
                                     SearchBraces braces, std::string_view after) {
  const std::vector<std::string_view> words = split_words(text);
  const std::vector<std::string> spelled = spell_atoms(atoms);
  const std::size_t rows = words.size() + 1;
  const std::size_t cols = atoms.size() + 1;
  // The gate reader's depth is at most the count of '{'.
  std::size_t depths = 1;
  if (braces == SearchBraces::Exact) {
    depths += static_cast<std::size_t>(std::count(text.begin(), text.end(), '{'));
    for (const std::string& a : spelled) depths += static_cast<std::size_t>(std::count(a.begin(), a.end(), '{'));
  }
  const std::size_t states = 16 * depths;
  // The search costs a few steps a state: bounded by the line's own size,
  // so that a document of such headings stays linear.
  std::size_t size = text.size();
  for (const std::string& a : spelled) size += a.size();
  if (rows * cols * states > std::min<std::size_t>(std::size_t{1} << 20, 128 * size)) return false;
  std::vector<std::array<std::uint8_t, 16>> word_to(words.size()), atom_to(atoms.size());
  std::vector<BraceWalk> word_walk, atom_walk;
  for (std::size_t i = 0; i < words.size(); ++i) {
    word_to[i] = scan_steps(words[i]);
    word_walk.emplace_back(words[i]);
  }
  for (std::size_t j = 0; j < atoms.size(); ++j) {
    atom_to[j] = scan_steps(spelled[j]);
    atom_walk.emplace_back(spelled[j]);
  }
  // closes_from[i]: a word from the i-th on holds a '}' of no '{' of its
  // own; opens_before[i]: a word before the i-th holds a '{' of no '}'.
  std::vector<bool> closes_from(rows, false), opens_before(rows, false);
  for (std::size_t i = words.size(); i-- > 0;) closes_from[i] = closes_from[i + 1] || brace_ends(words[i]).closes;
  for (std::size_t i = 1; i < rows; ++i) opens_before[i] = opens_before[i - 1] || brace_ends(words[i - 1]).opens;
  // An atom whose braces pair among themselves would be read as a gate,
  // unless a '{' of the words before it is still open.
  auto atom_fits = [&](std::size_t i, std::size_t j) {
    if (braces != SearchBraces::Apart) return true;
    const BraceEnds ends = brace_ends(spelled[j]);
    if (ends.paired) return opens_before[i] || !opens_before.back();
    return !(closes_from[i] && ends.opens) && !(opens_before[i] && ends.closes);
  };
  // how[cell * states + state]: 0 unreached, else 1 + twice the state before,
  // plus 1 when the last piece was an atom. A state is the scan's plus 16
  // times the gate reader's.
  std::vector<std::uint32_t> how(rows * cols * states, 0);
  parse::CommentScan start;
  start.feed(line);
  how[static_cast<std::size_t>(scan_key(start))] = 1;
  auto step = [&](std::size_t cell, std::size_t s, std::uint8_t scan_to, const BraceWalk& walk, bool atom) {
    if (scan_to == kCut) return;
    std::ptrdiff_t b = static_cast<std::ptrdiff_t>(s / 16);
    if (braces == SearchBraces::Exact && (b = walk.from(b)) < 0) return;
    std::uint32_t& to = how[cell * states + static_cast<std::size_t>(b) * 16 + scan_to];
    if (to == 0) to = static_cast<std::uint32_t>(1 + 2 * s + (atom ? 1 : 0));
  };
  for (std::size_t i = 0; i < rows; ++i) {
    for (std::size_t j = 0; j < cols; ++j) {
      for (std::size_t s = 0; s < states; ++s) {
        if (how[(i * cols + j) * states + s] == 0) continue;
        const std::size_t k = s % 16;
        if (i < words.size()) step((i + 1) * cols + j, s, word_to[i][k], word_walk[i], false);
        if (j < atoms.size() && atom_fits(i, j)) step(i * cols + j + 1, s, atom_to[j][k], atom_walk[j], true);
      }
    }
  }
  const std::array<std::uint8_t, 16> after_to = scan_steps(after, "");
  const std::size_t last = (rows * cols - 1) * states;
  std::size_t s = 0;
  while (s < states && (how[last + s] == 0 || after_to[s % 16] == kCut)) ++s;
  if (s == states) return false;
  std::vector<std::string_view> pieces;
  for (std::size_t i = words.size(), j = atoms.size(); i + j > 0;) {
    const std::uint32_t h = how[(i * cols + j) * states + s] - 1;
    const bool atom = (h & 1) != 0;
    pieces.push_back(atom ? std::string_view(spelled[--j]) : words[--i]);
    s = h / 2;
  }
  for (std::size_t n = pieces.size(); n-- > 0;) {
    if (n + 1 < pieces.size()) line.push_back(' ');
    line.append(pieces[n]);
  }
  return true;
}

}  // namespace

std::optional<std::string> words_with_atoms_reading_back(std::string_view lead, std::string_view text,
                                                         const std::vector<Atom>& atoms,
                                                         const std::function<bool(std::string&)>& finish,
                                                         std::string_view after) {
  for (bool hide_slashed : {false, true}) {
    std::string line(lead);
    append_words_with_atoms(line, text, atoms, hide_slashed);
    if (finish(line)) return line;
  }
  for (SearchBraces braces : {SearchBraces::Apart, SearchBraces::Free, SearchBraces::Exact}) {
    std::string line(lead);
    if (append_words_and_atoms_searched(line, text, atoms, braces, after) && finish(line)) return line;
  }
  return std::nullopt;
}

void append_gates_hiding_slashes(std::string& line, const std::vector<Gate>& gates, std::string_view sep) {
  constexpr std::array<std::string_view, 5> kMarks = {"", "|", "\"", "|\"", "\"|"};
  const std::vector<std::string> spelled = spell_gates(gates);
  // The mark before each gate, into kMarks: none where the plain gates leave
  // the cut nothing, or where no marks would.
  std::vector<std::size_t> marks(gates.size(), 0);
  parse::CommentScan scan;
  const bool clean_before = scan.feed(line) == std::string_view::npos;
  parse::CommentScan plain = scan;
  const bool cut = clean_before && std::any_of(spelled.begin(), spelled.end(), [&](const std::string& g) {
    return plain.feed(sep) != std::string_view::npos || plain.feed(g) != std::string_view::npos;
  });
  if (cut) {
    // A search over the gates and the scan's state: how[i][s] is 0 where no
    // marks bring the scan to state s before the i-th gate, else 1 + the mark
    // and the state before, packed.
    std::vector<std::array<std::uint16_t, 16>> how(gates.size() + 1);
    how[0][scan_key(scan)] = 1;
    for (std::size_t i = 0; i < gates.size(); ++i) {
      for (std::size_t m = 0; m < kMarks.size(); ++m) {
        const std::array<std::uint8_t, 16> to = scan_steps(std::string(kMarks[m]) + spelled[i], sep);
        for (std::size_t s = 0; s < 16; ++s) {
          if (how[i][s] == 0 || to[s] == kCut || how[i + 1][to[s]] != 0) continue;
          how[i + 1][to[s]] = static_cast<std::uint16_t>(1 + m * 16 + s);
        }
      }
    }
    std::size_t s = 0;
    while (s < 16 && how[gates.size()][s] == 0) ++s;
    for (std::size_t i = gates.size(); s < 16 && i-- > 0;) {
      marks[i] = (how[i + 1][s] - 1u) / 16;
      s = (how[i + 1][s] - 1u) % 16;
    }
  }
  for (std::size_t i = 0; i < gates.size(); ++i) line.append(sep).append(kMarks[marks[i]]).append(spelled[i]);
}

}  // namespace varn::write
