#pragma once
// Random "respelling" documents: a line behind every head that takes a name
// (and the body lines that carry one), its name drawn from the tokens the
// writers move or add: the plural mark "(s)" and the version mark ":v",
// slashes, the scope prefixes "@", "$m." and "workspace:", and the white
// space that a trim drops (spaces, a tab, U+3000, a CR). Deterministic for
// a given seed, as the interlocking documents are.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "tests/interlocking.hpp"

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
};

}  // namespace varn::testing
