#include "write/edges.hpp"

#include <algorithm>
#include <array>
#include <limits>
#include <optional>
#include <string_view>

#include "write/sink.hpp"
#include "parse/handlers.hpp"
#include "parse/parser.hpp"
#include "parse/text.hpp"
#include "text/unicode.hpp"

namespace varn::write {

bool same_edge(const FlowEdge& a, const FlowEdge& b) {
  return a.from == b.from && a.to == b.to && a.label == b.label && a.parallel == b.parallel && a.gate == b.gate &&
         a.wait == b.wait && a.timeout == b.timeout;
}

namespace {

constexpr std::size_t npos = std::string_view::npos;

// The comment scan's state between two pieces of a line, as one of sixteen
// numbers: one bit for each of its flags.
using State = std::size_t;
constexpr std::size_t kStates = 16;

State pack(const parse::CommentScan& scan) {
  return State{scan.in_quotes} | State{scan.in_pipes} << 1 | State{scan.escaped} << 2 | State{scan.slash} << 3;
}

// The state after `text` when the line before it left `from`; none when a
// comment would start in it.
std::optional<State> after(State from, std::string_view text) {
  parse::CommentScan scan{(from & 1) != 0, (from & 2) != 0, (from & 4) != 0, (from & 8) != 0};
  if (scan.feed(text) != npos) return std::nullopt;
  return pack(scan);
}

// Edges with the same sources, segment and parallel mark: the part of an
// edge that the text before its arrow gives.
bool same_left(const FlowEdge& a, const FlowEdge& b) {
  return a.from == b.from && a.label == b.label && a.parallel == b.parallel && a.gate == b.gate && a.wait == b.wait &&
         a.timeout == b.timeout;
}

// The texts between the names that a segment holds: a segment read from a
// chained line may run over several targets of the edge before, and keeps
// the commas and spaces between them as they stand, also those before its
// first name and after its last (where it starts at the end of a name, or
// ends at the start of one).
std::vector<std::string_view> separators(std::string_view segment) {
  std::vector<std::string_view> out;
  std::size_t from = 0;  // where the text after the last name seen starts
  bool named = false;
  std::size_t start = 0;
  for (std::string_view piece : parse::collect_str_pieces(segment, ",")) {
    const std::string_view name = text::trim(piece);
    if (!name.empty()) {
      const std::size_t at = start + static_cast<std::size_t>(name.data() - piece.data());
      // Before the first name only a comma makes a separator: spaces alone
      // are inside the name the segment starts in.
      if (named || segment.substr(0, at).find(',') != npos) out.push_back(segment.substr(from, at - from));
      named = true;
      from = at + name.size();
    }
    start += piece.size() + 1;
  }
  if (segment.substr(from).find(',') != npos) out.push_back(segment.substr(from));
  return out;
}

// On a chained line the targets of one edge are the text before the next
// arrow, so they are also the next edge's sources and segment. That text,
// when one reads as the left of `edge`; a comma after it keeps a trailing '+'
// or '-' in the last name. The names in it may stand apart otherwise than in
// the targets as first written, but it holds the same quotes and bars.
struct Chained {
  std::string text;
  std::size_t tail;  // where what follows the names starts
};

std::optional<Chained> chain_piece(const FlowEdge& before, const FlowEdge& edge) {
  const Strings& names = before.to;
  // A segment may also hold the separators of the names it spans, bare
  // commas among them, beyond what its value shows: the names joined by bare
  // commas are tried too.
  std::vector<std::string> pieces(2);
  append_joined(pieces.front(), names, ", ");
  append_joined(pieces.back(), names, ",");
  // A segment over several names ends in the last name that holds a "--"
  // (closed by it) or starts there and runs to the end of the text, maybe
  // past the last name: the names it spans are joined as in it.
  const std::optional<std::string>& segment = edge.label  ? edge.label
                                              : edge.gate ? edge.gate
                                              : edge.wait ? edge.wait
                                                          : edge.timeout;
  const std::vector<std::string_view> seps = segment ? separators(*segment) : std::vector<std::string_view>();
  // The segment opens with a "--" in the name it starts in; where a bar or
  // quote ends its value before its closing "--", that name is not the one
  // the value's separators are counted back from. A few of the names holding
  // a "--" are tried as either.
  constexpr std::size_t kMostOpenings = 8;
  std::vector<std::size_t> firsts;
  for (std::size_t k = names.size(); k-- > 0 && firsts.size() < kMostOpenings;) {
    if (names[k].find("--") == std::string::npos) continue;
    if (firsts.empty()) firsts.push_back(k - std::min(k, seps.size()));
    firsts.push_back(k);
  }
  // A value that ends between bars may span the separators of later names
  // than its opening one: a few more first names, from the start.
  for (std::size_t k = 0; k + seps.size() <= names.size() && k < kMostOpenings; ++k) firsts.push_back(k);
  if (!seps.empty()) {
    // The separator before name k (k from 1), or after the last (k = size).
    for (std::size_t first : firsts) {
      if (first + seps.size() > names.size()) continue;
      auto spans = [&](std::size_t k) { return k > first && k <= first + seps.size(); };
      std::string& piece = pieces.emplace_back();
      for (std::size_t k = 0; k < names.size(); ++k) {
        if (k > 0) piece.append(spans(k) ? seps[k - first - 1] : ", ");
        piece.append(names[k]);
      }
      if (spans(names.size())) piece.append(seps.back());
    }
  }
  // A comma before the names, which they drop, lets a segment open in the
  // first name of an edge without sources: a "--" that starts the line opens
  // none.
  for (std::string_view lead : {std::string_view(), std::string_view(", ")}) {
    for (const std::string& piece : pieces) {
      for (std::string_view tail : {std::string_view(), std::string_view(",")}) {
        std::string text = std::string(lead) + piece + std::string(tail);
        const std::vector<FlowEdge> back = parse::parse_flow_edge(text + " --> x");
        if (!back.empty() && same_left(back.front(), edge) && parse::collect_trimmed_strings(text, ",") == names) {
          return Chained{std::move(text), lead.size() + piece.size()};
        }
      }
    }
  }
  return std::nullopt;
}

// Edges with no sources, segment or parallel mark may follow a leading edge
// that is dropped for having neither sources nor targets, yet whose label
// sets the quotes and bars their line starts with.
constexpr std::string_view kCarriers[] = {",--\"-->", ",--|-->", ",--|\"-->"};

std::vector<std::string> carried(const FlowEdge& edge, const std::string& alone) {
  std::vector<std::string> out;
  if (!edge.from.empty() || edge.parallel || edge.label || edge.gate || edge.wait || edge.timeout) return out;
  for (std::string_view carrier : kCarriers) {
    std::string line(carrier);
    if (!alone.starts_with(' ')) line.push_back(' ');
    line.append(alone);
    const std::vector<FlowEdge> back = parse::parse_flow_edge(line);
    if (back.size() == 1 && same_edge(back.front(), edge)) out.push_back(std::move(line));
  }
  return out;
}

// What may stand between the "--" that closes a segment and the arrow is
// read as nothing, and sets the quotes and bars that the targets and the
// edges chained after them are read in.
constexpr std::string_view kAfterSegment[] = {"\"", "|", "|\"", "\"|"};

std::vector<std::string> with_marks_after_segment(const FlowEdge& edge, const std::string& alone) {
  std::vector<std::string> out;
  const std::size_t arrow = alone.find("-->");
  if (arrow == npos) return out;
  const std::string_view left = std::string_view(alone).substr(0, arrow);
  std::size_t at = arrow;
  if (left.ends_with("--+")) {
    --at;
  } else if (!left.ends_with("--")) {
    return out;
  }
  for (std::string_view marks : kAfterSegment) {
    std::string line = alone;
    line.insert(at, marks);
    const std::vector<FlowEdge> back = parse::parse_flow_edge(line);
    if (back.size() == 1 && same_edge(back.front(), edge)) out.push_back(std::move(line));
  }
  return out;
}

bool holds_comment_mark(const std::optional<std::string>& text) {
  return text && text->find("//") != std::string::npos;
}

bool holds_comment_mark(const FlowEdge& edge) {
  auto any = [](const Strings& names) {
    return std::any_of(names.begin(), names.end(), [](const std::string& n) { return n.find("//") != npos; });
  };
  return any(edge.from) || any(edge.to) || holds_comment_mark(edge.label) || holds_comment_mark(edge.gate) ||
         holds_comment_mark(edge.wait) || holds_comment_mark(edge.timeout);
}

// How an edge is written: on a line of its own with one of its spellings,
// or chained to the line of the edge before; and the state that line was in
// before it.
struct Step {
  State before = 0;
  std::size_t spelling = 0;
  bool chained = false;
};

constexpr std::size_t kUnreached = std::numeric_limits<std::size_t>::max();

}  // namespace

namespace {

using Costs = std::array<std::size_t, kStates>;

// The ways one edge can go onto the lines: alone in each of its spellings
// (the plain ones first, then those with marks of no meaning of their own),
// or chained to the line of the edge before.
struct EdgeWays {
  std::vector<std::string> alone;
  std::size_t plain = 0;
  std::optional<Chained> chained;  // the targets of the edge before, as this edge's left
  std::string targets;
};

EdgeWays edge_ways(const FlowEdge* before, const FlowEdge& edge, const EdgeSpellings& spellings) {
  EdgeWays ways;
  ways.alone = spellings(edge, true);
  ways.plain = ways.alone.size();
  append_joined(ways.targets, edge.to, ", ");
  for (std::size_t v = 0; v < ways.plain; ++v) {
    for (std::string& line : with_marks_after_segment(edge, ways.alone[v])) ways.alone.push_back(std::move(line));
  }
  for (std::string& line : carried(edge, ways.alone.front())) ways.alone.push_back(std::move(line));
  if (before && (ways.chained = chain_piece(*before, edge))) ways.chained->text.append(" --> ").append(ways.targets);
  return ways;
}

// The least costs after one more edge, for each state its line ends in, from
// those before it (`first` for the first edge); `steps` gets how each is
// reached. Marks cost more than chaining every edge.
Costs next_costs(const EdgeWays& ways, const Costs& cost, bool first, std::size_t marks_cost,
                 std::array<Step, kStates>& steps) {
  Costs next;
  next.fill(kUnreached);
  State best = 0;
  for (State s = 0; s < kStates; ++s) {
    if (cost[s] < cost[best]) best = s;
  }
  const std::size_t base = first ? 0 : cost[best];
  auto reach = [&](std::optional<State> end, std::size_t c, Step step) {
    if (end && c < next[*end]) {
      next[*end] = c;
      steps[*end] = step;
    }
  };
  for (std::size_t v = 0; v < ways.alone.size(); ++v) {
    // A line that starts with "//" is a comment, whatever follows.
    if (text::trim_start(ways.alone[v]).starts_with("//")) continue;
    reach(after(0, ways.alone[v]), base + (v < ways.plain ? 0 : marks_cost), {best, v, false});
  }
  if (ways.chained) {
    const std::string_view added = std::string_view(ways.chained->text).substr(ways.chained->tail);
    for (State s = 0; s < kStates; ++s) {
      if (cost[s] != kUnreached) reach(after(s, added), cost[s] + 1, {s, 0, true});
    }
  }
  // No way keeps every "//" of this edge: it goes alone, and loses what
  // follows its first one.
  if (std::all_of(next.begin(), next.end(), [](std::size_t c) { return c == kUnreached; })) {
    reach(State{0}, base, {best, 0, false});
  }
  return next;
}

}  // namespace

std::vector<std::string> edge_lines(const std::vector<FlowEdge>& edges, const EdgeSpellings& spellings) {
  // A "//" can only come from a name or segment: the text between them
  // holds no '/'. Without one, every edge goes alone.
  if (std::none_of(edges.begin(), edges.end(), [](const FlowEdge& e) { return holds_comment_mark(e); })) {
    std::vector<std::string> lines;
    lines.reserve(edges.size());
    for (const FlowEdge& edge : edges) lines.push_back(std::move(spellings(edge, false).front()));
    return lines;
  }
  // The least cost (added marks first, then chained edges) that writes the
  // edges up to each one, for each state the line holding it ends in; then,
  // from the last edge back, the steps that reach the least.
  const std::size_t n = edges.size();
  std::vector<EdgeWays> ways;
  std::vector<std::array<Step, kStates>> steps(n);
  Costs cost;
  cost.fill(kUnreached);
  for (std::size_t i = 0; i < n; ++i) {
    ways.push_back(edge_ways(i > 0 ? &edges[i - 1] : nullptr, edges[i], spellings));
    cost = next_costs(ways[i], cost, i == 0, n + 1, steps[i]);
  }
  State s = 0;
  for (State t = 0; t < kStates; ++t) {
    if (cost[t] < cost[s]) s = t;
  }
  std::vector<Step> chosen(n);
  for (std::size_t i = n; i-- > 0;) {
    chosen[i] = steps[i][s];
    s = chosen[i].before;
  }
  std::vector<std::string> lines;
  for (std::size_t i = 0; i < n; ++i) {
    if (chosen[i].chained) {
      // The targets of the edge before, which end the line, as this edge's left.
      lines.back().resize(lines.back().size() - ways[i - 1].targets.size());
      lines.back().append(ways[i].chained->text);
    } else {
      lines.push_back(std::move(ways[i].alone[chosen[i].spelling]));
    }
  }
  return lines;
}

}  // namespace varn::write
