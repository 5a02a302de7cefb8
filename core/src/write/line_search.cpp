#include "write/line_search.hpp"

#include <algorithm>
#include <array>
#include <cstdint>
#include <limits>
#include <utility>

#include "parse/inline.hpp"
#include "parse/parser.hpp"

namespace varn::write {
namespace {

constexpr std::uint8_t kCut = 0xff;
// Lines that satisfy the model but not `accept` before the search stops.
constexpr int kMostOffers = 8;

std::uint8_t scan_key(const parse::CommentScan& s) {
  return static_cast<std::uint8_t>(s.in_quotes | s.in_pipes << 1 | s.escaped << 2 | s.slash << 3);
}

// The comment scan's state after one byte, from each of its sixteen states
// (kCut where a comment starts), built once.
const std::array<std::array<std::uint8_t, 256>, 16>& scan_steps() {
  static const auto table = [] {
    std::array<std::array<std::uint8_t, 256>, 16> to{};
    for (unsigned s = 0; s < 16; ++s) {
      for (unsigned c = 0; c < 256; ++c) {
        parse::CommentScan scan{(s & 1) != 0, (s & 2) != 0, (s & 4) != 0, (s & 8) != 0};
        const char byte = static_cast<char>(c);
        to[s][c] = scan.feed(std::string_view(&byte, 1)) == std::string_view::npos ? scan_key(scan) : kCut;
      }
    }
    return to;
  }();
  return table;
}

// The comment scan's state after `piece`, from each of its sixteen states.
using Steps = std::array<std::uint8_t, 16>;
Steps steps_over(std::string_view piece) {
  Steps to;
  for (std::uint8_t s = 0; s < 16; ++s) {
    to[s] = s;
    for (char c : piece) {
      if (to[s] != kCut) to[s] = scan_steps()[to[s]][static_cast<unsigned char>(c)];
    }
  }
  return to;
}

// The states that `steps` leads from into `into`.
std::uint16_t before(const Steps& steps, std::uint16_t into) {
  std::uint16_t from = 0;
  for (std::uint8_t s = 0; s < 16; ++s) {
    if (steps[s] != kCut && (into >> steps[s] & 1) != 0) from |= static_cast<std::uint16_t>(1u << s);
  }
  return from;
}

bool continues(char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; }

// A set of 64-bit keys, open addressing.
class KeySet {
 public:
  // True when `key` was not in the set.
  bool insert(std::uint64_t key) {
    if (2 * (count_ + 1) > slots_.size()) grow();
    std::size_t at = slot(key);
    for (; slots_[at] != 0; at = (at + 1) & (slots_.size() - 1)) {
      if (slots_[at] == key + 1) return false;
    }
    slots_[at] = key + 1;
    ++count_;
    return true;
  }

 private:
  std::size_t slot(std::uint64_t key) const {
    return static_cast<std::size_t>((key * 0x9E3779B97F4A7C15u) >> 20) & (slots_.size() - 1);
  }
  void grow() {
    std::vector<std::uint64_t> old(std::max<std::size_t>(64, 2 * slots_.size()), 0);
    old.swap(slots_);
    count_ = 0;
    for (std::uint64_t key : old) {
      if (key != 0) insert(key - 1);
    }
  }
  std::vector<std::uint64_t> slots_;  // key + 1, 0 where empty
  std::size_t count_ = 0;
};

// Where the search stands: bytes of the text written (k), of the word pieces
// (w, into their concatenation), gates placed (g), the gate reader's state
// (b: 0 while every group so far closed, else the depth inside the first that
// has not, which must stay open to the end) and the comment scan's (s).
struct State {
  std::uint32_t k = 0, w = 0, g = 0, b = 0;
  std::uint8_t s = 0;
};

enum class Step : std::uint8_t { Start, Text, Word, Gate, Filler };

struct Node {
  State at;
  std::uint32_t parent;
  Step step;
  std::uint32_t which;  // the gate's spelling, the filler, or the word bytes put in
};

class Searcher {
 public:
  Searcher(const LineSearch& q, bool wider) : q_(q), wider_(wider) {
    for (const std::string& w : q.words) {
      word_start_.push_back(static_cast<std::uint32_t>(words_.size()));
      words_.append(w);
    }
    word_start_.push_back(static_cast<std::uint32_t>(words_.size()));  // where the last one ends
    piece_start_.assign(words_.size() + 1, false);
    for (std::uint32_t start : word_start_) piece_start_[start] = true;
    std::size_t braces = 1;
    for (char c : std::string(q.text) + words_) braces += c == '{';
    for (const Filler& f : q.fillers) braces += static_cast<std::size_t>(std::count(f.text.begin(), f.text.end(), '{'));
    dims_ = {q.text.size() + 1, words_.size() + 1, q.gates.size() + 1, braces + 1};
    std::size_t size = q.lead.size() + q.text.size() + words_.size() + q.tail.size();
    for (const auto& spellings : q.gates) size += spellings.empty() ? 0 : spellings.front().size();
    most_nodes_ = std::min<std::size_t>(std::size_t{1} << 22, kNodesPerByte * (size + 16));
  }

  std::optional<std::string> run(const std::function<bool(const std::string&)>& accept);
  // After a run that found none: whether the wider pass may find another,
  // because a line was refused or a word filler was kept out of a group.
  bool wider_may_find() const { return offered_ || filler_kept_out_; }

 private:
  // Nodes the search may reach per byte of the line: its bound, which keeps
  // a document of hard lines linear.
  static constexpr std::size_t kNodesPerByte = 48;

  std::uint64_t key(const State& a) const {
    return ((((std::uint64_t{a.k} * dims_[1] + a.w) * dims_[2] + a.g) * dims_[3] + a.b) << 4) | a.s;
  }
  bool fits() const {
    long double product = 16;
    for (std::size_t d : dims_) product *= static_cast<long double>(d);
    return product < static_cast<long double>(std::numeric_limits<std::uint64_t>::max());
  }
  // The state after `piece`, or none where the cut or a closing group stops
  // it; a whole group (`grouped`) leaves the gate reader where it was.
  std::optional<State> walk(State a, std::string_view piece, bool grouped = false) const;
  bool gate_fits(const std::string& gate) const;
  void reach(const State& to, std::uint32_t parent, Step step, std::uint32_t which);
  void expand(std::uint32_t i);
  std::string line_to(std::uint32_t i) const;
  void find_open_ends();
  std::uint16_t open_ends(std::size_t k, std::size_t g) const { return open_ends_[k * (q_.gates.size() + 1) + g]; }
  bool at_goal(const State& a) const;
  // Where the word piece that `w` stands in ends.
  std::size_t piece_end(std::size_t w) const {
    return *std::upper_bound(word_start_.begin(), word_start_.end(), w, [](std::size_t x, std::uint32_t s) { return x < s; });
  }
  bool word_place(std::size_t k) const { return q_.word_place && q_.word_place(k); }
  bool filler_place(std::size_t k) const { return q_.filler_place ? q_.filler_place(k) : word_place(k); }

  const LineSearch& q_;
  bool wider_;
  bool offered_ = false;
  bool filler_kept_out_ = false;
  std::string words_;
  std::vector<std::uint32_t> word_start_;  // and the end of the last
  std::vector<bool> piece_start_;
  std::array<std::size_t, 4> dims_{};
  std::size_t most_nodes_ = 0;
  std::vector<std::uint16_t> open_ends_;
  std::vector<Node> nodes_;
  std::vector<std::uint32_t> stack_;
  KeySet seen_;
};

std::optional<State> Searcher::walk(State a, std::string_view piece, bool grouped) const {
  const auto& steps = scan_steps();
  for (char c : piece) {
    a.s = steps[a.s][static_cast<unsigned char>(c)];
    if (a.s == kCut) return std::nullopt;
    if (!q_.follow_gates || grouped) continue;
    if (c == '{') {
      ++a.b;
    } else if (c == '}' && a.b > 0) {
      if (a.b == 1) return std::nullopt;  // a group that is no gate would close
      --a.b;
    }
  }
  return a;
}

// A gate is read whole only where its first '{' closes at its last byte.
bool Searcher::gate_fits(const std::string& gate) const {
  return !gate.empty() && gate.front() == '{' && parse::find_matching_brace(gate, 0) == gate.size() - 1;
}

void Searcher::reach(const State& to, std::uint32_t parent, Step step, std::uint32_t which) {
  // Inside a group that must stay open no gate can go, so every gate must
  // be in by then.
  if (to.b > 0 && to.g < q_.gates.size()) return;
  // Word fillers may open groups inside one that stays open, over and over:
  // as many as there are braces to close serve, and the key holds no more.
  if (to.b >= dims_[3]) return;
  if (piece_start_[to.w] && (open_ends(to.k, to.g) >> to.s & 1) == 0) return;
  stack_.push_back(static_cast<std::uint32_t>(nodes_.size()));
  nodes_.push_back({to, parent, step, which});
}

bool Searcher::at_goal(const State& a) const {
  return a.k == q_.text.size() && a.w == words_.size() && a.g == q_.gates.size() && walk(a, q_.tail).has_value();
}

// The moves from a node, pushed so that the preferred is taken first: the
// text's next byte, then a word piece's, a gate, a filler (the last listed
// first). So the plain order comes first, and a piece goes in early only
// where it must. The wider pass takes word pieces and gates before the
// text's byte, the fillers in their listed order, and word fillers also
// inside a group that stays open.
void Searcher::expand(std::uint32_t i) {
  const State a = nodes_[i].at;
  const std::string_view text = q_.text;
  const bool inside_word = !piece_start_[a.w];
  auto text_move = [&] {
    if (inside_word || a.k >= text.size()) return;
    if (auto to = walk(a, text.substr(a.k, 1))) {
      ++to->k;
      reach(*to, i, Step::Text, 0);
    }
  };
  const bool text_boundary = a.k == text.size() || !continues(text[a.k]);
  if (!inside_word && text_boundary) {
    const std::uint32_t fillers = static_cast<std::uint32_t>(q_.fillers.size());
    for (std::uint32_t n = 0; n < fillers; ++n) {
      const std::uint32_t f = wider_ ? fillers - 1 - n : n;
      const Filler& filler = q_.fillers[f];
      // Inside a group that stays open to the end nothing is read as a gate:
      // a word filler is a word there too, which the reader drops.
      if (a.b > 0 && !(wider_ && filler.where == Filler::Where::Words)) {
        filler_kept_out_ = filler_kept_out_ || filler.where == Filler::Where::Words;
        continue;
      }
      if (filler.where == Filler::Where::Words ? !filler_place(a.k)
                                               : filler.where == Filler::Where::AfterGates && a.g < q_.gates.size()) {
        continue;
      }
      if (auto to = walk(a, filler.text, gate_fits(filler.text))) reach(*to, i, Step::Filler, f);
    }
  }
  if (wider_) text_move();
  const bool gate_here = inside_word ? q_.gates_in_words && !continues(words_[a.w]) : text_boundary;
  if (a.g < q_.gates.size() && a.b == 0 && gate_here) {
    const std::vector<std::string>& spellings = q_.gates[a.g];
    for (std::uint32_t v = static_cast<std::uint32_t>(spellings.size()); v-- > 0;) {
      if (auto to = walk(a, spellings[v], true)) {
        ++to->g;
        reach(*to, i, Step::Gate, v);
      }
    }
  }
  if (a.w < words_.size() && (inside_word || word_place(a.k))) {
    // Byte by byte where a gate may go inside, else the whole piece.
    const std::size_t size = q_.gates_in_words ? 1 : piece_end(a.w) - a.w;
    if (auto to = walk(a, std::string_view(words_).substr(a.w, size))) {
      to->w += static_cast<std::uint32_t>(size);
      reach(*to, i, Step::Word, static_cast<std::uint32_t>(size));
    }
  }
  if (!wider_) text_move();
}

std::string Searcher::line_to(std::uint32_t i) const {
  std::vector<std::string_view> pieces;
  for (; nodes_[i].step != Step::Start; i = nodes_[i].parent) {
    const Node& n = nodes_[i];
    const State& from = nodes_[n.parent].at;
    switch (n.step) {
      case Step::Text: pieces.push_back(q_.text.substr(from.k, 1)); break;
      case Step::Word: pieces.push_back(std::string_view(words_).substr(from.w, n.which)); break;
      case Step::Gate: pieces.push_back(q_.gates[from.g][n.which]); break;
      case Step::Filler: pieces.push_back(q_.fillers[n.which].text); break;
      case Step::Start: break;
    }
  }
  std::string line(q_.lead);
  for (std::size_t p = pieces.size(); p-- > 0;) line.append(pieces[p]);
  line.append(q_.tail);
  return line;
}

// A cheaper model, which the search never leaves: from the k-th byte of the
// text with g gates placed, the scan states from which the rest can follow
// with no "//" left to the cut, word pieces and fillers going in wherever
// they may (as often as need be) and the braces not followed. A state
// outside it leads nowhere, so the search does not enter it; computed from
// the end back, a few steps for each byte, gate and scan state.
void Searcher::find_open_ends() {
  const std::string_view text = q_.text;
  const std::size_t gates = q_.gates.size();
  std::vector<std::vector<Steps>> gate_steps;
  for (const auto& spellings : q_.gates) {
    gate_steps.emplace_back();
    for (const std::string& spelled : spellings) gate_steps.back().push_back(steps_over(spelled));
  }
  // A gate may stand inside a word piece: then any of their bytes may come
  // between gates, as far as this model knows.
  std::vector<Steps> word_steps, filler_steps;
  if (q_.gates_in_words && gates > 0) {
    std::array<bool, 256> seen{};
    for (char c : words_) {
      if (!std::exchange(seen[static_cast<unsigned char>(c)], true)) word_steps.push_back(steps_over({&c, 1}));
    }
  } else {
    for (const std::string& w : q_.words) word_steps.push_back(steps_over(w));
  }
  for (const Filler& f : q_.fillers) filler_steps.push_back(steps_over(f.text));
  const std::uint16_t at_end = before(steps_over(q_.tail), 0xFFFF);
  open_ends_.assign((text.size() + 1) * (gates + 1), 0);
  std::vector<const Steps*> loops;
  for (std::size_t k = text.size() + 1; k-- > 0;) {
    const bool boundary = k == text.size() || !continues(text[k]);
    for (std::size_t g = gates + 1; g-- > 0;) {
      std::uint16_t ends = k == text.size() && g == gates ? at_end : 0;
      if (k < text.size()) ends |= before(steps_over(text.substr(k, 1)), open_ends(k + 1, g));
      if (g < gates && boundary) {
        for (const Steps& steps : gate_steps[g]) ends |= before(steps, open_ends(k, g + 1));
      }
      loops.clear();
      if (word_place(k)) {
        for (const Steps& steps : word_steps) loops.push_back(&steps);
      }
      for (std::size_t f = 0; f < filler_steps.size() && boundary; ++f) {
        const Filler::Where where = q_.fillers[f].where;
        if (where == Filler::Where::Words ? filler_place(k) : where == Filler::Where::Anywhere || g == gates) {
          loops.push_back(&filler_steps[f]);
        }
      }
      for (std::uint16_t grown = ends; !loops.empty(); ends = grown) {
        for (const Steps* steps : loops) grown |= before(*steps, ends);
        if (grown == ends) break;
      }
      open_ends_[k * (gates + 1) + g] = ends;
    }
  }
}

// A search over the states above, deepest first from the plain order, each
// state expanded once (the first time it is taken, so by its preferred way): the nodes it reaches are bounded by a multiple of the
// line's size (and each costs a few steps), so that time stays linear in the
// line however its pieces interlock; past the bound it gives up.
std::optional<std::string> Searcher::run(const std::function<bool(const std::string&)>& accept) {
  if (!fits()) return std::nullopt;
  for (const auto& spellings : q_.gates) {
    if (spellings.empty()) return std::nullopt;
    for (const std::string& gate : spellings) {
      if (!gate_fits(gate)) return std::nullopt;
    }
  }
  parse::CommentScan scan;
  if (scan.feed(q_.lead) != std::string_view::npos) return std::nullopt;
  find_open_ends();
  State start;
  start.s = scan_key(scan);
  reach(start, 0, Step::Start, 0);
  int offers = 0;
  while (!stack_.empty()) {
    if (nodes_.size() > most_nodes_) return std::nullopt;
    const std::uint32_t i = stack_.back();
    stack_.pop_back();
    if (!seen_.insert(key(nodes_[i].at))) continue;
    if (!at_goal(nodes_[i].at)) {
      expand(i);
      continue;
    }
    std::string line = line_to(i);
    offered_ = true;
    if (accept(line)) return line;
    if (++offers == kMostOffers) return std::nullopt;
  }
  return std::nullopt;
}

}  // namespace

std::optional<std::string> search_line(const LineSearch& search, const std::function<bool(const std::string&)>& accept) {
  // Each state is expanded once, by the first way that reaches it: a line the
  // model allows but `accept` refuses hides the others through its states.
  // Where the plain order finds none, pieces placed as early as they may go
  // reach the states by other ways (an atom before a heading's first word,
  // not after it), and a filler may also keep a brace of the text from
  // closing the group that an earlier one opened.
  Searcher plain(search, false);
  if (auto line = plain.run(accept)) return line;
  if (!plain.wider_may_find()) return std::nullopt;  // the same states, none refused
  return Searcher(search, true).run(accept);
}

}  // namespace varn::write
