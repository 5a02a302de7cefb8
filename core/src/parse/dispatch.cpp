// The line dispatcher: the rules in their order of precedence. The first rule
// whose test holds decides what the line opens.
#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "parse/handlers.hpp"
#include "parse/text.hpp"
#include "text/unicode.hpp"

namespace varn::parse {

namespace {

constexpr bool is_comment_mark(char c) { return c == '"' || c == '\\' || c == '|' || c == '/'; }

// The first byte at or after `i` that can change the comment scan below, or
// the size: the other bytes leave its state as it is, so they are skipped
// sixteen at a time.
std::size_t next_comment_mark(std::string_view s, std::size_t i) {
#if defined(__SSE2__)
  for (; i + 16 <= s.size(); i += 16) {
    const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s.data() + i));
    const __m128i quote_or_backslash =
        _mm_or_si128(_mm_cmpeq_epi8(x, _mm_set1_epi8('"')), _mm_cmpeq_epi8(x, _mm_set1_epi8('\\')));
    const __m128i bar_or_slash = _mm_or_si128(_mm_cmpeq_epi8(x, _mm_set1_epi8('|')), _mm_cmpeq_epi8(x, _mm_set1_epi8('/')));
    const auto found = static_cast<unsigned>(_mm_movemask_epi8(_mm_or_si128(quote_or_backslash, bar_or_slash)));
    if (found != 0) return i + static_cast<std::size_t>(std::countr_zero(found));
  }
#endif
  while (i < s.size() && !is_comment_mark(s[i])) ++i;
  return i;
}

}  // namespace

std::size_t CommentScan::feed(std::string_view s) {
  if (s.empty()) return std::string_view::npos;
  if (slash && s.front() == '/') return 0;
  slash = false;
  std::size_t i = 0;
  if (escaped) {
    escaped = false;
    i = 1;
  }
  for (i = next_comment_mark(s, i); i < s.size(); i = next_comment_mark(s, i + 1)) {
    const char c = s[i];
    if (c == '"') {
      in_quotes = !in_quotes;
    } else if (in_quotes) {
      // An escaped byte never closes the quotes.
      if (c == '\\' && ++i == s.size()) escaped = true;
    } else if (c == '|') {
      in_pipes = !in_pipes;
    } else if (!in_pipes && c == '/') {
      if (i + 1 < s.size() && s[i + 1] == '/') return i;
      slash = i + 1 == s.size();
    }
  }
  return std::string_view::npos;
}

std::string_view cut_trailing_comment(std::string_view trimmed) {
  CommentScan scan;
  const std::size_t at = scan.feed(trimmed);
  return at == std::string_view::npos ? trimmed : text::trim_end(trimmed.substr(0, at));
}

Line read_line(std::string_view raw) {
  std::string_view trimmed = text::trim(raw);
  return {raw, trimmed, cut_trailing_comment(trimmed)};
}

namespace {

bool starts(std::string_view s, std::string_view prefix) { return s.starts_with(prefix); }
bool starts_any(std::string_view s, std::string_view a, std::string_view b) { return s.starts_with(a) || s.starts_with(b); }
bool ends(std::string_view s, std::string_view suffix) { return s.ends_with(suffix); }

struct Rule {
  // The bytes a line that the rule takes may start with (its trimmed text
  // does); empty when any may.
  std::string_view firsts;
  bool (*matches)(const Line& l);
  Handler handler;  // none yet: the line is read as prose
};

// The rules in order. A rule tests `content` unless it says otherwise.
constexpr Rule kRules[] = {
    // 1 code block
    {"`", [](const Line& l) { return starts(l.content, "```"); }, build_code_block},
    // 2 comment: reads the uncut line
    {"/", [](const Line& l) { return starts(l.trimmed, "//"); }, build_comment},
    // 3 divider
    {"-", [](const Line& l) {
       return l.content.size() >= 3 && std::all_of(l.content.begin(), l.content.end(), [](char c) { return c == '-'; });
     },
     build_divider},
    // 4 spawn marks
    {"+", [](const Line& l) { return l.content == "+" || l.content == "++"; }, build_spawn},
    // 5 entity
    {"#", [](const Line& l) { return starts_any(l.content, "## Entity:", "## Entity :"); }, build_entity},
    // 6 metric
    {"#", [](const Line& l) { return starts_any(l.content, "## Metric:", "## Metric :"); }, build_metric},
    // 7 heading
    {"#", [](const Line& l) { return starts(l.content, "#") && !starts(l.content, "#("); }, parse_heading},
    // 8 define
    {"d", [](const Line& l) { return starts_any(l.content, "define:@", "define:$"); }, parse_define},
    // 9 mutate
    {"m", [](const Line& l) { return starts_any(l.content, "mutate:@", "mutate:$"); }, parse_mutate},
    // 10 delete
    {"d", [](const Line& l) { return starts_any(l.content, "delete:@", "delete:$"); }, build_delete},
    // 11 query
    {"q", [](const Line& l) { return starts(l.content, "query:"); }, parse_query_line},
    // 12 question-form query
    {"?", [](const Line& l) { return starts(l.content, "? "); }, parse_query_shorthand},
    // 13 flow
    {"f", [](const Line& l) { return l.content == "flow:"; }, parse_flow},
    // 14 validate
    {"v", [](const Line& l) { return starts(l.content, "validate ") && ends(l.content, ":"); }, parse_validate},
    // 15 states
    {"s", [](const Line& l) { return l.content == "states:"; }, parse_states},
    // 16 check
    {"c", [](const Line& l) { return starts(l.content, "check:") && !starts(l.content, "check:@"); }, parse_check},
    // 17 form
    {"f", [](const Line& l) { return starts(l.content, "form:") && !starts(l.content, "form:install"); }, parse_form},
    // 18 module definition
    {"m", [](const Line& l) { return starts(l.content, "mod:$"); }, parse_mod_def},
    // 19 invocation from a "mod:" line
    {"m", [](const Line& l) { return starts(l.content, "mod:"); }, build_mod_line},
    // 20 project
    {"p", [](const Line& l) { return starts(l.content, "project:"); }, parse_project},
    // 21 commands
    {"c", [](const Line& l) { return starts(l.content, "commands:"); }, parse_commands},
    // 22 serve
    {"s", [](const Line& l) { return starts(l.content, "serve:"); }, parse_serve},
    // 23 sync
    {"s", [](const Line& l) { return starts(l.content, "sync:"); }, parse_sync_declaration},
    // 24 git
    {"g", [](const Line& l) { return starts(l.content, "git:"); }, parse_git},
    // 25 snap
    {"s", [](const Line& l) { return starts(l.content, "snap:"); }, build_snap},
    // 26 diff
    {"d", [](const Line& l) { return starts(l.content, "diff:"); }, build_diff},
    // 27 history
    {"h", [](const Line& l) { return starts(l.content, "history:"); }, build_history},
    // 28 status options
    {"s", [](const Line& l) { return starts(l.content, "status:") && l.content.find('/') != std::string_view::npos; },
     build_status},
    // 29 conditional
    {"i", [](const Line& l) { return starts(l.content, "if ") && ends(l.content, ":"); }, parse_conditional},
    // 30 bold line
    {"*", [](const Line& l) { return starts(l.content, "**") && ends(l.content, "**") && l.content.size() >= 5; }, build_bold},
    // 31 webhook
    {"w", [](const Line& l) { return starts(l.content, "webhook:"); }, parse_webhook},
    // 32 remember
    {"r", [](const Line& l) { return starts(l.content, "remember:"); }, build_remember},
    // 33 recall
    {"r", [](const Line& l) { return starts(l.content, "recall:"); }, build_recall},
    // 34 embed marker
    {"^", [](const Line& l) { return starts(l.content, "^") && l.content.size() >= 2; }, build_embed},
    // 35 files
    {"f", [](const Line& l) { return starts(l.content, "files:"); }, parse_files},
    // 36 policy
    {"p", [](const Line& l) { return starts(l.content, "policy:"); }, parse_policy},
    // 37 gate definition
    {"g", [](const Line& l) { return starts(l.content, "gate:") && !starts(l.content, "gate:name"); }, parse_gate},
    // 38 escalate
    {"e", [](const Line& l) { return starts(l.content, "escalate:"); }, build_escalate},
    // 39 use block
    {"u", [](const Line& l) { return starts_any(l.content, "use $", "use @"); }, parse_use_block},
    // 40 project scope
    {"%", [](const Line& l) { return starts(l.content, "%") && l.content.size() >= 2; }, parse_project_scope},
    // 41 invocation
    {"$", [](const Line& l) { return starts(l.content, "$"); }, build_mod_invoke},
    // 42 issue
    {"i", [](const Line& l) { return starts(l.content, "issue:"); }, parse_issue},
    // 43 threaded comment
    {"c", [](const Line& l) { return starts(l.content, "comment:"); }, parse_thread_comment},
    // 44 task
    {"+-[", [](const Line& l) { return is_checkbox_line(l.content); }, parse_task},
    // 45 variable
    {"", [](const Line& l) { return is_variable_line(l.content); }, build_variable},
    // 46 routine
    {"r", [](const Line& l) { return starts(l.content, "routine:"); }, build_routine},
    // 47 to 53 lattice constructs
    {"l", [](const Line& l) { return starts(l.content, "lattice_validates:"); }, parse_lattice_validates},
    {"l", [](const Line& l) { return starts(l.content, "lattice_schema:"); }, parse_lattice_schema},
    {"l", [](const Line& l) { return starts(l.content, "lattice_constraint:"); }, parse_lattice_constraint},
    {"l", [](const Line& l) { return starts(l.content, "lattice_frontier:"); }, parse_lattice_frontier},
    {"p", [](const Line& l) { return starts(l.content, "pressure_effect:"); }, parse_pressure_effect},
    {"u", [](const Line& l) { return starts(l.content, "unit_cell:"); }, parse_unit_cell},
    {"s", [](const Line& l) { return starts(l.content, "symmetry:"); }, parse_symmetry},
};
static_assert(std::size(kRules) == 53, "the 54th rule is the prose fallback");

// For each first byte, the rules that may take a line starting with it, one
// bit each in rule order: most lines are tried against a few rules, not all.
constexpr std::array<uint64_t, 256> kCandidates = [] {
  std::array<uint64_t, 256> candidates{};
  for (std::size_t r = 0; r < std::size(kRules); ++r) {
    for (std::size_t b = 0; b < 256; ++b) {
      const bool may = kRules[r].firsts.empty() || kRules[r].firsts.find(static_cast<char>(b)) != std::string_view::npos;
      if (may) candidates[b] |= uint64_t{1} << r;
    }
  }
  return candidates;
}();

}  // namespace

Handler handler_for(const Line& line) {
  const auto first = static_cast<unsigned char>(line.trimmed.front());
  for (uint64_t rules = kCandidates[first]; rules != 0; rules &= rules - 1) {
    const Rule& rule = kRules[std::countr_zero(rules)];
    if (!rule.matches(line)) continue;
    if (rule.handler) return rule.handler;
    break;
  }
  return build_prose;
}

std::optional<Node> read_node(Parser& p, std::size_t depth, const Line& line, Handler handler) {
  const std::size_t start = p.lines.start(p.pos);
  std::optional<Node> node = handler(p, depth, line);
  if (node) {
    node->line_start = start;
    node->line_end = p.lines.start_or_end(p.pos);
  }
  return node;
}

std::optional<Node> parse_node(Parser& p, std::size_t depth) {
  if (p.pos >= p.lines.size()) return std::nullopt;
  const Line line = read_line(p.lines[p.pos]);
  if (line.trimmed.empty()) {
    ++p.pos;
    return std::nullopt;
  }
  return read_node(p, depth, line, handler_for(line));
}

}  // namespace varn::parse
