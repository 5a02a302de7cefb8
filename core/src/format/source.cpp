// Where fmt writes what the source has: a head line or the body lines that
// its templates would not give back, or every line of a node whose own lines
// do not read back as it, which is checked whole.
#include <algorithm>
#include <array>
#include <string>
#include <utility>

#include "format/format.hpp"
#include "model/fields.hpp"
#include "model/same.hpp"
#include "parse/handlers.hpp"
#include "parse/lattice.hpp"
#include "write/lattice.hpp"
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

// True when `text`, the lines written for `node`, read alone at `level`
// give that node and nothing more (a heading with a lattice title as the
// node it is lowered to, one lowered from a heading under "Sync" as that
// declaration).
bool reads_back_alone(std::string_view text, const Node& node, std::size_t level) {
  parse::Parser p;
  p.lines = parse::Lines(text);
  p.spans = Spans::None;  // not compared
  std::optional<Node> back;
  while (!back && p.pos < p.lines.size()) back = parse::parse_node(p, level);
  if (!back || p.first_error) return false;
  if (back->holds<Group>() &&
      (parse::lower_node(*back) || (node.holds<SyncDef>() && parse::lower_sync_member(*back)))) {
    return false;
  }
  if (!same(*back, node)) return false;
  while (p.pos < p.lines.size()) {
    if (parse::parse_node(p, level)) return false;
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

// Kinds that hold members and whose own lines (the head, the lines read into
// its fields, a task's clause, section and pattern lines) stand before or
// among them: read apart from the members, the own lines give the node
// without them. The heads of groups and conditionals are checked as they
// are written; a unit cell's or a symmetry's is a keyword alone; and their
// readers keep every member as it is.
template <class T>
constexpr bool kOwnLinesApart =
    std::is_same_v<T, ValidateDef> || std::is_same_v<T, GateDef> || std::is_same_v<T, IssueDef> ||
    std::is_same_v<T, ThreadComment> || std::is_same_v<T, ProjectScope> || std::is_same_v<T, Task> ||
    std::is_same_v<T, LatticeValidatesDef> || std::is_same_v<T, LatticeConstraintDef> ||
    std::is_same_v<T, LatticeSchemaDef> || std::is_same_v<T, LatticeFrontierDef>;

// Of those, the kinds whose readers take settings from their members' prose
// lines (a lattice node's key lines, a task's clauses, sections and
// patterns, a validation's attachment keys), which stay among the own lines
// when those are read, and in the node they are read as.
template <class T>
constexpr bool kTakesSettingsFromMembers =
    std::is_same_v<T, ValidateDef> || std::is_same_v<T, Task> || std::is_same_v<T, LatticeValidatesDef> ||
    std::is_same_v<T, LatticeConstraintDef> || std::is_same_v<T, LatticeSchemaDef> ||
    std::is_same_v<T, LatticeFrontierDef>;

// True when `node` is a line that a reader may take a setting from: a prose
// line with a colon, at which every such line is split.
bool may_give_settings(const Node& node) {
  const Prose* prose = node.get_if<Prose>();
  return prose && prose->text.find(':') != std::string::npos;
}

bool has_setting_member(const Nodes& nodes) { return std::any_of(nodes.begin(), nodes.end(), may_give_settings); }

// "key: value", which a line form takes as that setting: a prose line (no
// assignment) whose value the reader's trim leaves as it is.
bool plain_key_line(std::string_view key, std::string_view value) {
  return text::trim(value) == value && reads_as_key_line(key, value);
}

// True when no member is a prose line that starts with one of `keys`, which
// a line form takes its settings from: a member read from source never does
// (the reader took the line), so it stays a member where it is written.
bool no_keyed_member(const Nodes& members, std::initializer_list<std::string_view> keys) {
  return std::none_of(members.begin(), members.end(), [&](const Node& member) {
    const auto line = parse::key_line(member);
    return line && std::any_of(keys.begin(), keys.end(), [&](std::string_view key) { return line->starts_with(key); });
  });
}

// Own lines known to read back without reading them: those of templates
// that give the node by construction. A task's head and clauses are checked
// as they are written (of "key: value" and "key : value", the one that no
// assignment, status options or validation takes), its section lines are
// fixed and its pattern lines the source's, with no member line among them
// that the reader takes settings from; a scope's head is its name after '%', read uncut where no "//"
// makes it look cut; a line form's head is its keyword (a constraint's type
// after it, where no '=' makes it an assignment) and each setting a plain
// key line; a "Constraint" heading's lines give the settings as the
// lowering reads them from its lines and its members' (constraint_heading).
template <class T>
bool plain_own_lines(const T& v) {
  if constexpr (std::is_same_v<T, ProjectScope>) {
    return !v.name.empty() && text::trim(v.name) == v.name && v.name.find("//") == std::string::npos;
  } else if constexpr (std::is_same_v<T, Task>) {
    for (const auto* clause : {&v.depends, &v.validate, &v.status}) {
      if (*clause && (text::trim(**clause) != **clause || (*clause)->empty())) return false;
    }
    if (v.match_arms) {
      for (const MatchArm& arm : *v.match_arms) {
        // The pattern line is a line without a space that gives the pattern
        // without its colons: the source's line, up to its colons, which
        // no construct but the ones arm_pattern_line sets apart reads
        // otherwise for their count.
        const std::string line = arm_pattern_line(arm.pattern);
        if (has_setting_member(arm.children) || line.find(' ') != std::string::npos ||
            parse::strip_suffix_all(line, ":") != arm.pattern) {
          return false;
        }
      }
    }
    return !has_setting_member(v.children) && !(v.on_pass && has_setting_member(*v.on_pass)) &&
           !(v.on_fail && has_setting_member(*v.on_fail));
  } else if constexpr (std::is_same_v<T, LatticeSchemaDef>) {
    return no_keyed_member(v.children, {"name:", "type:", "required:"}) &&
           std::all_of(v.fields.begin(), v.fields.end(), [](const auto& f) {
             return plain_key_line("name", f.name) && plain_key_line("type", f.field_type);
           });
  } else if constexpr (std::is_same_v<T, LatticeFrontierDef>) {
    const auto plain = [](std::string_view key, const Strings& values) {
      return std::all_of(values.begin(), values.end(), [&](const std::string& x) { return plain_key_line(key, x); });
    };
    return no_keyed_member(v.children, {"expected_schema:", "missing_field:", "strategy:"}) &&
           (!v.expected_schema || plain_key_line("expected_schema", *v.expected_schema)) &&
           plain("missing_field", v.missing_fields) && plain("strategy", v.exploration_strategy);
  } else if constexpr (std::is_same_v<T, LatticeValidatesDef>) {
    // A "schema:" member goes before the artifact lines (validates_members_first).
    return no_keyed_member(v.children, {"artifact:", "- artifact:"}) &&
           std::all_of(v.artifacts.begin(), v.artifacts.end(), [](const auto& a) {
             return plain_key_line(artifact_key(a.artifact), a.artifact) && a.checks.empty() &&
                    (!a.schema || plain_key_line("schema", *a.schema));
           });
  } else if constexpr (std::is_same_v<T, LatticeConstraintDef>) {
    const auto plain_item = [](const std::string& x) {
      return !x.empty() && text::trim(x) == x && x.find(',') == std::string::npos;
    };
    const bool plain_type = !v.constraint_type || (!v.constraint_type->empty() &&
                                                   text::trim(*v.constraint_type) == *v.constraint_type &&
                                                   v.constraint_type->find('=') == std::string::npos);
    return text::trim(v.rule) == v.rule && std::all_of(v.applies_to.begin(), v.applies_to.end(), plain_item) &&
           no_keyed_member(v.children, {"rule:", "applies_to:"}) &&
           ((plain_type && constraint_line_form_holds(v)) || constraint_heading(v));
  } else {
    return false;
  }
}

// A sync declaration may be lowered from a heading under "Sync": below the
// nesting limit its lines are known to read back, as its writer checks its
// head line and writes key lines that say its settings.
bool lowered_from_heading(const Out& out, std::size_t start) {
  std::string buffer;
  return text::trim_start(parse::line_at(out.source, start, buffer)).starts_with('#');
}

template <class V>
concept ListOfRecords = requires { typename V::value_type; } && HasFields<typename V::value_type>;

// The value with only the members whose lines give settings (none unless
// `settings`); a section of a task left with none is absent, as its reader
// gives it.
template <class V>
V with_setting_members(const V& value, bool settings) {
  if constexpr (std::is_same_v<V, Nodes>) {
    Nodes kept;
    for (const Node& node : value) {
      if (settings && may_give_settings(node)) kept.push_back(node);
    }
    return kept;
  } else if constexpr (std::is_same_v<V, std::optional<Nodes>>) {
    if (!value) return value;
    Nodes kept = with_setting_members(*value, settings);
    if (kept.empty()) return std::nullopt;
    return kept;
  } else if constexpr (IsOptional<V>::value) {
    if (!value) return value;
    return with_setting_members(*value, settings);
  } else if constexpr (ListOfRecords<V>) {
    V kept;
    for (const auto& item : value) kept.push_back(with_setting_members(item, settings));
    return kept;
  } else if constexpr (HasFields<V>) {
    V kept;
    std::apply(
        [&](const auto&... f) { ((kept.*(f.member) = with_setting_members(value.*(f.member), settings)), ...); },
        Fields<V>::table.fields);
    return kept;
  } else {
    return value;
  }
}

}  // namespace

void MemberSpans::add(const Node& member, std::size_t from, std::size_t to) {
  if (keeps_setting_lines_ && may_give_settings(member)) return;
  if (first_.first == kNone) {
    first_ = {from, to};
  } else if (std::pair<std::size_t, std::size_t>& last = more_.empty() ? first_ : more_.back(); last.second == from) {
    last.second = to;
  } else {
    more_.emplace_back(from, to);
  }
}

std::string_view MemberSpans::outside(std::string_view written, std::size_t mark, std::string& buffer) const {
  if (first_.first == kNone) return written;
  // Members written last: the own lines are those before them.
  if (more_.empty() && first_.second == mark + written.size()) return written.substr(0, first_.first - mark);
  std::size_t at = mark;
  auto keep_to = [&](std::size_t end) { buffer.append(written.substr(at - mark, end - at)); };
  keep_to(first_.first);
  at = first_.second;
  for (const auto& [from, to] : more_) {
    keep_to(from);
    at = to;
  }
  keep_to(mark + written.size());
  return buffer;
}

namespace {

template <std::size_t... I>
constexpr std::array<bool, sizeof...(I)> own_lines_apart_kinds(std::index_sequence<I...>) {
  return {kOwnLinesApart<NodeKind<I>>...};
}

// By the index of the node's kind: whether its own lines may be read apart.
constexpr auto kOwnLinesApartKinds = own_lines_apart_kinds(std::make_index_sequence<std::variant_size_v<NodeVariant>>{});

}  // namespace

std::optional<MemberSpans> own_lines_apart(const Out& out, const Node& node) {
  if (!kOwnLinesApartKinds[node.value.index()] || node.line_end > out.source.size()) return std::nullopt;
  return node.visit([&](const auto& v) -> std::optional<MemberSpans> {
    using T = std::decay_t<decltype(v)>;
    if (!kOwnLinesApart<T> || (!out.read_plain && plain_own_lines(v))) return std::nullopt;
    return MemberSpans(kTakesSettingsFromMembers<T>);
  });
}

bool keeps_the_tree(const Out& out, std::string_view written, std::size_t mark, const MemberSpans* members,
                    const Node& node) {
  if (node.line_end > out.source.size()) return true;  // not read from this source
  // At the nesting limit the node has no member block: every line it writes
  // stands at its level, whatever its kind, and is read there. A code
  // block's lines are its content as held, which it reads at any depth.
  if (out.level >= parse::kMaxDepth && !node.holds<CodeBlock>()) {
    return same_as_source(out, written, node) || reads_back_alone(written, node, out.level);
  }
  return node.visit([&](const auto& v) {
    using T = std::decay_t<decltype(v)>;
    if constexpr (kReadsBackAlone<T>) {
      if (std::is_same_v<T, SyncDef> && lowered_from_heading(out, node.line_start)) return true;
      return same_as_source(out, written, node) || reads_back_alone(written, node, out.level);
    } else if constexpr (kOwnLinesApart<T>) {
      if (!members) return true;  // known to read back
      std::string buffer;
      return reads_back_alone(members->outside(written, mark, buffer),
                              Node(with_setting_members(v, kTakesSettingsFromMembers<T>)), out.level);
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
