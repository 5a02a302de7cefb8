#pragma once
// Random "respelling" documents: a line behind every head that takes a name
// (and the body lines that carry one), its name drawn from the tokens the
// writers move or add: the plural mark "(s)" and the version mark ":v",
// slashes, the scope prefixes "@", "$m." and "workspace:", and the white
// space that a trim drops (spaces, a tab, U+3000, a CR); and the lines whose
// marks the writers add where the reader would take a "//" or an atom
// otherwise (a define's atoms around a "from", a quoted text, chained flow
// edges). Deterministic for a given seed, as the interlocking documents are.
//
// Beside them, the plain templates of the lines the writers respell, so that
// a test can tell that a writer keeps the template wherever it reads back.
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "tests/interlocking.hpp"
#include "text/unicode.hpp"
#include "varn/model.hpp"
#include "varn/parse.hpp"

namespace varn::testing {

// A name of one to `most` tokens.
inline std::string respelled_name(Interlocking& g, std::size_t most = 8) {
  static constexpr std::string_view kTokens[] = {
      "(s)", "/", "/", "workspace:", "@", "$m.", ".@", ":v", ":", " ", " ", "\t", "\u3000", "\r",
      "a",   "b", "x", "s",          "(", ")",  ".",  "$",  "=", "-", " from @", " where ", " :a", "{g}", "\"", "|", "//", "#", "{", "}",
  };
  const std::size_t length = 1 + g.below(most);
  std::string s;
  for (std::size_t i = 0; i < length; ++i) s.append(kTokens[g.below(std::size(kTokens))]);
  return s;
}

// One to `most` of `tokens`, joined.
inline std::string joined_tokens(Interlocking& g, std::initializer_list<std::string_view> tokens, std::size_t most) {
  std::string s;
  for (std::size_t n = 1 + g.below(most); n > 0; --n) s.append(g.pick(tokens));
  return s;
}

// Each head that takes a name, with the lines some kinds need under it.
inline const InterlockingKind kRespellingKinds[] = {
    {"query shorthand", [](Interlocking& g) { return cat({"? ", respelled_name(g)}); }},
    {"query block",
     [](Interlocking& g) {
       return cat({"query:\n  ", respelled_name(g), g.coin() ? cat({"\n  sort: ", respelled_name(g)}) : "",
                   g.coin() ? cat({"\n  include: ", respelled_name(g), ",", respelled_name(g)}) : ""});
     }},
    {"define",
     [](Interlocking& g) {
       return cat({g.pick({"define:@", "define:$"}), respelled_name(g), "\n  ", respelled_name(g), ": ", respelled_name(g, 3)});
     }},
    {"mutate",
     [](Interlocking& g) {
       return cat({g.pick({"mutate:@", "mutate:$"}), respelled_name(g), "\n  ", respelled_name(g), ": ", respelled_name(g, 3)});
     }},
    {"delete", [](Interlocking& g) { return cat({g.pick({"delete:@", "delete:$"}), respelled_name(g)}); }},
    {"module",
     [](Interlocking& g) { return cat({"mod:$", respelled_name(g), "\n  ", respelled_name(g), ": ", respelled_name(g, 3)}); }},
    {"invocation", [](Interlocking& g) { return cat({g.pick({"$", "mod:", "$m."}), respelled_name(g)}); }},
    {"use", [](Interlocking& g) { return cat({g.pick({"use @", "use $"}), respelled_name(g)}); }},
    {"files and policy", [](Interlocking& g) { return cat({g.pick({"files:\n  @", "policy:\n  @"}), respelled_name(g)}); }},
    {"task clause",
     [](Interlocking& g) {
       return cat({"[ ] t\n  ", g.pick({"status", "depends", "validate"}), g.pick({":", " :"}), respelled_name(g)});
     }},
    {"status options", [](Interlocking& g) { return cat({"status: ", respelled_name(g), "/", respelled_name(g)}); }},
    {"form", [](Interlocking& g) { return cat({"form: ", respelled_name(g), "\n  ", respelled_name(g), ": ", respelled_name(g, 3)}); }},
    {"check", [](Interlocking& g) { return cat({"check: ", respelled_name(g), "\n  ", respelled_name(g), ": x"}); }},
    {"keyword and name",
     [](Interlocking& g) {
       return cat({g.pick({"validate ", "snap: ", "diff: ", "history: ", "git: ", "gate: ", "escalate: ", "%",
                           "serve: ", "project: ", "remember: ", "recall: ", "^", "routine: ", "issue: "}),
                   respelled_name(g), g.coin() ? ":" : ""});
     }},
    {"attribute lines",
     [](Interlocking& g) {
       return cat({g.pick({"validate v:\n  ", "check: c\n  ", "issue: i\n  ", "comment:\n  body: b\n  "}),
                   g.pick({"id", "targets", "requires", "status", "priority", "on", "author", "labels", "milestone"}),
                   g.pick({": ", " :", ":"}), respelled_name(g)});
     }},
    {"named blocks",
     [](Interlocking& g) {
       return cat({g.pick({"gate: ", "%", "bound:", "build:", "run:", "if |", "validate "}), respelled_name(g),
                   g.coin() ? ":" : "", "\n  ", respelled_name(g)});
     }},
    {"commands", [](Interlocking& g) { return cat({"commands:\n  /", respelled_name(g), "\n    description: ", respelled_name(g)}); }},
    {"sync", [](Interlocking& g) { return cat({"sync: ", respelled_name(g), "\n  source: ", respelled_name(g)}); }},
    {"entity and metric",
     [](Interlocking& g) {
       return g.coin() ? cat({"## Entity: ", respelled_name(g), "\n  fields:\n    ", respelled_name(g), ": ", respelled_name(g)})
                       : cat({"## Metric: ", respelled_name(g), "\n  dimensions: ", respelled_name(g), ", ", respelled_name(g)});
     }},
    {"variable", [](Interlocking& g) { return cat({respelled_name(g), " = ", g.pick({"", "@", "|"}), respelled_name(g)}); }},
    {"heading", [](Interlocking& g) { return cat({std::string(1 + g.below(3), '#'), " ", respelled_name(g)}); }},
    {"query snapshot",
     [](Interlocking& g) {
       return cat({g.pick({"? ", "query:\n  "}), g.pick({"", "@", "$m.@"}), respelled_name(g, 3), " from snap:",
                   respelled_name(g, 3), g.coin() ? cat({" where ", respelled_name(g, 3)}) : ""});
     }},
    // Atoms are read only before the line's first " from ", which the entity
    // may start or end with; their bars and quotes may hide its "//".
    {"define atoms",
     [](Interlocking& g) {
       return cat({g.pick({"define:@", "define:@workspace:w.@", "define:$m.@"}), g.pick({"", " from", "from"}),
                   joined_tokens(g, {" a", " @a", " from  @a", " :a", " ://a", " :|", " :\"", " |p//q|", " //", " \"", " |"}, 4),
                   g.pick({"", "", " from", " from @s"})});
     }},
    // A declaration's name under a "Sync" heading, whose atoms the lowering
    // drops: they may hide a "//" of the name, also one that starts it.
    {"sync heading",
     [](Interlocking& g) {
       return cat({"# Sync\n  ## ", joined_tokens(g, {" a", " :a", " :|", " :\"", " //", "//", " |", " \""}, 4),
                   g.coin() ? "\n    source: s" : ""});
     }},
    // Texts read trimmed, with every quote at their ends stripped.
    {"quoted texts",
     [](Interlocking& g) {
       return cat({g.pick({"snap: ", "remember: ", "recall: ", "issue: t\n  milestone: "}), g.pick({"", "\"", "\"\""}),
                   g.pick({"", " ", "\t"}), joined_tokens(g, {"\"", "//", "a", " ", "|", "\\"}, 4), g.pick({"", "\""})});
     }},
    // Edges whose "//" the quotes or bars of the edges before them keep,
    // chained onto their line.
    {"flow edges",
     [](Interlocking& g) {
       const std::initializer_list<std::string_view> names = {"a", ",", " ", "\"", "|", "//", "--", ", --", "{g}", "wait:|", "+"};
       return cat({g.pick({"flow:\n  ", "states:\n  "}), g.pick({"a", "\"a", "|a", "a|", ""}),
                   g.pick({" --> ", " --x--> ", " --wait:|b|--> ", "-->"}), joined_tokens(g, names, 4),
                   g.pick({"-->", " --> ", "+-->"}), joined_tokens(g, names, 3)});
     }},
    {"prompt",
     [](Interlocking& g) {
       return cat({g.pick({"", "project: p\n"}), "commands:\n  /a\n    prompt: ",
                   g.coin() ? cat({"|\n      ", respelled_name(g, 3)}) : respelled_name(g, 3)});
     }},
};

// The writers' templates, plain: the text in its place with none of the
// mends that only some texts need (a space before an unscoped "workspace:",
// a plural or version mark between two slashes, clauses in another order).
// Where such a line reads back, a writer must write it byte for byte.
enum class Writer { Fmt, Render };

inline std::string plain_target(const std::optional<std::string>& mod, const std::optional<std::string>& workspace) {
  if (mod) return "$" + *mod + ".@";
  if (workspace) return "@workspace:" + *workspace + ".@";
  return "@";
}

// Every "(s)" is dropped in one pass: a name that holds one of its own is
// written with each '(' doubled by a mark.
inline std::string plain_plural(std::string_view name, bool plural) {
  if (!plural) return std::string(name);
  const bool escape = name.find("(s)") != std::string_view::npos;
  std::string s = text::trim_start(name).size() != name.size() ? "(s)" : "";
  for (const char c : name) {
    s.push_back(c);
    if (escape && c == '(') s.append("(s)");
  }
  return s + "(s)";
}

inline std::string plain_define_head(const Define& d) {
  std::string s = "define:" + plain_target(d.mod_scope, d.workspace_scope);
  // The entity ends at its first " from @": a second space keeps one of its own.
  std::string_view entity = d.entity;
  for (std::size_t at; (at = entity.find(" from @")) != std::string_view::npos; entity.remove_prefix(at + 7)) {
    s.append(entity.substr(0, at)).append(" from  @");
  }
  s.append(entity);
  for (const Atom& a : d.atoms) s.append(" :").append(a.name).append(a.value ? ":" + *a.value : "");
  if (d.from_scope) s.append(" from ").append(*d.from_scope);
  return s;
}

inline std::string plain_query_expr(const Query& q, Writer writer) {
  const bool scoped = q.mod_scope || q.workspace_scope;
  std::string s = writer == Writer::Fmt || scoped ? plain_target(q.mod_scope, q.workspace_scope) : "";
  s.append(plain_plural(q.entity, q.plural));
  if (q.from_snapshot) s.append(" from snap:").append(*q.from_snapshot);
  if (q.filter) s.append(" where ").append(*q.filter);
  return s;
}

// A field line with the plain name before the value as the writer wrote it.
inline std::string plain_field_line(std::string_view written, const FieldDef& f) {
  const std::size_t indent = written.find_first_not_of(' ');
  const std::size_t colon = written.find(':', indent);
  if (indent == std::string_view::npos || colon == std::string_view::npos) return std::string(written);
  return std::string(written.substr(0, indent)) + plain_plural(f.name, f.plural) + std::string(written.substr(colon));
}

// `written` (the writer's text of `doc`) with the lines of its one node that
// the writers respell in their plain templates; none for other documents.
inline std::optional<std::string> plain_template(const Document& doc, std::string_view written, Writer writer) {
  if (doc.nodes.size() != 1) return std::nullopt;
  std::vector<std::string> lines;
  for (std::size_t at = 0; at <= written.size();) {
    const std::size_t nl = std::min(written.find('\n', at), written.size());
    lines.emplace_back(written.substr(at, nl - at));
    at = nl + 1;
  }
  std::size_t used = lines.size();
  while (used > 0 && lines[used - 1].empty()) --used;
  if (used == 0) return std::nullopt;
  // The field lines come last.
  auto plain_fields = [&](const std::vector<FieldDef>& fields) {
    if (fields.size() >= used) return false;
    for (std::size_t i = 0; i < fields.size(); ++i) {
      std::string& line = lines[used - fields.size() + i];
      line = plain_field_line(line, fields[i]);
    }
    return true;
  };
  const Node& node = doc.nodes.front();
  if (const Define* d = node.get_if<Define>()) {
    if (!plain_fields(d->fields)) return std::nullopt;
    lines[0] = plain_define_head(*d);
  } else if (const FormDef* f = node.get_if<FormDef>()) {
    if (!plain_fields(f->fields)) return std::nullopt;
  } else if (const ModDef* m = node.get_if<ModDef>()) {
    const std::string gap = m->name.starts_with("mod:$") ? " " : "";
    std::string name;
    std::string_view rest = m->name;
    for (std::size_t at; (at = rest.find(":v")) != std::string_view::npos; rest.remove_prefix(at + 2)) {
      name.append(rest.substr(0, at)).append("::vv");
    }
    name.append(rest);
    lines[0] = "mod:$" + gap + name + (writer == Writer::Fmt && m->versioned ? " :v" : "");
  } else if (const Query* q = node.get_if<Query>()) {
    if (lines[0].starts_with("? ")) {
      lines[0] = "? " + plain_query_expr(*q, writer);
    } else if (lines[0] == "query:" && used > 1) {
      lines[1] = lines[1].substr(0, lines[1].find_first_not_of(' ')) + plain_query_expr(*q, writer);
    }
  } else {
    return std::nullopt;
  }
  std::string plain;
  for (std::size_t i = 0; i < lines.size(); ++i) plain.append(i > 0 ? "\n" : "").append(lines[i]);
  return plain;
}

// Empty when the writer (`write(doc, source)`) keeps the plain template of
// the lines it respells wherever that text reads back as the same tree (as
// `comparable` gives it); else both texts.
template <class Write, class Comparable>
std::string check_plain_template(std::string_view source, Writer writer, Write write, Comparable comparable) {
  auto doc = parse_source(source);
  if (!doc) return {};
  const std::string written = write(doc.value(), source);
  const std::optional<std::string> plain = plain_template(doc.value(), written, writer);
  if (!plain || *plain == written) return {};
  auto back = parse_source(*plain);
  if (!back || comparable(back.value()) != comparable(doc.value())) return {};
  return "the plain template reads back, yet another text was written:\n" + *plain + "\n--- written:\n" + written;
}

}  // namespace varn::testing
