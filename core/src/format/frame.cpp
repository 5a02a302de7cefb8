// The formatter's frame: the document loop with its blank-line rule, the
// child loop, the dispatch on the node's kind and the one-line kinds.
#include <algorithm>
#include <array>
#include <utility>

#include "format/format.hpp"
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

// "keyword: \"value\"" for the values the parser unquotes, or another
// spelling where that would not read back.
void write_quoted(Out& out, std::size_t depth, std::string_view keyword, std::string_view value) {
  append_quoted_value(out.open(depth), keyword, value);
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

bool Out::takes_members() const { return level <= parse::kMaxDepth; }

bool quiet(std::string_view s) {
  return s.find_first_of("\"|\\{}") == std::string_view::npos && s.find("//") == std::string_view::npos;
}

void format_node(Out& out, const Node& node, std::size_t depth) {
  out.node_start = node.line_start;
  const std::size_t mark = out.sink.raw().size();
  std::optional<MemberSpans> members = own_lines_apart(out, node);
  MemberSpans* own = members ? &*members : nullptr;
  MemberSpans* around = std::exchange(out.members, own);
  ++out.level;
  format_node_lines(out, node, depth);
  --out.level;
  out.members = around;
  if (!keeps_the_tree(out, std::string_view(out.sink.raw()).substr(mark), mark, own, node)) {
    out.sink.raw().resize(mark);
    write_source_node(out, node, depth);
  }
  // This node is a member of the one around it.
  if (around) around->add(node, mark, out.sink.raw().size());
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

// The blank line before a top-level node when it and the one before are both blocks.
void blank_line_before(Out& out, bool& previous_block, const Node& node) {
  const bool block = kBlockKinds[node.value.index()];
  if (block && previous_block && !out.sink.last_line_blank()) out.sink.blank();
  previous_block = block;
}

void format_top_level(Out& out, bool& previous_block, const Node& node) {
  blank_line_before(out, previous_block, node);
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

void DocumentFormatter::node(const Node& node) {
  out.level = depth;  // the groups open around it
  if (depth == 0) {
    format_top_level(out, previous_block, node);
  } else {
    format_node(out, node, depth);
  }
}

void DocumentFormatter::open(const Node& group) {
  if (depth == 0) blank_line_before(out, previous_block, group);
  out.node_start = group.line_start;
  write_heading(out, group.get<Group>(), depth);
  ++depth;
}

void DocumentFormatter::close() { --depth; }

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
