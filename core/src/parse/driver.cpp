// The parse entry and the indentation-driven block walk.
#include <algorithm>
#include <utility>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "parse/handlers.hpp"
#include "parse/parser.hpp"
#include "parse/text.hpp"
#include "text/unicode.hpp"
#include "varn/parse.hpp"

namespace varn {
namespace parse {

namespace {

// The line feeds of a whole document, counted sixteen bytes at a time.
std::size_t count_line_feeds(std::string_view text) {
  std::size_t n = 0;
  std::size_t i = 0;
#if defined(__SSE2__)
  // Each byte lane counts its own line feeds (up to 255 blocks), then the
  // lanes are summed: no bit count, which is a library call on the base
  // instruction set.
  const __m128i feed = _mm_set1_epi8('\n');
  const __m128i zero = _mm_setzero_si128();
  while (i + 16 <= text.size()) {
    __m128i lanes = zero;
    for (int blocks = 0; blocks < 255 && i + 16 <= text.size(); ++blocks, i += 16) {
      const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text.data() + i));
      lanes = _mm_sub_epi8(lanes, _mm_cmpeq_epi8(x, feed));
    }
    const __m128i sums = _mm_sad_epu8(lanes, zero);
    n += static_cast<std::size_t>(_mm_cvtsi128_si32(sums) + _mm_extract_epi16(sums, 4));
  }
#endif
  return n + static_cast<std::size_t>(std::count(text.begin() + static_cast<std::ptrdiff_t>(i), text.end(), '\n'));
}

}  // namespace

Lines::Lines(std::string_view text)
    : text_(text),
      // A last line without a line feed counts too; nothing after the last one does.
      count_(count_line_feeds(text) + (!text.empty() && text.back() != '\n' ? 1 : 0)),
      cursor_(text) {}

void Lines::split_next() const {
  const std::size_t start = cursor_.line_start();
  std::string_view line = cursor_.line();
  cursor_.next();
  next_ = cursor_.line_start();
  ++end_;
  const bool tab = line.find('\t') != std::string_view::npos;
  const bool was_blank = std::exchange(last_blank_, false);
  if (text::trim_start(line).empty() && (!tab || line.find_first_not_of(" \t") == std::string_view::npos)) {
    // A blank line after a blank line starts a run or joins one.
    if (was_blank) {
      window_.back() = {&kRun, 2, window_.back().start};
      ++runs_;
    } else if (!window_.empty() && window_.back().data == &kRun) {
      ++window_.back().size;
    } else {
      last_blank_ = true;
      if (tab) line = spaces(expanded_size(line));
      window_.push_back({line.data(), line.size(), start});
    }
    return;
  }
  if (tab) {
    std::string& copy = *expanded_.push_back(std::make_unique<std::string>());
    expand_tabs(line, copy);
    line = copy;
  }
  window_.push_back({line.data(), line.size(), start});
}

// Line `i` when some entries are runs. Readers move a line or a few at a
// time, so its entry is looked for from the one found last; a line of a run
// is found from the blank line read last when that is of the same run and
// not after it.
std::string_view Lines::among_runs(std::size_t i) const {
  while (i < at_first_) at_first_ -= lines_in(window_[--at_]);
  while (i >= at_first_ + lines_in(window_[at_])) at_first_ += lines_in(window_[at_++]);
  const Entry& e = window_[at_];
  if (e.data != &kRun) return {e.data, e.size};
  if (blank_.line < at_first_ || blank_.line > i) blank_ = {at_first_, e.start};
  // Every line of a run before its last ends in a line feed.
  for (; blank_.line < i; ++blank_.line) blank_.start = text_.find('\n', blank_.start) + 1;
  const std::size_t feed = std::min(text_.find('\n', blank_.start), text_.size());
  std::string_view line = text_.substr(blank_.start, feed - blank_.start);
  if (feed < text_.size() && line.ends_with('\r')) line.remove_suffix(1);
  return line.find('\t') == std::string_view::npos ? line : spaces(expanded_size(line));
}

std::string_view Lines::spaces(std::size_t n) const {
  if (spaces_.empty() || spaces_.back()->size() < n) {
    const std::size_t last = spaces_.empty() ? 32 : spaces_.back()->size();
    spaces_.push_back(std::make_unique<std::string>(std::max(n, 2 * last), ' '));
  }
  return std::string_view(*spaces_.back()).substr(0, n);
}

void Lines::forget_before(std::size_t i) {
  i = std::min(i, count_);
  while (end_ < i) split_next();
  // A run of blank lines goes once all of it is before `i`.
  while (!window_.empty() && base_ + lines_in(window_.front()) <= i) {
    const Entry& e = window_.front();
    // The copies are kept in line order: a forgotten line that is one is the oldest.
    if (!expanded_.empty() && e.data == expanded_.front()->data()) expanded_.pop_front();
    base_ += lines_in(e);
    if (e.data == &kRun) --runs_;
    window_.pop_front();
  }
  if (window_.empty()) last_blank_ = false;
  at_ = 0;
  at_first_ = base_;
}

std::size_t indentation(std::string_view line) { return line.size() - text::trim_start(line).size(); }

Nodes parse_block(Parser& p, std::size_t min_indent, std::size_t depth) {
  Nodes nodes;
  // Past the limit the block is empty: its lines stay at `pos` and the
  // enclosing block takes them as its own members.
  if (depth > kMaxDepth) return nodes;
  while (p.pos < p.lines.size()) {
    std::string_view line = p.lines[p.pos];
    std::string_view rest = text::trim_start(line);
    if (text::trim_end(rest).empty()) {
      ++p.pos;
      continue;
    }
    if (line.size() - rest.size() < min_indent) break;
    if (auto node = parse_node(p, depth)) {
      if (nodes.empty()) nodes.reserve(4);  // blocks with members mostly have several
      nodes.push_back(std::move(*node));
    }
  }
  drop_slack(nodes);
  return nodes;
}

std::optional<Line> next_body_line(Parser& p, std::size_t opener_indent) {
  while (p.pos < p.lines.size()) {
    const Line line = read_line(p.lines[p.pos]);
    if (!line.trimmed.empty()) {
      if (indentation(line.raw) <= opener_indent) break;
      ++p.pos;
      return line;
    }
    ++p.pos;
  }
  return std::nullopt;
}

std::vector<std::string_view> read_body_lines(Parser& p, std::size_t opener_indent) {
  std::vector<std::string_view> body;
  while (auto line = next_body_line(p, opener_indent)) body.push_back(line->content);
  return body;
}

Pairs read_body_pairs(Parser& p, std::size_t opener_indent) {
  Pairs pairs;
  while (auto line = next_body_line(p, opener_indent)) {
    if (auto kv = split_key_value(line->content)) pairs.push_back(std::move(*kv));
  }
  return pairs;
}

namespace {

// The block walk of parse_block over the top level and over every group
// that stays a group, handing on each member as soon as it is complete and
// lowered, and letting go of the lines before it: a heading that holds the
// whole document costs what the same lines in sections cost.
//
// Errors: the first parse error wins wherever it stands, so the walk reads
// on after a lowering error, only to look for one. The lowering pass lowers
// all the members of a group before it makes sync declarations of them, so
// an invalid declaration in a "Sync" group waits for the group's end: the
// lowering error of a later member comes first. Nothing is handed on once
// either is known.
struct TreeWalk {
  Parser& p;
  const TreeSink& sink;
  const Consumed& consumed;
  std::optional<ParseError> lowering_error;
  std::size_t waiting = 0;  // the open groups that hold an invalid declaration

  bool failing() const { return p.first_error || lowering_error || waiting > 0; }

  // Lines before `pos` are not read again.
  void passed() {
    p.lines.forget_before(p.pos);
    if (consumed) consumed(p.lines.kept_from());
  }

  void block(std::size_t min_indent, std::size_t depth, bool in_sync) {
    if (depth > kMaxDepth) return;  // as parse_block: the lines fall to the enclosing block
    std::optional<ParseError> declaration_error;
    while (p.pos < p.lines.size() && !p.first_error) {
      const Line line = read_line(p.lines[p.pos]);
      if (line.trimmed.empty()) {
        ++p.pos;
        passed();
        continue;
      }
      const std::size_t indent = indentation(line.raw);
      if (indent < min_indent) break;
      const Handler handler = handler_for(line);
      // A heading opens a group read member by member, unless the lowering
      // makes another node of the group: a sync declaration of each
      // sub-group of a "Sync" group, a lattice node of a lattice title.
      if (handler == parse_heading && !in_sync) {
        Group head = read_heading(line);
        if (!lowers_to_lattice(head)) {
          group(std::move(head), indent, depth);
          continue;
        }
      }
      std::optional<Node> node = read_node(p, depth, line, handler);
      if (node) member(std::move(*node), in_sync, declaration_error);
      passed();
    }
    if (declaration_error) {
      --waiting;
      if (!lowering_error) lowering_error = std::move(declaration_error);
    }
  }

  // A group read member by member, its heading line at `pos`.
  void group(Group head, std::size_t indent, std::size_t depth) {
    const bool sync = is_sync_group(head);
    Node node(std::move(head));
    node.line_start = p.lines.start(p.pos);
    ++p.pos;
    if (!failing()) sink.open(node);
    passed();
    block(indent + 1, depth + 1, sync);
    if (!failing()) sink.close(p.lines.start_or_end(p.pos));
  }

  // A member read whole, lowered as the pass lowers it (and, in a "Sync"
  // group, made a sync declaration when it is a group), then handed on.
  void member(Node&& node, bool in_sync, std::optional<ParseError>& declaration_error) {
    if (p.first_error || lowering_error) return;
    if ((lowering_error = lower_node(node, p.refusals))) return;
    if (in_sync) {
      auto e = lower_sync_member(node, p.refusals);
      if (e && !declaration_error) {
        declaration_error = std::move(e);
        ++waiting;
      }
    }
    if (!failing()) sink.node(std::move(node));
  }
};

}  // namespace
}  // namespace parse

std::optional<ParseError> parse_stream(std::string_view source, const TreeSink& sink, const Consumed& consumed,
                                       Spans spans) {
  parse::Parser p;
  p.lines = parse::Lines(source);
  p.spans = spans;
  parse::TreeWalk walk{p, sink, consumed, std::nullopt};
  walk.block(0, 0, false);
  if (p.first_error) return std::move(p.first_error);
  return std::move(walk.lowering_error);
}

std::optional<ParseError> parse_each(std::string_view source, const NodeSink& sink, const Consumed& consumed,
                                     Spans spans) {
  // The groups handed on member by member, put back together.
  std::vector<Node> open;
  auto add = [&](Node&& node) {
    if (open.empty()) return sink(std::move(node));
    open.back().get<Group>().children.push_back(std::move(node));
  };
  const TreeSink tree{add, [&](const Node& group) { open.push_back(group); },
                      [&](std::size_t end) {
                        Node group = std::move(open.back());
                        open.pop_back();
                        parse::drop_slack(group.get<Group>().children);
                        group.line_end = end;
                        add(std::move(group));
                      }};
  return parse_stream(source, tree, consumed, spans);
}

namespace parse {

SyncRefusals sync_refusals(std::string_view source) {
  SyncRefusals found;
  Parser p;
  p.lines = Lines(source);
  p.spans = Spans::None;
  p.refusals = &found;
  const TreeSink ignore{[](Node&&) {}, [](const Node&) {}, [](std::size_t) {}};
  const Consumed none;
  TreeWalk{p, ignore, none, std::nullopt}.block(0, 0, false);
  return found;
}

}  // namespace parse

Result<Document, ParseError> parse_source(std::string_view source) {
  Document doc;
  if (auto e = parse_each(source, [&](Node&& node) { doc.nodes.push_back(std::move(node)); })) return err(std::move(*e));
  return doc;
}

}  // namespace varn
