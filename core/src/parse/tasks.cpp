// Tasks: a checkbox line with its prefix, marker, text, gates and closing
// reference, and the child lines it absorbs as clauses, sections and arms.
#include <algorithm>
#include <limits>

#include "parse/handlers.hpp"
#include "parse/inline.hpp"
#include "parse/text.hpp"
#include "text/unicode.hpp"

namespace varn::parse {
namespace {

// The nesting prefix before the '[', and the text from the '[' on.
std::optional<std::pair<MarkerPrefix, std::string_view>> read_prefix(std::string_view t) {
  if (t.size() > 2 && t.starts_with("++[")) return std::pair{MarkerPrefix{prefix::ParallelSubtask{}}, t.substr(2)};
  if (t.size() > 1 && t.starts_with("+[")) return std::pair{MarkerPrefix{prefix::Parallel{}}, t.substr(1)};
  const std::size_t dashes = t.find_first_not_of('-');
  if (dashes == std::string_view::npos || t[dashes] != '[') return std::nullopt;
  if (dashes == 0) return std::pair{MarkerPrefix{prefix::None{}}, t};
  // The count is one byte: a longer run stays at 255 rather than wrapping.
  const auto count = static_cast<uint8_t>(std::min<std::size_t>(dashes, std::numeric_limits<uint8_t>::max()));
  return std::pair{MarkerPrefix{prefix::Subtask{count}}, t.substr(dashes)};
}

void set_marker(TaskMarker& m, MarkerKind kind, MarkerPriority priority) {
  m.kind = kind;
  m.priority = priority;
}

// Decodes the checkbox content into the marker and the label.
void read_checkbox(std::string_view c, TaskMarker& m, std::optional<std::string>& label) {
  if (c.empty()) return;
  if (c == "o") return set_marker(m, MarkerKind::Optional, MarkerPriority::Optional);
  if (c == "x") return set_marker(m, MarkerKind::Completed, MarkerPriority::None);
  if (c == "!") return set_marker(m, MarkerKind::Required, MarkerPriority::Required);
  if (auto n = parse_u32(c)) {
    m.seq = n;
    return;
  }
  const char last = c.back();
  const std::string_view head = c.substr(0, c.size() - 1);  // the last byte is ASCII in every use below
  if (last == '!' || last == 'o') {
    const auto kind = last == '!' ? MarkerKind::Required : MarkerKind::Optional;
    const auto priority = last == '!' ? MarkerPriority::Required : MarkerPriority::Optional;
    if (auto n = parse_u32(head)) {
      m.seq = n;
      return set_marker(m, kind, priority);
    }
    if (last == '!' || has_non_digit(head)) {
      label = std::string(head);
      return set_marker(m, kind, priority);
    }
  }
  if (last == '?') {
    label = std::string(head);
    return set_marker(m, MarkerKind::Open, MarkerPriority::Decision);
  }
  label = std::string(c);
}

// Takes a "git:closes #N" reference out of the text.
std::optional<uint32_t> take_closing_ref(std::string& text) {
  constexpr std::string_view kCloses = "git:closes #";
  const std::size_t at = text.find(kCloses);
  if (at == std::string::npos) return std::nullopt;
  const std::size_t digits = at + kCloses.size();
  std::size_t end = digits;
  while (end < text.size() && text[end] >= '0' && text[end] <= '9') ++end;
  auto number = end > digits ? parse_u32(std::string_view(text).substr(digits, end - digits)) : std::nullopt;
  if (number) text.erase(at, end - at);
  return number;
}

const Prose* as_prose(const Node& n) { return n.get_if<Prose>(); }

// Children "status: x", "depends: x" and "validate: x" become fields.
Nodes absorb_clauses(Task& task, Nodes children) {
  Nodes kept;
  for (Node& child : children) {
    const Prose* prose = as_prose(child);
    auto kv = prose ? split_key_value(prose->text) : std::nullopt;
    std::optional<std::string>* field = nullptr;
    if (kv && !kv->second.empty()) {
      if (kv->first == "status") field = &task.status;
      if (kv->first == "depends") field = &task.depends;
      if (kv->first == "validate") field = &task.validate;
    }
    if (field) {
      *field = std::move(kv->second);
    } else {
      kept.push_back(std::move(child));
    }
  }
  return kept;
}

enum class Section { None, Match, Pass, Fail };

std::optional<Section> section_header(const Node& n) {
  const Prose* prose = as_prose(n);
  if (!prose) return std::nullopt;
  const std::string& t = prose->text;
  if (t == "match:") return Section::Match;
  if (t == "on_pass:" || t == "on pass:") return Section::Pass;
  if (t == "on_fail:" || t == "on fail:") return Section::Fail;
  return std::nullopt;
}

bool is_arm_pattern(const Node& n) {
  const Prose* prose = as_prose(n);
  return prose && prose->text.ends_with(':') && prose->text.find(' ') == std::string::npos;
}

// Sorts the children into the pass and fail sections and the match arms.
void read_sections(Task& task, Nodes children) {
  Section section = Section::None;
  Nodes on_pass, on_fail;
  std::vector<MatchArm> arms;
  std::optional<std::string> pattern;
  Nodes pending;
  auto close_arm = [&] {
    if (!pattern) return;
    arms.push_back({std::move(*pattern), std::move(pending)});
    pattern.reset();
    pending.clear();
  };
  for (Node& child : children) {
    if (auto header = section_header(child)) {
      if (section == Section::Match) close_arm();
      section = *header;
      continue;
    }
    switch (section) {
      case Section::None:
        task.children.push_back(std::move(child));
        break;
      case Section::Pass:
        on_pass.push_back(std::move(child));
        break;
      case Section::Fail:
        on_fail.push_back(std::move(child));
        break;
      case Section::Match:
        if (is_arm_pattern(child)) {
          close_arm();
          pattern = std::string(strip_suffix_all(as_prose(child)->text, ":"));
        } else {
          pending.push_back(std::move(child));
        }
        break;
    }
  }
  if (section == Section::Match) close_arm();
  // Lines that never got a pattern are kept as plain children, not dropped.
  for (Node& n : pending) task.children.push_back(std::move(n));
  if (!on_pass.empty()) task.on_pass = std::move(on_pass);
  if (!on_fail.empty()) task.on_fail = std::move(on_fail);
  if (!arms.empty()) task.match_arms = std::move(arms);
}

}  // namespace

std::optional<Node> parse_task(Parser& p, std::size_t depth, const Line& line) {
  auto prefixed = read_prefix(line.content);
  // A checkbox line that no prefix form fits is kept as prose, and its
  // indented lines stay its siblings.
  if (!prefixed) return build_prose(p, depth, line);
  ++p.pos;
  Task task;
  task.marker.prefix = prefixed->first;
  const std::string_view t = prefixed->second;
  const std::size_t close = t.find(']');  // the rule guarantees one after the '['
  read_checkbox(text::trim(t.substr(1, close - 1)), task.marker, task.label);

  const std::string_view rest = text::trim_start(t.substr(close + 1));
  task.gates = extract_gates(rest);
  std::string working = strip_gates(rest);
  task.closes = take_closing_ref(working);
  task.text = std::string(text::trim(working));
  task.inline_ = parse_inline(task.text, p.spans);

  Nodes children = parse_block(p, indentation(line.raw) + 1, depth + 1);
  read_sections(task, absorb_clauses(task, std::move(children)));
  return task;
}

}  // namespace varn::parse
