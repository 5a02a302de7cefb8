// The formatter's frame: the document loop with its blank-line rule, the
// child loop, the dispatch on the node's kind and the one-line kinds.
#include <algorithm>
#include <array>

#include "format/format.hpp"
#include "model/same.hpp"
#include "parse/headings.hpp"
#include "memory/pages.hpp"
#include "parse/handlers.hpp"
#include "parse/parser.hpp"
#include "parse/text.hpp"
#include "text/unicode.hpp"

namespace varn::format {
namespace {

// Between two consecutive top-level nodes of these kinds stands a blank line.
constexpr std::array<bool, kNodeKindCount> kBlockKinds = [] {
  constexpr std::string_view names[] = {
      "Group",     "Define",         "Mutate",           "Query",           "Flow",          "States",
      "Validate",  "Check",          "Form",             "ModDef",          "Git",           "Conditional",
      "UseBlock",  "FilesDef",       "PolicyDef",        "SyncDef",         "EntityDef",     "MetricDef",
      "GateDef",   "LatticeValidates", "LatticeConstraint", "LatticeSchema", "LatticeFrontier", "UnitCell",
      "Symmetry",  "CodeBlock",      "Issue",            "ThreadComment",   "Commands",      "Project",
      "ProjectScope",
  };
  std::array<bool, kNodeKindCount> block{};
  for (std::string_view name : names) {
    for (std::size_t i = 0; i < kNodeKindCount; ++i) {
      if (node_kind_names[i] == name) block[i] = true;
    }
  }
  return block;
}();

void write_text_line(Out& out, std::size_t depth, std::string_view lead, std::string_view text,
                     std::string_view tail = {}) {
  std::string& s = out.open(depth);
  s.append(lead);
  s.append(text);
  s.append(tail);
  out.close();
}

// "keyword: \"value\"" for the values the parser unquotes; a value whose own
// quotes would let a "//" in it start a comment goes without them.
void write_quoted(Out& out, std::size_t depth, std::string_view keyword, std::string_view value) {
  std::string& s = out.open(depth);
  const std::size_t start = s.size();
  s.append(keyword);
  s.append(" \"");
  s.append(value);
  s.push_back('"');
  if (!keeps_whole(std::string_view(s).substr(start))) {
    s.resize(start);
    s.append(keyword);
    s.push_back(' ');
    s.append(value);
    // A closing quote alone, which the reader strips, keeps the whitespace
    // the value ends in.
    if (text::trim_end(value).size() < value.size()) s.push_back('"');
  }
  out.close();
}

template <class Tag>
void write_named(Out& out, std::string_view keyword, const NamedChildren<Tag>& named, std::size_t depth) {
  write_text_line(out, depth, keyword, named.name);
  for (const Node& child : named.children) format_node(out, child, depth + 1);
}

}  // namespace

void write_field(Out& out, std::size_t depth, const FieldDef& field) {
  std::string& s = out.open(depth);
  const std::size_t start = s.size();
  append_field(s, field);
  // A quote inside a text value can expose a "//" to the comment cut once the
  // value is quoted; such a text is written bare when it reads back as itself.
  const fv::Str* str = std::get_if<fv::Str>(&field.default_);
  if (str && !keeps_whole(std::string_view(s).substr(start))) {
    const FieldValue bare = parse::parse_field_value(str->value);
    const fv::Str* back = std::get_if<fv::Str>(&bare);
    if (back && back->value == str->value) {
      s.resize(s.size() - str->value.size() - 2);
      s.append(str->value);
    }
  }
  out.close();
}

void write_pair(Out& out, std::size_t depth, std::string_view key, std::string_view value) {
  write_text_line(out, depth, key, ": ", value);
}

void write_pairs(Out& out, std::size_t depth, const Pairs& pairs) {
  for (const auto& [key, value] : pairs) write_pair(out, depth, key, value);
}

void write_divider(Out& out, std::size_t depth, std::string_view text) {
  // A dash line right after a `%` scope closes that scope: each open one is
  // closed first, so that the divider stays a divider.
  for (std::size_t n = out.open_scopes; n > 0; --n) out.line(depth, "---");
  out.line(depth, text);
}

bool quiet(std::string_view s) {
  return s.find_first_of("\"|\\{}") == std::string_view::npos && s.find("//") == std::string_view::npos;
}

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
    const std::string_view line = parse::line_at(own, theirs.line_start(), buffer);
    const std::string_view text = text::trim(line);
    if (text != text::trim(mine.line())) return false;
    if (!text.empty() && !order.add(parse::indentation(line), parse::indentation(mine.line()))) return false;
  }
  for (; !theirs.done(); theirs.next()) {
    if (!text::trim(parse::line_at(own, theirs.line_start(), buffer)).empty()) return false;
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

// The node's lines as the source has them: each at its indentation relative
// to the first, which goes at `depth` (a line less indented than the first,
// as triple quotes may hold, no further left than the margin); the blank
// lines between them kept, as a text in triple quotes holds them.
void write_source_node(Out& out, const Node& node, std::size_t depth) {
  const std::string_view own = out.source.substr(node.line_start, node.line_end - node.line_start);
  std::string buffer;
  std::size_t head = 0;
  std::size_t blanks = 0;
  bool first = true;
  for (parse::LineCursor lines(own); !lines.done(); lines.next()) {
    const std::string_view line = parse::line_at(own, lines.line_start(), buffer);
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

// Kinds that hold no nodes of their own: all their lines are written here,
// and read back alone. A code block's content is written as it is held; a
// prose or comment line is the source's own text, and a spawn mark or a
// divider a fixed one.
// A flow's or a state machine's edges are read back, line by line, as they
// are written.
template <class T>
constexpr bool kReadsBackAlone = !requires(T v) { v.children; } && !std::is_same_v<T, CodeBlock> &&
                                 !std::is_same_v<T, Prose> && !std::is_same_v<T, Comment> &&
                                 !std::is_same_v<T, SpawnMode> && !std::is_same_v<T, Divider> &&
                                 !std::is_same_v<T, Flow> && !std::is_same_v<T, StatesDef>;

// A declaration lowered from a heading reads back only under its parent.
bool lowered_from_heading(const Out& out, std::size_t start) {
  std::string buffer;
  return text::trim_start(parse::line_at(out.source, start, buffer)).starts_with('#');
}

}  // namespace

void format_node(Out& out, const Node& node, std::size_t depth) {
  out.node_start = node.line_start;
  const std::size_t mark = out.sink.raw().size();
  const bool guarded = node.line_end <= out.source.size() && node.visit([&](const auto& v) {
    using T = std::decay_t<decltype(v)>;
    constexpr bool lowerable = std::is_same_v<T, SyncDef> || std::is_same_v<T, PressureEffectDef>;
    return kReadsBackAlone<T> && !(lowerable && lowered_from_heading(out, node.line_start));
  });
  format_node_lines(out, node, depth);
  if (!guarded) return;
  const std::string_view written = std::string_view(out.sink.raw()).substr(mark);
  if (same_as_source(out, written, node) || reads_back_alone(written, node)) return;
  out.sink.raw().resize(mark);
  write_source_node(out, node, depth);
}

void format_node_lines(Out& out, const Node& node, std::size_t depth) {
  node.visit([&](const auto& v) {
    using T = std::decay_t<decltype(v)>;
    if constexpr (std::is_same_v<T, Prose>) {
      out.line(depth, v.text);
    } else if constexpr (std::is_same_v<T, Comment>) {
      write_text_line(out, depth, "// ", v.text);
    } else if constexpr (std::is_same_v<T, SpawnMode>) {
      out.line(depth, v == SpawnMode::Sequential ? "++" : "+");
    } else if constexpr (std::is_same_v<T, Divider>) {
      write_divider(out, depth, "---");
    } else if constexpr (std::is_same_v<T, Snap>) {
      write_quoted(out, depth, "snap:", v.name);
    } else if constexpr (std::is_same_v<T, Bold>) {
      write_text_line(out, depth, "**", v.text, "**");
    } else if constexpr (std::is_same_v<T, Remember>) {
      write_quoted(out, depth, "remember:", v.content);
    } else if constexpr (std::is_same_v<T, RecallOp>) {
      write_quoted(out, depth, "recall:", v.query);
    } else if constexpr (std::is_same_v<T, EmbedMarker>) {
      write_text_line(out, depth, "^", v.tag);
    } else if constexpr (std::is_same_v<T, Escalate>) {
      write_text_line(out, depth, "escalate: ", v.target);
    } else if constexpr (std::is_same_v<T, BoundDef>) {
      write_named(out, "bound:", v, depth);
    } else if constexpr (std::is_same_v<T, BuildDef>) {
      write_named(out, "build:", v, depth);
    } else if constexpr (std::is_same_v<T, RunDef>) {
      write_named(out, "run:", v, depth);
    } else if constexpr (std::is_same_v<T, DirectiveDef>) {
      std::string& s = out.open(depth);
      s.push_back('@');
      s.append(v.kind);
      s.push_back(' ');
      s.append(v.value);
      out.close();
    } else {
      write(out, v, depth);
    }
  });
}

namespace {

// One top-level node, after a blank line when it and the one before are both blocks.
void format_top_level(Out& out, bool& previous_block, const Node& node) {
  const bool block = kBlockKinds[node.value.index()];
  if (block && previous_block && !out.sink.last_line_blank()) out.sink.blank();
  previous_block = block;
  format_node(out, node, 0);
}

}  // namespace

void format_children(Out& out, const Nodes& nodes, std::size_t depth) {
  if (depth != 0) {
    for (const Node& node : nodes) format_node(out, node, depth);
    return;
  }
  bool previous_block = false;
  for (const Node& node : nodes) format_top_level(out, previous_block, node);
}

void DocumentFormatter::reserve(std::size_t bytes) { memory::reserve_for_fill(out.sink.raw(), bytes); }

void DocumentFormatter::node(const Node& node) { format_top_level(out, previous_block, node); }

std::string DocumentFormatter::finish() {
  // Trimmed in place: a large text is not copied to fit it tighter.
  std::string& text = out.sink.raw();
  text.resize(text::trim_end(text).size());
  text.push_back('\n');
  return std::move(text);
}

std::string format_document(const Document& doc, std::string_view source) {
  DocumentFormatter f(source);
  for (const Node& node : doc.nodes) f.node(node);
  return f.finish();
}

}  // namespace varn::format
