// Where fmt writes what the source has: a head line or the body lines that
// its templates would not give back, or every line of a node whose own lines
// do not read back as it, which is checked whole.
#include <array>
#include <string>
#include <utility>

#include "format/format.hpp"
#include "model/fields.hpp"
#include "model/same.hpp"
#include "parse/parser.hpp"
#include "parse/text.hpp"
#include "text/unicode.hpp"

namespace varn::format {

std::optional<std::string_view> source_line(const Out& out, std::size_t start, std::string& buffer, Cut cut) {
  if (start >= out.source.size()) return std::nullopt;
  const parse::Line line = parse::read_line(parse::line_at(out.source, start, buffer));
  return cut == Cut::Whole ? line.trimmed : line.content;
}

void write_source_body(Out& out, std::size_t start, std::size_t depth) {
  std::string buffer;
  parse::LineCursor lines(out.source.substr(start));
  const std::size_t indent = parse::indentation(parse::line_at(out.source, start, buffer));
  for (lines.next(); !lines.done(); lines.next()) {
    const parse::Line line = parse::read_line(parse::line_at(out.source, start + lines.line_start(), buffer));
    if (line.trimmed.empty()) continue;
    if (parse::indentation(line.raw) <= indent) break;
    if (!line.content.empty()) out.line(depth, line.content);
  }
}

namespace {

// The line as the parser reads it, its tabs expanded into `buffer`.
std::string_view expanded(std::string_view line, std::string& buffer) {
  if (line.find('\t') == std::string_view::npos) return line;
  parse::expand_tabs(line, buffer);
  return buffer;
}

// The pairs of indentations (the source's, ours) of the lines of a node:
// they order the lines alike when one of a pair never goes with two of the
// other and the pairs sort the same by either. Readers compare one line's
// indentation with another's, and never count it.
class SameOrder {
 public:
  bool add(std::size_t theirs, std::size_t mine) {
    for (std::size_t i = 0; i < count_; ++i) {
      const auto [t, m] = pairs_[i];
      if ((t == theirs) != (m == mine) || (t < theirs) != (m < mine)) return false;
      if (t == theirs) return true;
    }
    // So many levels are read back the long way.
    if (count_ == pairs_.size()) return false;
    pairs_[count_++] = {theirs, mine};
    return true;
  }

 private:
  std::array<std::pair<std::size_t, std::size_t>, 16> pairs_{};
  std::size_t count_ = 0;
};

// True when the lines written for `node` are the ones its reader took from
// the source: the same texts, blank where those are (blank lines at the end
// aside), their indentations in the same order. The reader then takes them
// as it took the source's, so they read back by construction.
bool same_as_source(const Out& out, std::string_view written, const Node& node) {
  const std::string_view own = out.source.substr(node.line_start, node.line_end - node.line_start);
  std::string buffer;
  SameOrder order;
  parse::LineCursor theirs(own);
  parse::LineCursor mine(written);
  for (; !theirs.done() && !mine.done(); theirs.next(), mine.next()) {
    const std::string_view line = expanded(theirs.line(), buffer);
    const std::string_view text = text::trim(line);
    if (text != text::trim(mine.line())) return false;
    if (!text.empty() && !order.add(parse::indentation(line), parse::indentation(mine.line()))) return false;
  }
  for (; !theirs.done(); theirs.next()) {
    if (!text::trim(theirs.line()).empty()) return false;
  }
  for (; !mine.done(); mine.next()) {
    if (!text::trim(mine.line()).empty()) return false;
  }
  return true;
}

// True when `text`, the lines written for `node`, read alone give that node
// and nothing more.
bool reads_back_alone(std::string_view text, const Node& node) {
  parse::Parser p;
  p.lines = parse::Lines(text);
  std::optional<Node> back;
  while (!back && p.pos < p.lines.size()) back = parse::parse_node(p, 0);
  if (!back || p.first_error || !same(*back, node)) return false;
  while (p.pos < p.lines.size()) {
    if (parse::parse_node(p, 0)) return false;
  }
  return true;
}

// Kinds that hold no nodes of their own: all their lines are written with
// the node, and read back alone. A code block's content is written as it is
// held; a prose or comment line is the source's own text, and a spawn mark
// or a divider a fixed one; a flow's or a state machine's edges are read
// back, line by line, as they are written.
template <class T>
constexpr bool kReadsBackAlone = !requires(T v) { v.children; } && !std::is_same_v<T, CodeBlock> &&
                                 !std::is_same_v<T, Prose> && !std::is_same_v<T, Comment> &&
                                 !std::is_same_v<T, SpawnMode> && !std::is_same_v<T, Divider> &&
                                 !std::is_same_v<T, Flow> && !std::is_same_v<T, StatesDef>;

// Kinds whose own lines (the head and the lines read into its fields) are
// written before its members: alone, they read back as the node without
// them. The heads of groups, tasks and conditionals are checked as they are
// written, a project scope's head is the source's text after its '%', and
// a lattice node takes its settings from its members' lines.
template <class T>
constexpr bool kOwnLinesFirst = std::is_same_v<T, ValidateDef> || std::is_same_v<T, GateDef> ||
                                std::is_same_v<T, IssueDef> || std::is_same_v<T, ThreadComment>;

// A sync declaration or a pressure effect may be lowered from a heading,
// which reads back only as a heading under its parent.
template <class T>
constexpr bool kLowerable = std::is_same_v<T, SyncDef> || std::is_same_v<T, PressureEffectDef>;

bool lowered_from_heading(const Out& out, std::size_t start) {
  std::string buffer;
  return text::trim_start(parse::line_at(out.source, start, buffer)).starts_with('#');
}

// The record without the nodes it holds.
template <class T>
T without_members(const T& record) {
  T bare;
  std::apply(
      [&](const auto&... f) {
        (
            [&] {
              using Member = typename std::decay_t<decltype(f)>::Member;
              if constexpr (!std::is_same_v<Member, Nodes>) bare.*(f.member) = record.*(f.member);
            }(),
            ...);
      },
      Fields<T>::table.fields);
  return bare;
}

}  // namespace

bool keeps_the_tree(const Out& out, std::string_view written, std::size_t own, const Node& node) {
  if (node.line_end > out.source.size()) return true;  // not read from this source
  return node.visit([&](const auto& v) {
    using T = std::decay_t<decltype(v)>;
    if constexpr (kReadsBackAlone<T>) {
      if (kLowerable<T> && lowered_from_heading(out, node.line_start)) return true;
      return same_as_source(out, written, node) || reads_back_alone(written, node);
    } else if constexpr (kOwnLinesFirst<T>) {
      return reads_back_alone(written.substr(0, own), Node(without_members(v)));
    } else {
      return true;
    }
  });
}

// The node's lines as the source has them, its members' too: each at its
// indentation relative to the first, which goes at `depth` (a line less
// indented than the first, as triple quotes may hold, no further left than
// the margin); the blank lines between them kept, as a text in triple
// quotes holds them.
void write_source_node(Out& out, const Node& node, std::size_t depth) {
  const std::string_view own = out.source.substr(node.line_start, node.line_end - node.line_start);
  std::string buffer;
  std::size_t head = 0;
  std::size_t blanks = 0;
  bool first = true;
  for (parse::LineCursor lines(own); !lines.done(); lines.next()) {
    const std::string_view line = expanded(lines.line(), buffer);
    const std::string_view text = text::trim(line);
    if (text.empty()) {
      ++blanks;
      continue;
    }
    const std::size_t column = 2 * depth + parse::indentation(line);
    if (first) head = parse::indentation(line);
    first = false;
    for (; blanks > 0; --blanks) out.sink.blank();
    std::string& s = out.open(0);
    s.append(column > head ? column - head : 0, ' ');
    s.append(text);
    out.close();
  }
}

}  // namespace varn::format
