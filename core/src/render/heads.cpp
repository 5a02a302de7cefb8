#include "render/heads.hpp"

#include "parse/inline.hpp"
#include "parse/parser.hpp"
#include "render/writers.hpp"
#include "text/unicode.hpp"
#include "write/line_search.hpp"
#include "write/head_texts.hpp"
#include "write/read_back.hpp"
#include "write/values.hpp"

namespace varn::render {
namespace {

using write::Filler;
using write::LineSearch;

constexpr std::string_view kCloses = "git:closes #";

// Word pieces: each atom after a space, as it follows a word.
std::vector<std::string> spelled_atoms(const std::vector<Atom>& atoms) {
  std::vector<std::string> out;
  for (const Atom& a : atoms) render_atom_tag(a, out.emplace_back());
  return out;
}

// Gate pieces as the renderer spells them, by name alone, or with a body of a
// lone bar or quote, which hides a "//" as the source's body may have (the
// renderer leaves bodies out, so the spellings offered depend on the names
// alone, and a second rendering chooses alike).
std::vector<std::vector<std::string>> spelled_gates(const std::vector<Gate>& gates) {
  std::vector<std::vector<std::string>> out;
  for (const Gate& g : gates) {
    std::vector<std::string>& spellings = out.emplace_back();
    for (std::string_view body : {"", "|", "\"", "|\"", "\"|"}) {
      std::string spelled;
      render_gate_name(g, body, spelled);
      spelled.erase(0, 1);
      // An empty name would take the mark for its own.
      const std::vector<Gate> back = parse::extract_gates(spelled);
      if (back.size() == 1 && back.front().name == g.name) spellings.push_back(std::move(spelled));
    }
  }
  return out;
}

// Between two words of `text` or after the last.
auto between_words(std::string_view text) {
  return [text](std::size_t k) { return k == text.size() || text[k] == ' '; };
}

// Where the first " from" of `text` that is a word of its own starts.
std::size_t first_from(std::string_view text) {
  constexpr std::string_view kFrom = " from";
  for (std::size_t at = text.find(kFrom); at != std::string_view::npos; at = text.find(kFrom, at + 1)) {
    const std::size_t end = at + kFrom.size();
    if (end == text.size() || text[end] == ' ') return at;
  }
  return std::string_view::npos;
}

// `text` with the space before each word "from" a no-break space, which the
// reader's word split takes as a space.
std::string without_from_word(std::string_view text) {
  std::string out;
  std::size_t copied = 0;
  for (std::size_t at = first_from(text); at != std::string_view::npos; at = first_from(text.substr(copied))) {
    at += copied;
    out.append(text.substr(copied, at - copied)).append("\u00a0");
    copied = at + 1;
  }
  return out.append(text.substr(copied));
}

// The task's text with its closing reference between the slashes of its
// k-th "//" (none past the last), as a source may write it where the
// comment cut would take them: the reader takes the reference out, and the
// slashes meet again.
std::optional<std::string> closes_between_slashes(const Task& t, std::size_t k) {
  std::size_t at = t.text.find("//");
  for (; at != std::string::npos && k > 0; --k) at = t.text.find("//", at + 1);
  if (at == std::string::npos) return std::nullopt;
  std::string text = t.text;
  text.insert(at + 1, std::string(kCloses) + std::to_string(*t.closes));
  return text;
}

}  // namespace

std::string heading_line(const Group& g) {
  const std::string marks(g.depth, '#');
  const bool spaced = write::opens_definition(g.depth, g.name);
  std::string after = marks + (spaced ? "  " : " ") + g.name;
  for (const Atom& a : g.atoms) render_atom_tag(a, after);
  if (write::plain_heading(g.depth, g.name, g.atoms)) return after;
  auto reads_back = [&](const std::string& line) {
    return write::reads_back_as<Group>(
        line, [&](const Group& back) { return back.name == g.name && write::same_atoms(back.atoms, g.atoms); });
  };
  if (reads_back(after)) return after;
  std::string before = marks;
  for (const Atom& a : g.atoms) render_atom_tag(a, before);
  before.append(" ").append(g.name);
  if (reads_back(before)) return before;
  // The space after the marks counts as the name's, so that an atom may go
  // first; the gates, left out elsewhere, only where nothing else hides a
  // "//" of the name.
  const std::string lead = marks + (spaced ? " " : "");
  const std::string text = " " + g.name;
  LineSearch search{.lead = lead, .text = text, .words = spelled_atoms(g.atoms), .word_place = between_words(text)};
  search.gates_in_words = true;
  if (auto line = write::search_line(search, reads_back)) return *line;
  if (g.gates.empty()) return after;
  search.gates = spelled_gates(g.gates);
  return write::search_line(search, reads_back).value_or(after);
}

std::string task_head(const Task& t) {
  std::string bare;
  render_task_marker(t.marker, t.label, bare);
  // The closing reference is left out, but where the text holds one of its
  // own, the task's goes first, or the text's would be taken for it.
  std::string marker = bare;
  if (t.closes && t.text.find(kCloses) != std::string::npos) {
    marker.append(" ").append(kCloses).append(std::to_string(*t.closes));
  }
  // Gates are read from the text left to right and stop at a '{' that does
  // not close: such a text goes after them. Gate bodies are left out, yet
  // one may have hidden a "//" of the text: a lone bar or quote does too.
  const bool gates_first = t.text.find('{') != std::string::npos;
  auto spell = [&](std::string_view lead, std::string_view text, bool gates_first, std::string_view shield) {
    std::string line(lead);
    if (gates_first) {
      for (std::size_t i = 0; i < t.gates.size(); ++i) render_gate_name(t.gates[i], i == 0 ? shield : "", line);
    }
    line.push_back(' ');
    line.append(text);
    if (!gates_first) render_gate_names(t.gates, line);
    return line;
  };
  // The line after `lead` for `text`, the task's own or one holding its
  // closing reference, when one reads back.
  auto placed = [&](std::string_view lead, const std::string& text, bool with_closes) -> std::optional<std::string> {
    auto reads_back = [&](const std::string& line) {
      return write::reads_back_as<Task>(line, [&](const Task& back) {
        return back.text == t.text && same_gate_names(back.gates, t.gates) && (!with_closes || back.closes == t.closes);
      });
    };
    std::string line = spell(lead, text, gates_first, {});
    if (t.gates.empty()) return reads_back(line) ? std::optional(line) : std::nullopt;
    for (std::string_view shield : {"", "|", "\""}) {
      if (!shield.empty()) line = spell(lead, text, true, shield);
      if (reads_back(line)) return line;
    }
    const std::string spaced = std::string(lead) + " ";
    const LineSearch search{.lead = spaced, .text = text, .gates = spelled_gates(t.gates)};
    return write::search_line(search, reads_back);
  };
  const std::string plain = spell(marker, t.text, gates_first, {});
  if (t.gates.empty()) {
    if (!t.closes || write::keeps_whole(plain)) return plain;
  } else if (auto line = placed(marker, t.text, false)) {
    return *line;
  }
  // Where no placing keeps the text's "//", the closing reference may go
  // between its slashes, where it comes before any of the text's own:
  // between those of each of the first few, so that time stays linear.
  for (std::size_t k = 0; t.closes && k < 16; ++k) {
    const std::optional<std::string> text = closes_between_slashes(t, k);
    if (!text) break;
    if (auto line = placed(bare, *text, true)) return *line;
  }
  return plain;
}

std::string define_line(const Define& d) {
  std::string target = "define:";
  write::append_target(target, "", d.mod_scope, d.workspace_scope);
  const std::string scope = d.from_scope ? " from " + *d.from_scope : "";
  const std::vector<std::string> atoms = spelled_atoms(d.atoms);
  std::string after;
  for (const std::string& a : atoms) after.append(a);
  after.append(scope);
  const std::string entity = write::define_entity_text(d.entity, d.mod_scope || d.workspace_scope, after);
  const std::string line = target + entity + after;
  auto reads_back = [&](const std::string& l) { return write::rereads_as(l, d); };
  if (d.atoms.empty() ? write::keeps_whole(line) : reads_back(line)) return line;
  if (!d.atoms.empty()) {
    std::string first = target;
    for (const std::string& a : atoms) first.append(std::string_view(a).substr(1)).push_back(' ');
    first.append(entity).append(scope);
    if (reads_back(first)) return first;
  }
  // Atoms are read only before the line's first " from ": the entity's own,
  // which may start it (after the space below) or end it (then an atom after
  // it would make one); the words after it that start with a colon are
  // dropped, so marks there may hide a "//" of the entity's tail or scope.
  // A space before the entity, which the reader trims, lets an atom go first;
  // where the entity starts with "from @" it would start a scope, so a second
  // space keeps it the entity's, as within it. Where the entity starts with
  // "from", the space makes that the first " from ": without it the atoms
  // may go after the word.
  const std::string spaced = entity.starts_with("from @") ? " from  @" + entity.substr(6) : " " + entity;
  // The atoms go before the text's first " from ", and fillers after it.
  auto search_in = [&](const std::string& text) {
    const std::size_t from = first_from(text);
    const std::size_t atoms_end = from == std::string::npos ? text.size() : from;
    LineSearch search{.lead = target, .text = text, .tail = scope, .words = atoms};
    search.word_place = [&](std::size_t k) { return k <= atoms_end && (k == atoms_end || text[k] == ' '); };
    search.follow_gates = false;
    if (from != std::string::npos) {
      search.fillers = {{" :|", Filler::Where::Words}, {" :\"", Filler::Where::Words}};
      search.filler_place = [&](std::size_t k) { return k > from && (k == text.size() || text[k] == ' '); };
    }
    return write::search_line(search, reads_back);
  };
  for (const std::string& text : {spaced, entity}) {
    if (auto found = search_in(text)) return *found;
    if (first_from(text) != 0) break;
  }
  // Where the atoms must stand after the entity's own " from " (a quote of
  // its later words keeps their "//" from the cut), a no-break space before
  // that "from" parts the words as a space does, but makes no " from ":
  // before each such word, then before the first few alone, so that fillers
  // after the next may hide a "//" of the rest.
  if (const std::string parted = without_from_word(entity); parted != entity) {
    if (auto found = search_in(parted)) return *found;
    std::string text = entity;
    for (int k = 0; k < 4; ++k) {
      const std::size_t at = first_from(text);
      if (at == std::string::npos) break;
      text.replace(at, 1, "\u00a0");
      if (first_from(text) == std::string::npos) break;  // tried above
      if (auto found = search_in(text)) return *found;
    }
  }
  return line;
}

std::string mutate_head(const Mutate& m) {
  constexpr std::string_view kKeyword = "mutate:";
  std::string target(kKeyword);
  write::append_target(target, "", m.mod_scope, m.workspace_scope);
  // The spaces that end the entity of a gated mutation stood before the gate.
  // Before an id they are kept; with nothing after them the line's end would
  // trim them anyway, and they are left out with the gate.
  std::string_view entity = m.entity;
  if (m.gate && !m.id) entity = entity.substr(0, entity.find_last_not_of(' ') + 1);
  std::string rest(entity);
  // Whitespace at the end of the line is trimmed, but not before an id's
  // colon: an entity ending in some gets the colon with no id after it.
  if (m.id || text::trim_end(entity).size() != entity.size()) rest.append(":");
  if (m.id) rest.append(*m.id);
  const std::string line = target + rest;
  // An entity "workspace" before an id holding ".@" would read as a scope
  // after "@": a gate in front of it, which the reader takes out after the
  // scope, keeps it the entity.
  const bool read_as_scope = !m.mod_scope && !m.workspace_scope &&
                             parse::parse_scope_prefix(std::string_view(line).substr(kKeyword.size())).workspace_scope;
  if (!m.gate || (write::keeps_whole(line) && !read_as_scope)) return line;
  // Where the line's "//" needs the gate's bars or quotes, the gate goes in;
  // the reader keeps the first gate only, so a spare one after it, holding a
  // bar or a quote, may hide it where the gate's own cannot.
  std::string gate;
  write::append_gate(gate, *m.gate);
  const LineSearch search{.lead = target,
                          .text = rest,
                          .gates = {{gate}},
                          .fillers = {{"{|}", Filler::Where::AfterGates}, {"{\"}", Filler::Where::AfterGates}}};
  auto reads_back = [&](const std::string& l) {
    return write::reads_back_as<Mutate>(l, [&](const Mutate& back) {
      const bool same_entity = m.id ? back.entity == entity : back.entity.starts_with(entity);
      return same_entity && back.id == m.id &&
             back.mod_scope == m.mod_scope && back.workspace_scope == m.workspace_scope;
    });
  };
  if (read_as_scope && reads_back(target + gate + rest)) return target + gate + rest;
  return write::search_line(search, reads_back).value_or(line);
}

std::string policy_rule_line(const PolicyRule& rule) {
  std::string lead = "@" + rule.path;
  if (rule.gates.empty()) return lead;
  lead.append(": ");
  std::vector<std::vector<std::string>> gates;
  std::string line = lead;
  for (const Gate& g : rule.gates) {
    write::append_gate(gates.emplace_back().emplace_back(), g);
    line.append(gates.back().front());
  }
  if (write::keeps_whole(line)) return line;
  // The reader takes only the gates after the colon: a lone bar or quote
  // before one, which it drops, may hide a "//" of the gates from the cut.
  auto reads_back = [&](const std::string& l) {
    const std::string rule_line = "  " + l;
    parse::Parser p;
    p.lines = parse::Lines::as_given({"policy:", rule_line});
    const std::optional<Node> node = parse::parse_node(p, 0);
    const PolicyDef* back = node ? node->get_if<PolicyDef>() : nullptr;
    return back && back->rules.size() == 1 && back->rules[0].path == rule.path &&
           write::same_gates(back->rules[0].gates, rule.gates);
  };
  const LineSearch search{.lead = lead, .gates = gates, .fillers = {{"|"}, {"\""}}};
  return write::search_line(search, reads_back).value_or(line);
}

std::string sync_heading(const std::string& name) {
  const std::string text = " " + name;
  const std::string plain = "###" + text;
  auto reads_back = [&](const std::string& l) {
    return write::reads_back_as<Group>(l, [&](const Group& back) { return back.name == name; });
  };
  // An atom opening a brace that does not close keeps the name's braces
  // from pairing into a gate.
  const LineSearch search{.lead = "###",
                          .text = text,
                          .word_place = between_words(text),
                          .fillers = {{" :|", Filler::Where::Words},
                                      {" :\"", Filler::Where::Words},
                                      {" :{", Filler::Where::Words}}};
  return write::search_line(search, reads_back).value_or(plain);
}

namespace {

// A gate as the renderer writes it in a head line: by name.
std::string gate_by_name(const Gate& gate) {
  std::string spelled;
  render_gate_name(gate, {}, spelled);
  return spelled.substr(1);
}

// The gates are read from the whole head line, the title from the line cut at
// its comment.
bool issue_head_reads_back(std::string_view line, const IssueDef& issue) {
  const std::string_view trimmed = text::trim(line);
  return same_gate_names(parse::extract_gates(trimmed), issue.gates) &&
         parse::statement_value(parse::cut_trailing_comment(trimmed), "issue:") == issue.title;
}

// What follows `opened` (the text of a gate after its '{', up to a comment
// mark) so that the gate reads back by its name, with its closing brace: the
// rest of its name, or the closing braces of those still open.
std::optional<std::string> gate_completion(std::string_view opened, const Gate& gate) {
  const std::string_view from_name = text::trim_start(opened);
  if (gate.name.starts_with(from_name)) return gate_by_name(gate).substr(1 + from_name.size());
  if (!from_name.starts_with(gate.name) || text::word_length(from_name) != gate.name.size()) return std::nullopt;
  std::size_t open = 0;
  for (char c : from_name) {
    if (c == '{') ++open;
    if (c == '}' && open > 0) --open;
  }
  return std::string(open + 1, '}');
}

// `line` and the issue's gates from the `next` on, each after a space.
std::string with_gates_from(std::string line, const IssueDef& issue, std::size_t next) {
  for (std::size_t i = next; i < issue.gates.size(); ++i) line.append(" ").append(gate_by_name(issue.gates[i]));
  return line;
}

// Where the title holds the first `held` gates: the others follow it behind a
// comment mark; or, behind a '{' of the title that does not close (at
// `unbalanced`), the next starts in the title and closes in the comment.
std::optional<std::string> issue_head_past_comment(const IssueDef& issue, const std::string& head, std::size_t held,
                                                   std::size_t unbalanced) {
  auto reads_back = [&](std::string_view line) { return issue_head_reads_back(line, issue); };
  std::string commented = with_gates_from(head + " //", issue, held);
  if (reads_back(commented)) return commented;
  if (unbalanced == std::string::npos) return std::nullopt;
  const std::string_view open_tail = std::string_view(head).substr(unbalanced + 1);
  // The white space before the mark is the title's to lose and the gate
  // body's to keep: as much as the body holds before its first "//".
  std::string spaced = " //";
  if (const std::optional<std::string>& body = issue.gates[held].body) {
    const std::size_t slashes = body->find("//");
    if (slashes != std::string::npos) {
      const std::string_view before = std::string_view(*body).substr(0, slashes);
      spaced = std::string(before.substr(text::trim_end(before).size())) + "//";
    }
  }
  for (std::string_view mark : {std::string_view("//"), std::string_view(" //"), std::string_view(spaced)}) {
    const auto rest = gate_completion(std::string(open_tail) + std::string(mark), issue.gates[held]);
    if (!rest) continue;
    std::string line = with_gates_from(head + std::string(mark) + *rest, issue, held + 1);
    if (reads_back(line)) return line;
  }
  return std::nullopt;
}

}  // namespace

std::string issue_head(const IssueDef& issue) {
  const std::string head = "issue: " + issue.title;
  if (issue_head_reads_back(head, issue)) return head;  // the title holds every gate
  const std::string plain = with_gates_from(head, issue, 0);
  if (issue_head_reads_back(plain, issue)) return plain;
  // Where the title's gates end: the gates it holds, then an unbalanced '{'.
  std::size_t held = 0;
  std::size_t unbalanced = std::string::npos;
  for (std::size_t from = 0;;) {
    const std::size_t open = head.find('{', from);
    if (open == std::string::npos) break;
    const auto close = parse::find_matching_brace(head, open);
    if (!close) {
      unbalanced = open;
      break;
    }
    ++held;
    from = *close + 1;
  }
  if (held >= issue.gates.size() ||
      !same_gate_names(parse::extract_gates(head), {issue.gates.begin(), issue.gates.begin() + held})) {
    return plain;
  }
  return issue_head_past_comment(issue, head, held, unbalanced).value_or(plain);
}

// A conditional's head line: the condition between bars, or bare where the
// bars would close early on a bar inside it and leave a "//" to the comment
// cut (the bare form reads back as a condition that is not live).
std::string condition_line(const Compute& condition) {
  // The reader drops every colon that ends the line, then trims: a space
  // keeps an expression's own.
  const std::string bars = condition.live ? "||" : "|";
  return write::first_reading_back<Conditional>(
      {"if " + bars + condition.expr + bars + ":", "if " + condition.expr + ":", "if " + condition.expr + " :"},
      [&](const Conditional& back) { return back.condition.expr == condition.expr && back.condition.live == condition.live; });
}

std::string mod_invoke_line(const ModInvoke& invoke) {
  std::string line = "$" + invoke.name;
  if (invoke.method) line += "." + *invoke.method;
  if (invoke.args) line += "(" + *invoke.args + ")";
  if (!write::rereads_as(line, invoke) && invoke.method) {
    std::string mod = "mod:" + *invoke.method;
    if (invoke.args) mod += " " + *invoke.args;
    if (write::rereads_as(mod, invoke)) return mod;
  }
  return line;
}

}  // namespace varn::render
