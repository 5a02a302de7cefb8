#include "write/heads.hpp"

#include <algorithm>
#include <array>
#include <cstdint>
#include <functional>

#include "parse/headings.hpp"
#include "parse/inline.hpp"
#include "parse/parser.hpp"
#include "parse/text.hpp"
#include "text/unicode.hpp"
#include "write/pieces.hpp"
#include "write/placing.hpp"
#include "write/read_back.hpp"
#include "write/values.hpp"

namespace varn::write {

namespace {

constexpr auto npos = std::string_view::npos;

// The gates are read from the whole head line, the title from the line cut at
// its comment.
bool issue_head_reads_back(std::string_view line, const IssueDef& issue, const GateSpelling& spelling) {
  const std::string_view trimmed = text::trim(line);
  const std::vector<Gate> gates = parse::extract_gates(trimmed);
  return spelling.same(gates, issue.gates) &&
         parse::statement_value(parse::cut_trailing_comment(trimmed), "issue:") == issue.title;
}

// What follows `opened` (the text of a gate after its '{', up to a comment
// mark) so that the gate reads back as `gate`, with its closing brace: the rest of its
// name, or of its body after the whitespace the reader trims. A spelling that
// leaves bodies out only closes the braces still open.
std::optional<std::string> gate_completion(std::string_view opened, const Gate& gate, const GateSpelling& spelling) {
  std::string spelled;
  spelling.append(spelled, gate);
  const std::string_view from_name = text::trim_start(opened);
  if (gate.name.starts_with(from_name)) return spelled.substr(1 + from_name.size());
  if (!from_name.starts_with(gate.name) || text::word_length(from_name) != gate.name.size()) return std::nullopt;
  const std::string_view after = text::trim_start(from_name.substr(gate.name.size()));
  if (!spelling.keeps_bodies) {
    std::size_t open = 0;
    for (char c : from_name) {
      if (c == '{') ++open;
      if (c == '}' && open > 0) --open;
    }
    return std::string(open + 1, '}');
  }
  if (!gate.body || !gate.body->starts_with(after)) return std::nullopt;
  return gate.body->substr(after.size()) + "}";
}

}  // namespace

std::string issue_head(const IssueDef& issue, const GateSpelling& spelling) {
  auto reads_back = [&](std::string_view line) { return issue_head_reads_back(line, issue, spelling); };
  const std::string head = "issue: " + issue.title;
  if (reads_back(head)) return head;  // the title holds every gate
  std::string plain = head;
  for (const Gate& gate : issue.gates) {
    plain.push_back(' ');
    spelling.append(plain, gate);
  }
  if (reads_back(plain)) return plain;
  // Where the title's gates end: the gates it holds, then an unbalanced '{'.
  std::size_t held = 0;
  std::size_t unbalanced = npos;
  for (std::size_t from = 0;;) {
    const std::size_t open = head.find('{', from);
    if (open == npos) break;
    const auto close = parse::find_matching_brace(head, open);
    if (!close) {
      unbalanced = open;
      break;
    }
    ++held;
    from = *close + 1;
  }
  if (held >= issue.gates.size() ||
      !spelling.same(parse::extract_gates(head), {issue.gates.begin(), issue.gates.begin() + held})) {
    return plain;
  }
  auto with_rest = [&](std::string line, std::size_t next) {
    for (std::size_t i = next; i < issue.gates.size(); ++i) {
      line.push_back(' ');
      spelling.append(line, issue.gates[i]);
    }
    return line;
  };
  // The gates that the title does not hold follow it behind a comment mark.
  std::string commented = with_rest(head + " //", held);
  if (reads_back(commented)) return commented;
  // Behind an unbalanced '{' the next gate starts in the title and closes in
  // the comment.
  if (unbalanced != npos) {
    const std::string_view open_tail = std::string_view(head).substr(unbalanced + 1);
    // The white space before the mark is the title's to lose and the gate
    // body's to keep: as much as the body holds before its first "//".
    std::string spaced = " //";
    if (const std::optional<std::string>& body = issue.gates[held].body) {
      const std::size_t slashes = body->find("//");
      if (slashes != npos) {
        const std::string_view before = std::string_view(*body).substr(0, slashes);
        spaced = std::string(before.substr(text::trim_end(before).size())) + "//";
      }
    }
    for (std::string_view mark : {std::string_view("//"), std::string_view(" //"), std::string_view(spaced)}) {
      const auto rest = gate_completion(std::string(open_tail) + std::string(mark), issue.gates[held], spelling);
      if (!rest) continue;
      std::string line = with_rest(head + std::string(mark) + *rest, held + 1);
      if (reads_back(line)) return line;
    }
  }
  return plain;
}

std::string heading_line(std::string_view hashes, std::string_view name) {
  std::string line(hashes);
  append_words_with_marks(line, line.size(), name, [](std::string& s, std::size_t n) {
    s.append(n % 2 == 0 ? ":|" : ":\"");
    return true;
  });
  // Braces of the name that pair read as a gate; an atom opening a brace that
  // does not close, before them, keeps them in the name.
  if (name.find('{') == std::string_view::npos) return line;
  const std::size_t depth = hashes.find_first_not_of('#');
  auto reads_back = [&](const std::string& l) {
    return reads_back_as<Group>(l, [&](const Group& g) { return g.depth == depth && g.name == name; });
  };
  if (reads_back(line)) return line;
  if (auto placed = with_piece_placed(line, hashes.size(), ":{ ", reads_back)) return *placed;
  return line;
}

std::string define_line(const Define& define) {
  // The entity's words are read back joined by single spaces, and the first
  // " from @" starts the scope: a second space keeps one in the entity.
  auto append_entity = [&](std::string& line) {
    constexpr std::string_view kFrom = " from @";
    std::string_view rest = define.entity;
    for (std::size_t at; (at = rest.find(kFrom)) != std::string_view::npos; rest.remove_prefix(at + kFrom.size())) {
      line.append(rest.substr(0, at)).append(" from  @");
    }
    line.append(rest);
  };
  auto spell = [&](bool atoms_first) {
    std::string line = "define:";
    append_target(line, "", define.mod_scope, define.workspace_scope);
    if (!atoms_first) append_entity(line);
    for (const Atom& a : define.atoms) {
      if (!atoms_first) line.push_back(' ');
      append_atom(line, a);
      if (atoms_first) line.push_back(' ');
    }
    if (atoms_first) append_entity(line);
    if (define.from_scope) line.append(" from ").append(*define.from_scope);
    return line;
  };
  std::string line = spell(false);
  if (define.atoms.empty() ? keeps_whole(line) : rereads_as(line, define)) return line;
  if (!define.atoms.empty()) {
    if (std::string other = spell(true); rereads_as(other, define)) return other;
    // The atoms where the entity's words need them, the rest at the end.
    std::string lead = "define:";
    append_target(lead, "", define.mod_scope, define.workspace_scope);
    std::string entity;
    append_entity(entity);
    const std::string scope = define.from_scope ? " from " + *define.from_scope : "";
    auto placed = words_with_atoms_reading_back(
        lead, entity, define.atoms,
        [&](std::string& l) {
          l.append(scope);
          return rereads_as(l, define);
        },
        scope);
    if (placed) return *placed;
    // No atom is read after the entity's first " from ": the atoms go among
    // the words before it.
    if (const std::size_t cut = entity.find(" from "); cut != std::string::npos) {
      const std::string rest = entity.substr(cut) + scope;
      placed = words_with_atoms_reading_back(
          lead, std::string_view(entity).substr(0, cut), define.atoms,
          [&](std::string& l) {
            l.append(rest);
            return rereads_as(l, define);
          },
          rest);
      if (placed) return *placed;
    }
  }
  // Without a scope, the words after the first " from " that start with a
  // colon are dropped (neither the entity's nor atoms): marks there hide a
  // "//" of the entity's tail.
  const std::size_t from = define.entity.find(" from ");
  if (from != std::string::npos && define.entity.find(" from @") == std::string::npos && !define.from_scope) {
    // The atoms are read only before that " from ".
    std::string lead = "define:";
    append_target(lead, "", define.mod_scope, define.workspace_scope);
    const std::string_view entity(define.entity);
    auto placed = words_with_atoms_reading_back(lead, entity.substr(0, from), define.atoms, [&](std::string& l) {
      l.append(" from ");
      append_words_with_marks(l, l.size(), entity.substr(from + 6), [](std::string& m, std::size_t n) {
        m.append(n % 2 == 0 ? ":|" : ":\"");
        return true;
      });
      return rereads_as(l, define);
    });
    if (placed) return *placed;
  }
  return line;
}

std::string mutate_head(std::string written, const Mutate& mutate, bool gated) {
  if (!mutate.gate || parse::CommentScan{}.feed(written) == std::string_view::npos) return written;
  // The gate is stripped from wherever it stands before the head is split,
  // so it may go anywhere after the target's '@'.
  std::string bare = "mutate:";
  append_target(bare, "", mutate.mod_scope, mutate.workspace_scope);
  const std::size_t from = bare.size();
  bare.append(mutate.entity);
  if (mutate.id) {
    bare.push_back(':');
    bare.append(*mutate.id);
  } else if (text::trim_end(bare).size() != bare.size()) {
    bare.push_back(':');
  }
  std::string gate;
  append_gate(gate, *mutate.gate);
  const std::function<bool(const std::string&)> reads_back = [&](const std::string& line) {
    return reads_back_as<Mutate>(line, [&](const Mutate& back) {
      return back.entity == mutate.entity && back.id == mutate.id && back.mod_scope == mutate.mod_scope &&
             back.workspace_scope == mutate.workspace_scope &&
             (!gated || (back.gate && same_gates({*back.gate}, {*mutate.gate})));
    });
  };
  auto placed = with_piece_placed(bare, from, gate, reads_back);
  // The reader keeps the first gate only: a spare one after it, holding a bar
  // or a quote, may hide the "//" where the gate's own cannot.
  for (std::string_view spare : {"{|}", "{\"}"}) {
    if (!placed) placed = with_pieces_placed(bare, from, {gate, std::string(spare)}, reads_back);
  }
  return placed ? *placed : written;
}

}  // namespace varn::write
