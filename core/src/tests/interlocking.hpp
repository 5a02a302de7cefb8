#pragma once
// Random "interlocking" documents: one head line (with the few lines some
// kinds need under it) for each kind of line whose parts a writer places,
// its body drawn from what the comment cut, the gate reader, atoms, bars and
// quotes react to. Deterministic for a given seed: the same lines on every
// machine (no std:: distributions, whose output the library chooses).
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <random>
#include <string>
#include <string_view>
#include <vector>

namespace varn::testing {

class Interlocking {
 public:
  explicit Interlocking(std::uint32_t seed) : rng_(seed) {}

  std::size_t below(std::size_t n) { return rng_() % n; }
  bool coin() { return below(2) == 0; }
  std::string_view pick(std::initializer_list<std::string_view> xs) { return xs.begin()[below(xs.size())]; }

  // Tokens up to a length in [2, most]; weighted as in the lines found to
  // break the writers: spaces and colons most, "||", "{}" and " :aa" seldom.
  std::string body(std::size_t most = 500) {
    static constexpr std::string_view kTokens[] = {
        " ", " ", " ", ":", ":", "/", "//", "\"", "}", "\\", " :a", "#", "{", "@", "a", "b", "g", "é", "|", "{g}", " :b:1",
    };
    static constexpr std::string_view kRare[] = {"||", "{}", " :aa"};
    const std::size_t length = 2 + below(most - 1);
    std::string s;
    while (s.size() < length) {
      s.append(below(32) == 0 ? kRare[below(std::size(kRare))] : kTokens[below(std::size(kTokens))]);
    }
    return s;
  }

 private:
  std::mt19937 rng_;
};

struct InterlockingKind {
  std::string_view name;
  std::string (*make)(Interlocking&);
};

// The parts joined. A braced list is evaluated left to right, so the random
// calls in it run in the same order with every compiler.
inline std::string cat(std::initializer_list<std::string_view> parts) {
  std::string s;
  for (std::string_view p : parts) s.append(p);
  return s;
}

// Each kind with the lines some kinds need under their head (a body, a
// second rule, a key).
inline const InterlockingKind kInterlockingKinds[] = {
    {"heading", [](Interlocking& g) { return cat({std::string(1 + g.below(3), '#'), " ", g.body()}); }},
    {"task", [](Interlocking& g) { return cat({g.pick({"[ ] ", "[x] ", "[A] ", "--[!] ", "+[ ] ", "-[o] ", "[Perf?] "}), g.body()}); }},
    {"define", [](Interlocking& g) { return cat({"define:@", g.body(), g.coin() ? cat({" from @", g.body(60)}) : "", "\n  a: 1"}); }},
    {"mutate", [](Interlocking& g) { return cat({"mutate:@", g.body(120), g.coin() ? cat({":", g.body()}) : "", g.pick({"", " {g}"})}); }},
    {"webhook",
     [](Interlocking& g) {
       // The parts in any order, each there or not.
       std::string parts[] = {cat({"on:|", g.body(), "|"}), cat({"url: ", g.body(60)}), cat({"payload: \"", g.body(), "\""})};
       std::string s = "webhook:";
       for (std::size_t left = 3; left > 0; --left) {
         std::swap(parts[g.below(left)], parts[left - 1]);
         if (g.coin()) s.append(" ").append(parts[left - 1]);
       }
       return s;
     }},
    {"issue", [](Interlocking& g) { return cat({"issue: ", g.body()}); }},
    {"comment", [](Interlocking& g) { return cat({"comment:", g.body(), "\n  body: x"}); }},
    {"sync heading", [](Interlocking& g) { return cat({"## Sync\n  ### ", g.body(), "\n    source: ", g.body(40)}); }},
    {"sync line", [](Interlocking& g) { return cat({"sync: ", g.body(), "\n  source: ", g.body(40), "\n  mode: pull"}); }},
    {"policy", [](Interlocking& g) { return cat({"policy:\n  @", g.body(40), ":", g.body(), "\n  @b: {g}"}); }},
    {"query shorthand", [](Interlocking& g) { return cat({"? ", g.pick({"", "@a where ", "$m.@a(s) "}), g.body()}); }},
    {"query block", [](Interlocking& g) { return cat({"query:\n  ", g.body(), "\n  limit: 3"}); }},
    {"invocation", [](Interlocking& g) { return cat({g.pick({"$", "$m.", "mod:"}), g.body()}); }},
    {"conditional", [](Interlocking& g) { return cat({"if |", g.body(), "|:\n  x"}); }},
    {"use", [](Interlocking& g) { return cat({"use @", g.body(60), g.coin() ? cat({" from ", g.body()}) : ""}); }},
    {"variable",
     [](Interlocking& g) {
       const std::string_view bars = g.pick({"|", "||", ""});
       return cat({"x = ", bars, g.body(), bars});
     }},
    {"quoted statement", [](Interlocking& g) { return cat({g.pick({"snap: ", "remember: ", "recall: "}), g.body()}); }},
    {"routine", [](Interlocking& g) { return cat({"routine: ", g.body(60), " |", g.body(), "|"}); }},
};

// `n` documents of `kind`, each ending in a newline; the same for the same seed.
inline std::vector<std::string> interlocking_documents(const InterlockingKind& kind, std::size_t n, std::uint32_t seed) {
  // Each kind its own stream: the name mixed into the seed (FNV-1a).
  for (const char c : kind.name) seed = (seed ^ static_cast<unsigned char>(c)) * 16777619u;
  Interlocking g(seed);
  std::vector<std::string> docs;
  for (std::size_t i = 0; i < n; ++i) docs.push_back(kind.make(g) + "\n");
  return docs;
}

// Empty when `check` (empty when a document passes) passes `n` documents of
// each kind; else, per failing kind, how many fail and the first few inputs.
template <std::size_t N, class Check>
std::string failing_kinds(const InterlockingKind (&kinds)[N], std::size_t n, Check check) {
  std::string report;
  for (const InterlockingKind& kind : kinds) {
    std::size_t failed = 0;
    std::string first;
    for (const std::string& doc : interlocking_documents(kind, n, 1)) {
      const std::string why = check(doc);
      if (!why.empty() && ++failed <= 3) first += "\n--- input:\n" + doc + why;
    }
    if (failed > 0) {
      report.append(kind.name).append(": ").append(std::to_string(failed)).append(" of ");
      report.append(std::to_string(n)).append(" fail").append(first).append("\n");
    }
  }
  return report;
}

}  // namespace varn::testing
