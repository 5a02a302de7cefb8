#include "write/line_search.hpp"

#include <algorithm>
#include <array>
#include <cstdint>
#include <limits>

#include "parse/inline.hpp"
#include "parse/parser.hpp"

namespace varn::write {
namespace {

constexpr std::uint8_t kCut = 0xff;
constexpr std::uint32_t kNoGroup = std::numeric_limits<std::uint32_t>::max();
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
  std::uint32_t which;  // the gate or filler put in
};

class Searcher {
 public:
  explicit Searcher(const LineSearch& q) : q_(q) {
    for (const std::string& w : q.words) {
      word_start_.push_back(static_cast<std::uint32_t>(words_.size()));
      words_.append(w);
    }
    piece_start_.assign(words_.size() + 1, false);
    for (std::uint32_t start : word_start_) piece_start_[start] = true;
    piece_start_[words_.size()] = true;
    std::size_t braces = 1;
    for (char c : std::string(q.text) + words_) braces += c == '{';
    for (const Filler& f : q.fillers) braces += static_cast<std::size_t>(std::count(f.text.begin(), f.text.end(), '{'));
    dims_ = {q.text.size() + 1, words_.size() + 1, q.gates.size() + 1, braces + 1};
    std::size_t size = q.lead.size() + q.text.size() + words_.size() + q.tail.size();
    for (const std::string& g : q.gates) size += g.size();
    most_nodes_ = std::min<std::size_t>(std::size_t{1} << 22, kNodesPerByte * (size + 16));
  }

  std::optional<std::string> run(const std::function<bool(const std::string&)>& accept);

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
  bool at_goal(const State& a) const;
  bool word_place(std::size_t k) const { return q_.word_place && q_.word_place(k); }
  bool filler_place(std::size_t k) const { return q_.filler_place ? q_.filler_place(k) : word_place(k); }

  const LineSearch& q_;
  std::string words_;
  std::vector<std::uint32_t> word_start_;
  std::vector<bool> piece_start_;
  std::array<std::size_t, 4> dims_{};
  std::size_t most_nodes_ = 0;
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
  if (!seen_.insert(key(to))) return;
  stack_.push_back(static_cast<std::uint32_t>(nodes_.size()));
  nodes_.push_back({to, parent, step, which});
}

bool Searcher::at_goal(const State& a) const {
  return a.k == q_.text.size() && a.w == words_.size() && a.g == q_.gates.size() && walk(a, q_.tail).has_value();
}

// The moves from a node, pushed so that the preferred is taken first: the
// text's next byte, then a word piece's, a gate, a filler. So the plain
// order comes first, and a piece goes in early only where it must.
void Searcher::expand(std::uint32_t i) {
  const State a = nodes_[i].at;
  const std::string_view text = q_.text;
  const bool inside_word = !piece_start_[a.w];
  const bool text_boundary = a.k == text.size() || !continues(text[a.k]);
  if (!inside_word && a.b == 0 && text_boundary) {
    for (std::uint32_t f = 0; f < q_.fillers.size(); ++f) {
      const Filler& filler = q_.fillers[f];
      if (filler.where == Filler::Where::Words ? !filler_place(a.k)
                                               : filler.where == Filler::Where::AfterGates && a.g < q_.gates.size()) {
        continue;
      }
      if (auto to = walk(a, filler.text, gate_fits(filler.text))) reach(*to, i, Step::Filler, f);
    }
  }
  const bool gate_here = inside_word ? q_.gates_in_words && !continues(words_[a.w]) : text_boundary;
  if (a.g < q_.gates.size() && a.b == 0 && gate_here) {
    if (auto to = walk(a, q_.gates[a.g], true)) {
      ++to->g;
      reach(*to, i, Step::Gate, a.g);
    }
  }
  if (a.w < words_.size() && (inside_word || word_place(a.k))) {
    if (auto to = walk(a, std::string_view(words_).substr(a.w, 1))) {
      ++to->w;
      reach(*to, i, Step::Word, 0);
    }
  }
  if (!inside_word && a.k < text.size()) {
    if (auto to = walk(a, text.substr(a.k, 1))) {
      ++to->k;
      reach(*to, i, Step::Text, 0);
    }
  }
}

std::string Searcher::line_to(std::uint32_t i) const {
  std::vector<std::string_view> pieces;
  for (; nodes_[i].step != Step::Start; i = nodes_[i].parent) {
    const Node& n = nodes_[i];
    const State& from = nodes_[n.parent].at;
    switch (n.step) {
      case Step::Text: pieces.push_back(q_.text.substr(from.k, 1)); break;
      case Step::Word: pieces.push_back(std::string_view(words_).substr(from.w, 1)); break;
      case Step::Gate: pieces.push_back(q_.gates[n.which]); break;
      case Step::Filler: pieces.push_back(q_.fillers[n.which].text); break;
      case Step::Start: break;
    }
  }
  std::string line(q_.lead);
  for (std::size_t p = pieces.size(); p-- > 0;) line.append(pieces[p]);
  line.append(q_.tail);
  return line;
}

// A search over the states above, deepest first from the plain order, each
// state entered once: the nodes it reaches are bounded by a multiple of the
// line's size (and each costs a few steps), so that time stays linear in the
// line however its pieces interlock; past the bound it gives up.
std::optional<std::string> Searcher::run(const std::function<bool(const std::string&)>& accept) {
  if (!fits()) return std::nullopt;
  for (const std::string& gate : q_.gates) {
    if (!gate_fits(gate)) return std::nullopt;
  }
  parse::CommentScan scan;
  if (scan.feed(q_.lead) != std::string_view::npos) return std::nullopt;
  State start;
  start.s = scan_key(scan);
  reach(start, 0, Step::Start, 0);
  int offers = 0;
  while (!stack_.empty()) {
    if (nodes_.size() > most_nodes_) return std::nullopt;
    const std::uint32_t i = stack_.back();
    stack_.pop_back();
    if (!at_goal(nodes_[i].at)) {
      expand(i);
      continue;
    }
    std::string line = line_to(i);
    if (accept(line)) return line;
    if (++offers == kMostOffers) return std::nullopt;
  }
  return std::nullopt;
}

}  // namespace

std::optional<std::string> search_line(const LineSearch& search, const std::function<bool(const std::string&)>& accept) {
  return Searcher(search).run(accept);
}

}  // namespace varn::write
