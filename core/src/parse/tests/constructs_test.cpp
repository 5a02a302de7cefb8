// Statement lines, tasks, flows, validations, checks and conditionals beyond
// the golden cases: the edge reader as a table, lines that must survive
// malformed bodies, and multi-byte characters at every position a handler
// cuts text.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "parse/handlers.hpp"
#include "tests/golden.hpp"
#include "varn/ast.hpp"
#include "varn/parse.hpp"

namespace varn::parse {
namespace {

std::string join(const Strings& s) {
  std::string out;
  for (const std::string& x : s) out += (out.empty() ? "" : ",") + x;
  return out;
}

// One edge as "from>to" with its set options after it.
std::string edge_text(const FlowEdge& e) {
  std::string s = join(e.from) + ">" + join(e.to);
  if (e.parallel) s += " parallel";
  if (e.label) s += " label=" + *e.label;
  if (e.gate) s += " gate=" + *e.gate;
  if (e.wait) s += " wait=" + *e.wait;
  if (e.timeout) s += " timeout=" + *e.timeout;
  return s;
}

TEST(FlowEdge, Table) {
  const struct {
    std::string_view line;
    std::vector<std::string> edges;
  } cases[] = {
      {"start --> review", {"start>review"}},
      {"a, b --> c,, d", {"a,b>c,d"}},
      {"a --> b --> c", {"a>b", "b>c"}},
      {"fetch +--> merge", {"fetch>merge parallel"}},
      // The parallel mark never stays in the source name.
      {"a +---> b", {"a>b parallel"}},
      {"a+-+--> b", {"a>b parallel"}},
      {"x --wait:|5m|--> y", {"x>y wait=5m"}},
      {"x --wait:5m--> y", {"x>y wait=5m"}},
      {"x --wait:wait:|5m|--> y", {"x>y wait=5m"}},
      {"x --wait:--> y", {"x>y wait="}},
      {"x --timeout:|1h|--> y", {"x>y timeout=1h"}},
      {"x --timeout:--> y", {"x>y timeout="}},
      {"x --wait--> y", {"x>y label=wait"}},
      {"x --{approve}--> y", {"x>y gate={approve}"}},
      // Source names stop before the "--" that opens the segment.
      {"x --label--> y", {"x>y label=label"}},
      {"a, b --go now--> c", {"a,b>c label=go now"}},
      {"a --one-- two --> c", {"a>c label=one"}},
      {"--label--> y", {"--label>y"}},
      // Runs of dashes that overlap never read backwards.
      {"---> y", {">y"}},
      {"x ----> y", {"x>y"}},
      {"x -----> y", {"x>y"}},
      {"--- --> y", {">y"}},
      {"--> y", {">y"}},
      {"x -->", {"x>"}},
      {"-->", {}},
      {"--> , -->", {}},
      {"no arrow", {}},
      {"", {}},
      {"é --ü--> ö", {"é>ö label=ü"}},
  };
  for (const auto& c : cases) {
    std::vector<std::string> got;
    for (const FlowEdge& e : parse_flow_edge(c.line)) got.push_back(edge_text(e));
    EXPECT_EQ(got, c.edges) << c.line;
  }
}

std::string parse_json(std::string_view source) {
  auto doc = parse_source(source);
  if (!doc.ok()) return "error";
  return serialize_document(doc.value());
}

// Every line of each construct's malformed body carries a token; each token
// must reach the tree, except the ones the construct means to drop.
TEST(NoLineLost, MalformedBodies) {
  const struct {
    std::string_view source;
    std::vector<std::string_view> dropped;
  } cases[] = {
      {"[ ] t0\n  match:\n  t1\n  t2\n  on_pass:\n  t3\n  match:\n  t4\n", {}},
      {"[ ] t0\n  match:\n  t1:\n  on_fail:\n  t2\n  match:\n  t3\n  t4 x:\n", {}},
      {"[ ] t0\n  status:\n  depends: t1\n  validate:t2\n  on pass:\n  on fail:\n  t3\n", {}},
      {"+--[ ] t0\n  t1\n+-[ ] t2\n++-[ ] t3\n+++[ ] t4\n", {}},
      {"-[ ] t0 {t1 t2} {t3\n[t4] git:closes #t5\n[]\n[ ]\n", {}},
      {"flow:\n  t0\n  t1 --> \n  --> t2\n  -->\n  t3 -- t4 --> t5\n  t6 --{t7}--> t8\n", {"t0"}},
      {"states:\n  t0 --> t1 --> t2\n  t3 --wait:|t4|--> t5\n", {}},
      {"validate t0:\n  id\n  t1: t2\n  targets: t3,,\n  requires:\n  [ ] t4\n", {}},
      {"check:t0\n  t1\n  t2: t3\n  id:t4\n  t5:\n  - [ ] t6\n", {"t1", "t6"}},
      {"if ||:\n  t0\nif |||:\n  t1\nif |:\n  t2\nif t3 :\n  t4\n", {}},
      {"## Entity: t0\n  t1\n  source:\n  t2: x\n  fields:\n  t3\n  - t4: t5\n", {"t1", "t2", "t3"}},
      {"```t0\nt1\n  ```t2\nt3\n", {"t2"}},
      {"x = @t0(s) t1\ny = |t2\nz = ||t3|\nw = t4 = t5\n", {}},
      {"delete:@t0\ndelete:$t1.@\nmod:\nmod:t2\nsnap:\nroutine:t3|\nhistory: t4 limit:\ndiff: from snap:\n", {}},
  };
  for (const auto& c : cases) {
    const std::string json = parse_json(c.source);
    for (int k = 0; k < 9; ++k) {
      const std::string token = std::string("t").append(std::to_string(k));
      if (c.source.find(token) == std::string_view::npos) continue;
      const bool dropped = std::find(c.dropped.begin(), c.dropped.end(), token) != c.dropped.end();
      EXPECT_EQ(json.find(token) == std::string::npos, dropped) << token << " in\n" << c.source << "\n" << json;
    }
  }
}

// Strict UTF-8: what parse returns becomes a Python str.
bool valid_utf8(std::string_view s) {
  for (std::size_t i = 0; i < s.size();) {
    const auto c = static_cast<unsigned char>(s[i]);
    std::size_t len = c < 0x80 ? 1 : c >= 0xC2 && c <= 0xDF ? 2 : c >= 0xE0 && c <= 0xEF ? 3 : c >= 0xF0 && c <= 0xF4 ? 4 : 0;
    if (len == 0 || i + len > s.size()) return false;
    for (std::size_t k = 1; k < len; ++k) {
      if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80) return false;
    }
    i += len;
  }
  return true;
}

// Every golden case, with a two-, three- and four-byte character put in turn
// at each character boundary of each line: the parse never cuts one apart.
TEST(MultiByte, AtEveryPositionOfEveryCase) {
  namespace fs = std::filesystem;
  const fs::path dir = fs::path(VARN_TEST_DATA) / "parse/tests/cases";
  const std::string_view inserts[] = {"\xc3\xa9", "\xe3\x80\x80", "\xf0\x9d\x84\x9e"};
  int parses = 0;
  for (const auto& entry : fs::directory_iterator(dir)) {
    if (entry.path().extension() != ".varn") continue;
    const std::string source = varn::testing::slurp(entry.path());
    for (std::size_t at = 0; at <= source.size(); ++at) {
      if (at < source.size() && (static_cast<unsigned char>(source[at]) & 0xC0) == 0x80) continue;
      for (std::string_view ins : inserts) {
        std::string mutated = source;
        mutated.insert(at, ins);
        const std::string json = parse_json(mutated);
        ASSERT_TRUE(valid_utf8(json)) << entry.path().filename() << " at " << at;
        ++parses;
      }
    }
  }
  EXPECT_GT(parses, 0);
}

TEST(Task, SubtaskCountSaturates) {
  for (std::size_t n : {255u, 256u, 1000u}) {
    auto doc = parse_source(std::string(n, '-') + "[ ] deep");
    ASSERT_TRUE(doc.ok());
    const Task& t = doc.value().nodes.at(0).get<Task>();
    EXPECT_EQ(std::get<prefix::Subtask>(t.marker.prefix).count, 255) << n;
    EXPECT_EQ(t.text, "deep");
  }
}

TEST(Variable, ValueForms) {
  const struct {
    std::string_view value;
    std::string want;
  } cases[] = {
      {"", "L:"},
      {"||", "C:"},
      {"|||", "C:|"},
      {"|", "L:|"},
      {"||||", "LIVE:"},
      {"|x", "L:|x"},
      {"@a.b", "R:a.b"},
      {"@a b", "L:@a b"},
      {"@a(s)x", "R:a,x"},
      {"@(", "L:@("},
  };
  for (const auto& c : cases) {
    const VariableValue v = read_variable_value(c.value);
    std::string got;
    if (auto* s = std::get_if<std::string>(&v)) got = "L:" + *s;
    if (auto* k = std::get_if<Compute>(&v)) got = (k->live ? "LIVE:" : "C:") + k->expr;
    if (auto* r = std::get_if<Ref>(&v)) got = "R:" + join(r->path);
    EXPECT_EQ(got, c.want) << c.value;
  }
}

}  // namespace
}  // namespace varn::parse
