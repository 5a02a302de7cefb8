// JSON AST text read back into a document: each case is the input beside the
// document written back as compact JSON, or beside the exact error text.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "tests/golden.hpp"
#include "varn/ast.hpp"

namespace varn {
namespace {

namespace fs = std::filesystem;

// The writer's pretty JSON without the white space outside strings.
std::string minify(std::string_view pretty) {
  std::string out;
  bool in_string = false;
  for (std::size_t i = 0; i < pretty.size(); ++i) {
    char c = pretty[i];
    if (in_string) {
      out.push_back(c);
      if (c == '\\') {
        out.push_back(pretty[++i]);
      } else if (c == '"') {
        in_string = false;
      }
    } else if (c != ' ' && c != '\n') {
      out.push_back(c);
      in_string = c == '"';
    }
  }
  return out;
}

// The document written back, or the error's display text.
std::string read(std::string_view json) {
  auto doc = deserialize_document(json);
  if (!doc) return display(doc.error());
  return minify(serialize_document(doc.value()));
}

// One node as the only element of `nodes`: the node written back, or the
// error message, which must stand after the closing bracket of `nodes`.
std::string node(const std::string& json) {
  const std::string prefix = "{\"nodes\":[", suffix = "]}";
  std::string out = read(prefix + json + suffix);
  if (out.starts_with(prefix) && out.ends_with(suffix)) {
    return out.substr(prefix.size(), out.size() - prefix.size() - suffix.size());
  }
  const std::string place = " at line 1 column " + std::to_string(prefix.size() + json.size() + 1);
  if (out.ends_with(place)) return out.substr(0, out.size() - place.size());
  return out + " (placed elsewhere)";
}

struct Case {
  std::string in, out;
};

void expect_nodes(std::initializer_list<Case> cases) {
  for (const Case& c : cases) EXPECT_EQ(node(c.in), c.out) << c.in;
}

const std::string kNodeKinds =
    "`Group`, `Task`, `Prose`, `Comment`, `Spawn`, `Divider`, `Define`, `Mutate`, `Delete`, `Query`, `Variable`, "
    "`Flow`, `States`, `Validate`, `Check`, `Form`, `ModDef`, `ModInvoke`, `Git`, `Conditional`, `Snap`, `Diff`, "
    "`History`, `StatusDef`, `Routine`, `Bold`, `Webhook`, `UseBlock`, `Remember`, `Recall`, `EmbedMarker`, "
    "`FilesDef`, `PolicyDef`, `Escalate`, `SyncDef`, `EntityDef`, `MetricDef`, `GateDef`, `LatticeValidates`, "
    "`LatticeConstraint`, `LatticeSchema`, `LatticeFrontier`, `PressureEffect`, `UnitCell`, `Symmetry`, "
    "`CodeBlock`, `Serve`, `Issue`, `ThreadComment`, `Commands`, `Project`, `ProjectScope`, `BoundDef`, "
    "`BuildDef`, `RunDef`, `Directive`";

// ---------------------------------------------------------------- the frame

TEST(AstRead, DocumentForms) {
  const Case cases[] = {
      {R"({"nodes": []})", R"({"nodes":[]})"},
      {R"([[]])", R"({"nodes":[]})"},
      {R"( {"version": 3, "nodes": [], "x": {"y": [1, "z"]}} )", R"({"nodes":[]})"},
      {R"({"n\u006fdes": [["Divider"]]})", R"({"nodes":[{"kind":"Divider"}]})"},
      {"", "EOF while parsing a value at line 1 column 0"},
      {"{}", "missing field `nodes` at line 1 column 2"},
      {"[]", "invalid length 0, expected struct Document with 1 element at line 1 column 2"},
      {"[[], []]", "trailing characters at line 1 column 6"},
      {"[[],]", "trailing comma at line 1 column 5"},
      {"[[]", "EOF while parsing a list at line 1 column 3"},
      {"[[] x", "trailing characters at line 1 column 5"},
      {R"({"nodes": [], "nodes": []})", "duplicate field `nodes` at line 1 column 21"},
      {R"({"nodes": []} x)", "trailing characters at line 1 column 15"},
      {"5", "invalid type: integer `5`, expected struct Document at line 1 column 1"},
      {"\"x\"", "invalid type: string \"x\", expected struct Document at line 1 column 3"},
      {"null", "invalid type: null, expected struct Document at line 1 column 4"},
      {R"({"nodes": 5})", "invalid type: integer `5`, expected a sequence at line 1 column 11"},
      {R"({"nodes": {}})", "invalid type: map, expected a sequence at line 1 column 10"},
      {R"({"nodes": null})", "invalid type: null, expected a sequence at line 1 column 14"},
      {R"({"nodes": [5]})", "invalid type: integer `5`, expected internally tagged enum Node at line 1 column 12"},
      {R"({"x": [1, 2,], "nodes": []})", "trailing comma at line 1 column 13"},
  };
  for (const Case& c : cases) EXPECT_EQ(read(c.in), c.out) << c.in;
}

TEST(AstRead, TopLevelKindIsCheckedWhereItIsRead) {
  const Case cases[] = {
      {R"({"nodes": [{"kind": "group"}]})",
       "unknown variant `group`, expected one of " + kNodeKinds + " at line 1 column 27"},
      // Reported as soon as it is read, before malformed text further on.
      {R"({"nodes": [{"kind": "x", "a": tru)", "unknown variant `x`, expected one of " + kNodeKinds +
                                                   " at line 1 column 23"},
      {R"({"nodes": [{"kind": 0}]})", "invalid type: integer `0`, expected variant identifier at line 1 column 21"},
      {R"({"nodes": [{"kind": [1]}]})", "invalid type: sequence, expected variant identifier at line 1 column 20"},
      {R"({"nodes": [["Group"]]})", "invalid length 0, expected struct Group with 5 elements at line 1 column 21"},
      {R"({"nodes": [[0]]})", "invalid type: integer `0`, expected variant identifier at line 1 column 13"},
      {R"({"nodes": [{"kind": "Snap", "kind": "Snap"}]})", "duplicate field `kind` at line 1 column 34"},
      {R"({"nodes": [{"name": "x"}]})", "missing field `kind` at line 1 column 24"},
      {R"({"nodes": [[]]})", "missing field `kind` at line 1 column 13"},
      // Malformed text inside a node comes before the node's record errors.
      {R"({"nodes": [{"kind": "Snap", "a": tru}]})", "expected ident at line 1 column 37"},
      // A record error is placed after the node: past the comma and the
      // white space after it, or past the bracket that closes `nodes`.
      {R"({"nodes": [{"kind": "Snap"}, {"kind": "Divider"}]})", "missing field `name` at line 1 column 29"},
      {R"({"nodes": [{"kind": "Snap"}]})", "missing field `name` at line 1 column 28"},
      {"{\n  \"nodes\": [\n    {\n      \"kind\": \"Snap\"\n    }\n  ]\n}", "missing field `name` at line 6 column 3"},
      {R"({"nodes": [["Snap", "a"], {"kind": "Group", "children": [{"kind": "Snap"}]}]})",
       "missing field `name` at line 1 column 76"},
  };
  for (const Case& c : cases) EXPECT_EQ(read(c.in), c.out) << c.in;
}

std::string nested_groups(int levels) {
  std::string open, close;
  for (int i = 0; i < levels; ++i) {
    open += R"({"kind":"Group","depth":1,"name":"A","atoms":[],"gates":[],"children":[)";
    close += "]}";
  }
  return "{\"nodes\":[" + open + close + "]}";
}

TEST(AstRead, NestingLimit) {
  EXPECT_EQ(read(nested_groups(62)).substr(0, 30), R"({"nodes":[{"kind":"Group","dep)");
  std::string deeper = read(nested_groups(63));
  EXPECT_TRUE(deeper.starts_with("recursion limit exceeded at line 1 column ")) << deeper;

  std::string brackets = std::string(500000, '[') + std::string(500000, ']');
  EXPECT_EQ(read("[[[\"Divider\", " + brackets + "]]]"), "recursion limit exceeded at line 1 column 139");
  EXPECT_EQ(read(R"({"nodes": [{"kind": "Snap", "x": )" + brackets + "}]}"),
            "recursion limit exceeded at line 1 column 158");
}

TEST(AstRead, ValuesBesideNodesAreSkippedAtAnyDepth) {
  const std::size_t n = 1'000'000;
  std::string deep = std::string(n, '[') + std::string(n, ']');
  EXPECT_EQ(read(R"({"x": )" + deep + R"(, "nodes": [["Divider"]], "y": )" + deep + "}"),
            R"({"nodes":[{"kind":"Divider"}]})");
  std::string objects;
  for (std::size_t i = 0; i < n; ++i) objects += R"({"a":)";
  objects += "1" + std::string(n, '}');
  EXPECT_EQ(read(R"({"x": )" + objects + R"(, "nodes": []})"), R"({"nodes":[]})");
}

// ---------------------------------------------------------------- nodes without records

TEST(AstRead, DividerAndSpawn) {
  expect_nodes({
      {R"({"kind":"Divider","note":1})", R"({"kind":"Divider"})"},
      {R"(["Divider"])", R"({"kind":"Divider"})"},
      {R"(["Divider",1])", "invalid length 1, expected 0 elements in sequence"},
      {R"({"kind":"Spawn","Parallel":null})", R"({"kind":"Spawn","Parallel":null})"},
      {R"({"kind":"Spawn","Parallel":{}})", R"({"kind":"Spawn","Parallel":null})"},
      {R"({"Sequential":null,"kind":"Spawn"})", R"({"kind":"Spawn","Sequential":null})"},
      {R"({"kind":"Spawn"})", "invalid value: map, expected map with a single key"},
      {R"({"kind":"Spawn","Parallel":null,"x":1})", "invalid value: map, expected map with a single key"},
      {R"({"kind":"Spawn","Parallel":1})", "invalid type: integer `1`, expected unit"},
      {R"({"kind":"Spawn","Parallel":[]})", "invalid type: sequence, expected unit"},
      {R"({"kind":"Spawn","parallel":null})", "unknown variant `parallel`, expected `Parallel` or `Sequential`"},
      {R"(["Spawn","Parallel"])", "invalid type: sequence, expected string or map"},
  });
}

// ---------------------------------------------------------------- group, task, git

const std::string kGroup = R"({"kind":"Group","depth":1,"name":"A","atoms":[],"gates":[],"children":[]})";

TEST(AstRead, Group) {
  expect_nodes({
      {R"({"depth": 1, "kind": "Group", "name": "A", "atoms": [], "gates": [], "children": []})", kGroup},
      {R"(["Group", 1, "A", [], [], []])", kGroup},
      {R"({"kind":"Group","title":"x","children":[],"gates":[],"atoms":[],"name":"A","depth":1})", kGroup},
      {R"({"kind":"Group","depth":2,"name":"A","atoms":[{"name":"q3"},["due","1"]],"gates":[["g",null]],"children":[]})",
       R"({"kind":"Group","depth":2,"name":"A","atoms":[{"name":"q3","value":null},{"name":"due","value":"1"}],"gates":[{"name":"g","body":null}],"children":[]})"},
      {R"({"kind":"Group","depth":256,"name":"A","atoms":[],"gates":[],"children":[]})",
       "invalid value: integer `256`, expected u8"},
      {R"({"kind":"Group","depth":1.0})", "invalid type: floating point `1.0`, expected u8"},
      {R"({"kind":"Group","depth":-1})", "invalid value: integer `-1`, expected u8"},
      {R"({"kind":"Group","depth":true})", "invalid type: boolean `true`, expected u8"},
      {R"({"kind":"Group","depth":1,"name":null})", "invalid type: null, expected a string"},
      {R"({"kind":"Group","depth":1,"name":"A","atoms":[],"children":[]})", "missing field `gates`"},
      {R"({"kind":"Group","depth":1,"atoms":[],"gates":[]})", "missing field `name`"},
      {R"({"kind":"Group","depth":1,"name":"A","atoms":null})", "invalid type: null, expected a sequence"},
      {R"({"kind":"Group","depth":1,"name":"A","name":"B"})", "duplicate field `name`"},
      {R"({"kind":"Group","depth":1,"Name":"A","atoms":[],"gates":[],"children":[]})", "missing field `name`"},
      {R"(["Group",1,"A",[],[]])", "invalid length 4, expected struct Group with 5 elements"},
      {R"(["Group",1,"A",[],[],[],7])", "invalid length 6, expected 5 elements in sequence"},
      {R"({"kind":"Group","depth":1,"name":"A","atoms":["x"]})", "invalid type: string \"x\", expected struct Atom"},
      {R"({"kind":"Group","depth":1,"name":"A","atoms":[],"gates":[5]})",
       "invalid type: integer `5`, expected struct Gate"},
  });
}

TEST(AstRead, NestedNodes) {
  auto in_group = [](const std::string& child) {
    return R"({"kind":"Group","depth":1,"name":"A","atoms":[],"gates":[],"children":[)" + child + "]}";
  };
  expect_nodes({
      {in_group(R"({"kind":20,"name":"base"})"), in_group(R"({"kind":"Snap","name":"base"})")},
      {in_group(R"([20,"base"])"), in_group(R"({"kind":"Snap","name":"base"})")},
      {in_group(R"({"kind":56})"), "invalid value: integer `56`, expected variant index 0 <= i < 56"},
      {in_group(R"({"kind":-1})"), "invalid type: integer `-1`, expected variant identifier"},
      {in_group(R"({"kind":1.5})"), "invalid type: floating point `1.5`, expected variant identifier"},
      {in_group(R"({"kind":"snap"})"), "unknown variant `snap`, expected one of " + kNodeKinds},
      {in_group("5"), "invalid type: integer `5`, expected internally tagged enum Node"},
      {in_group("{}"), "missing field `kind`"},
      {in_group("[]"), "missing field `kind`"},
      {in_group(R"({"kind":"Snap","kind":"Snap","name":"x"})"), "duplicate field `kind`"},
      {in_group(in_group(R"({"kind":"Snap"})")), "missing field `name`"},
  });
}

const std::string kMarker = R"({"kind":"Open","priority":"None","prefix":"None","seq":null})";

std::string task_with(const std::string& members) {
  return R"({"kind":"Task","text":"t","inline":[],"gates":[],"children":[])" + members + "}";
}

TEST(AstRead, Task) {
  const std::string bare = R"({"kind":"Task","marker":)" + kMarker +
                           R"(,"label":null,"text":"t","inline":[],"gates":[],"children":[]})";
  expect_nodes({
      {task_with(R"(,"marker":{"kind":"Open","priority":"None","prefix":"None"})"), bare},
      {task_with(R"(,"marker":["Open","None","None",null],"label":null)"), bare},
      {task_with(R"(,"marker":)" + kMarker + R"(,"on_pass":[],"closes":7,"status":"s")"),
       R"({"kind":"Task","marker":)" + kMarker +
           R"(,"label":null,"text":"t","inline":[],"gates":[],"children":[],"on_pass":[],"closes":7,"status":"s"})"},
      {task_with(R"(,"marker":)" + kMarker + R"(,"match_arms":[{"pattern":"p","children":[["Divider"]]}])"),
       R"({"kind":"Task","marker":)" + kMarker +
           R"(,"label":null,"text":"t","inline":[],"gates":[],"children":[],"match_arms":[{"pattern":"p","children":[{"kind":"Divider"}]}]})"},
      {task_with(R"(,"marker":)" + kMarker + R"(,"closes":4294967296)"),
       "invalid value: integer `4294967296`, expected u32"},
      {R"({"kind":"Task"})", "missing field `marker`"},
      {R"(["Task",)" + kMarker + R"(,null,"t",[],[],[],null,null,null,null,null,null])",
       "invalid length 12, expected struct Task with 13 elements"},
      {task_with(R"(,"marker":{"kind":"Open","priority":"None","prefix":"Subtask"})"),
       "invalid type: unit variant, expected newtype variant"},
      {task_with(R"(,"marker":{"kind":"Open","priority":"None","prefix":{"Subtask":3}})"),
       R"({"kind":"Task","marker":{"kind":"Open","priority":"None","prefix":{"Subtask":3},"seq":null},"label":null,"text":"t","inline":[],"gates":[],"children":[]})"},
      {task_with(R"(,"marker":{"kind":"Open","priority":"None","prefix":{"Subtask":256}})"),
       "invalid value: integer `256`, expected u8"},
      {task_with(R"(,"marker":{"kind":"Open","priority":"None","prefix":{"Subtask":"3"}})"),
       "invalid type: string \"3\", expected u8"},
      {task_with(R"(,"marker":{"kind":"Open","priority":"None","prefix":{"None":[]}})"),
       "invalid type: sequence, expected unit"},
      {task_with(R"(,"marker":{"kind":"open"})"),
       "unknown variant `open`, expected one of `Open`, `Required`, `Optional`, `Completed`"},
      {task_with(R"(,"marker":{"kind":{"Open":1}})"), "invalid type: integer `1`, expected unit"},
      {task_with(R"(,"marker":{"kind":{"Open":{"a":1}}})"), "invalid type: map, expected unit"},
      {task_with(R"(,"marker":{"kind":{"Open":null},"priority":{"Decision":{}},"prefix":"ParallelSubtask","seq":4})"),
       R"({"kind":"Task","marker":{"kind":"Open","priority":"Decision","prefix":"ParallelSubtask","seq":4},"label":null,"text":"t","inline":[],"gates":[],"children":[]})"},
      {task_with(R"(,"marker":{"kind":{}})"), "invalid value: map, expected map with a single key"},
      {task_with(R"(,"marker":{"kind":{"Open":null,"Required":null}})"),
       "invalid value: map, expected map with a single key"},
      {task_with(R"(,"marker":{"kind":5})"), "invalid type: integer `5`, expected string or map"},
      {task_with(R"(,"marker":{"kind":null})"), "invalid type: null, expected string or map"},
      {task_with(R"(,"marker":{"Kind":"Open","priority":"None","prefix":"None"})"), "missing field `kind`"},
      {task_with(R"(,"marker":{"kind":"Open","priority":"none"})"),
       "unknown variant `none`, expected one of `None`, `Required`, `Optional`, `Decision`"},
      {task_with(R"(,"marker":{"kind":"Open","priority":"None","prefix":"Sub"})"),
       "unknown variant `Sub`, expected one of `None`, `Parallel`, `Subtask`, `ParallelSubtask`"},
      {task_with(R"(,"marker":{"kind":"Open","priority":"None","prefix":"None","seq":4294967296})"),
       "invalid value: integer `4294967296`, expected u32"},
      {task_with(R"(,"marker":"Open")"), "invalid type: string \"Open\", expected struct TaskMarker"},
      {task_with(R"(,"marker":)" + kMarker + R"(,"match_arms":[{"pattern":"p"}])"), "missing field `children`"},
  });
}

TEST(AstRead, Git) {
  expect_nodes({
      {R"({"kind":"Git","verb":"push","args":"","body":[["branch","main"],["branch","dev"]]})",
       R"({"kind":"Git","verb":"push","args":"","body":[["branch","main"],["branch","dev"]]})"},
      {R"({"kind":"Git","verb":"v","args":"","body":[["branch"]]})", "invalid length 1, expected a tuple of size 2"},
      {R"({"kind":"Git","verb":"v","args":"","body":[[]]})", "invalid length 0, expected a tuple of size 2"},
      {R"({"kind":"Git","verb":"v","args":"","body":[["a","b","c"]]})",
       "invalid length 3, expected 2 elements in sequence"},
      {R"({"kind":"Git","verb":"v","args":"","body":{"branch":"main"}})", "invalid type: map, expected a sequence"},
      {R"({"kind":"Git","verb":"v","args":"","body":[{"a":"1"}]})", "invalid type: map, expected a tuple of size 2"},
      {R"({"kind":"Git","verb":"v","args":"","body":[["a",1]]})", "invalid type: integer `1`, expected a string"},
      {R"({"kind":"Git","verb":"v"})", "missing field `args`"},
      {R"(["Git","v","a"])", "invalid length 2, expected struct GitOp with 3 elements"},
  });
}

// ---------------------------------------------------------------- statement and block records

TEST(AstRead, StatementRecords) {
  expect_nodes({
      {R"({"kind":"Snap","name":"base"})", R"({"kind":"Snap","name":"base"})"},
      {R"(["Snap","base"])", R"({"kind":"Snap","name":"base"})"},
      {R"(["Snap"])", "invalid length 0, expected struct Snap with 1 element"},
      {R"(["Snap","base","next"])", "invalid length 2, expected 1 element in sequence"},
      {R"({"kind":"History","target":"orders"})", R"({"kind":"History","target":"orders","limit":null})"},
      {R"({"kind":"History","target":"o","limit":4294967295})", R"({"kind":"History","target":"o","limit":4294967295})"},
      {R"({"kind":"History","target":"o","limit":4294967296})", "invalid value: integer `4294967296`, expected u32"},
      {R"({"kind":"History","target":"o","limit":-1})", "invalid value: integer `-1`, expected u32"},
      {R"({"kind":"History","target":"o","limit":1.5})", "invalid type: floating point `1.5`, expected u32"},
      {R"({"kind":"History","target":"o","limit":2e0})", "invalid type: floating point `2.0`, expected u32"},
      {R"({"kind":"History","target":"o","limit":"5"})", "invalid type: string \"5\", expected u32"},
      {R"({"kind":"History","target":"o","limit":{}})", "invalid type: map, expected u32"},
      {R"(["History","orders"])", "invalid length 1, expected struct HistoryOp with 2 elements"},
      {R"(["History","orders",null])", R"({"kind":"History","target":"orders","limit":null})"},
      {R"({"kind":"Delete"})", "missing field `entity`"},
      {R"({"kind":"Delete","entity":"user"})", "missing field `id`"},
      {R"({"kind":"Delete","entity":"user","id":"7"})", R"({"kind":"Delete","entity":"user","id":"7"})"},
      {R"(["Delete","user","7"])", "invalid length 2, expected struct Delete with 4 elements"},
      {R"({"kind":"UseBlock","mod_name":"m","config":[]})", R"({"kind":"UseBlock","mod_name":"m","config":[]})"},
      {R"({"kind":"UseBlock","mod_name":"m"})", "missing field `config`"},
      {R"({"kind":"UseBlock","config":[]})", "missing field `mod_name`"},
      {R"({"kind":"UseBlock","mod_name":"m","config":[["a","1"],["a","2"]]})",
       R"({"kind":"UseBlock","mod_name":"m","config":[["a","1"],["a","2"]]})"},
      {R"({"kind":"UseBlock","mod_name":"m","config":null})", "invalid type: null, expected a sequence"},
      {R"({"kind":"CodeBlock","content":""})", R"({"kind":"CodeBlock","lang":null,"content":""})"},
      {R"({"kind":"CodeBlock","lang":""})", "missing field `content`"},
      {R"({"kind":"Diff","target":"t","from_snapshot":null})", R"({"kind":"Diff","target":"t"})"},
      {R"({"kind":"ModInvoke","name":"m","method":null,"method":"x"})", "duplicate field `method`"},
      {R"({"kind":"Comment","text":"a","note":{"x":[1,2]},"note":3})", R"({"kind":"Comment","text":"a"})"},
      {R"(["Comment","hello"])", R"({"kind":"Comment","text":"hello"})"},
      {R"(["Comment"])", "invalid length 0, expected struct Comment with 1 element"},
      {R"({"kind":"Comment","Text":"a"})", "missing field `text`"},
      {R"({"kind":"Comment","te\u0078t":"a"})", R"({"kind":"Comment","text":"a"})"},
      {R"({"kind":"Comment","text":1,"text":"b"})", "invalid type: integer `1`, expected a string"},
      {R"({"kind":"Comment","text":"a","text":"b"})", "duplicate field `text`"},
      {R"({"kind":"Bold","text":"b"})", R"({"kind":"Bold","text":"b"})"},
      {R"(["Remember","c"])", R"({"kind":"Remember","content":"c"})"},
      {R"(["Recall","q"])", R"({"kind":"Recall","query":"q"})"},
      {R"(["EmbedMarker","t"])", R"({"kind":"EmbedMarker","tag":"t"})"},
      {R"({"kind":"Escalate"})", "missing field `target`"},
  });
}

TEST(AstRead, ConditionalAndProse) {
  expect_nodes({
      {R"({"kind":"Conditional","condition":{"expr":"x > 1","live":false},"children":[{"kind":"Conditional","condition":["y",true],"children":[]}]})",
       R"({"kind":"Conditional","condition":{"expr":"x > 1","live":false},"children":[{"kind":"Conditional","condition":{"expr":"y","live":true},"children":[]}]})"},
      {R"({"kind":"Conditional","condition":"x","children":[]})", "invalid type: string \"x\", expected struct Compute"},
      {R"({"kind":"Conditional","condition":null,"children":[]})", "invalid type: null, expected struct Compute"},
      {R"({"kind":"Conditional","condition":{"expr":"x"},"children":[]})", "missing field `live`"},
      {R"({"kind":"Conditional","condition":{},"children":[]})", "missing field `expr`"},
      {R"({"kind":"Conditional","condition":["x"],"children":[]})",
       "invalid length 1, expected struct Compute with 2 elements"},
      {R"({"kind":"Conditional"})", "missing field `condition`"},
      {R"({"kind":"Prose","text":"hi"})", "missing field `inline`"},
      {R"({"kind":"Prose","text":"hi","inline":[]})", R"({"kind":"Prose","text":"hi","inline":[]})"},
      {R"({"kind":"Prose","text":"hi","inline":[{"kind":"Text","value":"hi"}]})",
       R"({"kind":"Prose","text":"hi","inline":[{"kind":"Text","value":"hi"}]})"},
  });
}

TEST(AstRead, Variable) {
  expect_nodes({
      {R"({"kind":"Variable","name":"v","value":{"Literal":"x"}})",
       R"({"kind":"Variable","name":"v","value":{"Literal":"x"}})"},
      {R"(["Variable","v",{"Compute":["a",true]}])",
       R"({"kind":"Variable","name":"v","value":{"Compute":{"expr":"a","live":true}}})"},
      {R"({"kind":"Variable","name":"v","value":{"Ref":{"path":["a","b"],"plural":false,"scope":1}}})",
       R"({"kind":"Variable","name":"v","value":{"Ref":{"path":["a","b"],"plural":false}}})"},
      {R"({"kind":"Variable","name":"v","value":"Literal"})", "invalid type: unit variant, expected newtype variant"},
      {R"({"kind":"Variable","name":"v","value":{"Literal":5}})", "invalid type: integer `5`, expected a string"},
      {R"({"kind":"Variable","name":"v","value":{"Compute":"x"}})",
       "invalid type: string \"x\", expected struct Compute"},
      {R"({"kind":"Variable","name":"v","value":{"Ref":"x"}})", "invalid type: string \"x\", expected struct Ref"},
      {R"({"kind":"Variable","name":"v","value":{"Bogus":1}})",
       "unknown variant `Bogus`, expected one of `Literal`, `Compute`, `Ref`"},
      {R"({"kind":"Variable"})", "missing field `name`"},
  });
}

TEST(AstRead, FlowAndEdges) {
  expect_nodes({
      {R"({"kind":"Flow","edges":[]})", R"({"kind":"Flow","name":null,"edges":[]})"},
      {R"({"kind":"Flow","name":"f"})", "missing field `edges`"},
      {R"({"kind":"Flow","edges":[{"from":["a"],"to":["b"],"parallel":false}]})",
       R"({"kind":"Flow","name":null,"edges":[{"from":["a"],"to":["b"],"label":null,"parallel":false,"gate":null,"wait":null,"timeout":null}]})"},
      {R"({"kind":"Flow","edges":[{"from":["a"],"to":["b"],"label":"l","gate":"g","wait":"w","timeout":"t"}]})",
       "missing field `parallel`"},
      {R"({"kind":"Flow","edges":[[["a"],["b"],null,true,null,null]]})",
       "invalid length 6, expected struct FlowEdge with 7 elements"},
      {R"({"kind":"Flow","edges":[[["a"],["b"],null,true,null,null,null,null]]})",
       "invalid length 8, expected 7 elements in sequence"},
      {R"({"kind":"Flow","edges":[{"from":"a"}]})", "invalid type: string \"a\", expected a sequence"},
  });
}

TEST(AstRead, QueryDefineMutate) {
  expect_nodes({
      {R"({"kind":"Query","entity":"task","plural":true})",
       R"({"kind":"Query","entity":"task","plural":true,"filter":null,"sort":null,"limit":null,"include":null})"},
      {R"({"kind":"Query","entity":"task","plural":true,"include":[]})",
       R"({"kind":"Query","entity":"task","plural":true,"filter":null,"sort":null,"limit":null,"include":[]})"},
      {R"({"kind":"Query","entity":"task"})", "missing field `plural`"},
      {R"({"kind":"Query","plural":false})", "missing field `entity`"},
      {R"({"kind":"Query","entity":"t","plural":"true"})", "invalid type: string \"true\", expected a boolean"},
      {R"({"kind":"Query","entity":"t","plural":true,"limit":2.5})", "invalid type: floating point `2.5`, expected u32"},
      {R"(["Query","t",true,null,null,null,null,null,null])",
       "invalid length 8, expected struct Query with 9 elements"},
      {R"({"kind":"Define","entity":"e","atoms":[],"fields":[]})",
       R"({"kind":"Define","entity":"e","atoms":[],"fields":[]})"},
      {R"({"kind":"Define","entity":"e"})", "missing field `atoms`"},
      {R"({"kind":"Mutate","entity":"e","fields":[["a","1"]]})",
       R"({"kind":"Mutate","entity":"e","id":null,"gate":null,"fields":[["a","1"]]})"},
      {R"({"kind":"Mutate","entity":"e","gate":{"name":"g"},"fields":[]})",
       R"({"kind":"Mutate","entity":"e","id":null,"gate":{"name":"g","body":null},"fields":[]})"},
      {R"({"kind":"Mutate","entity":"e","gate":["g",null],"fields":[],"batch":[{"id":"1","fields":[["k","v"]]}]})",
       R"({"kind":"Mutate","entity":"e","id":null,"gate":{"name":"g","body":null},"fields":[],"batch":[{"id":"1","fields":[["k","v"]]}]})"},
      {R"({"kind":"Mutate","entity":"e","gate":["g"],"fields":[]})",
       "invalid length 1, expected struct Gate with 2 elements"},
      {R"({"kind":"Mutate","entity":"e","fields":[["a"]]})", "invalid length 1, expected a tuple of size 2"},
      {R"({"kind":"Mutate","entity":"e"})", "missing field `fields`"},
  });
}

std::string define_default(const std::string& value) {
  return R"({"kind":"Define","entity":"e","atoms":[],"fields":[{"name":"n","plural":false,"default":)" + value +
         "}]}";
}

TEST(AstRead, FieldValues) {
  const Case cases[] = {
      {R"({"Int":5})", R"({"Int":5})"},
      {R"({"Int":-9223372036854775808})", R"({"Int":-9223372036854775808})"},
      {R"({"Int":9223372036854775808})", "invalid value: integer `9223372036854775808`, expected i64"},
      {R"({"Int":5.0})", "invalid type: floating point `5.0`, expected i64"},
      {R"({"Float":5})", R"({"Float":5.0})"},
      {R"({"Float":-2})", R"({"Float":-2.0})"},
      {R"({"Float":"5"})", "invalid type: string \"5\", expected f64"},
      {R"({"Trit":-1})", R"({"Trit":-1})"},
      {R"({"Trit":5})", R"({"Trit":5})"},
      {R"({"Trit":200})", "invalid value: integer `200`, expected i8"},
      {R"({"Trit":-129})", "invalid value: integer `-129`, expected i8"},
      {R"({"Bool":1})", "invalid type: integer `1`, expected a boolean"},
      {R"({"Enum":["a","b"]})", R"({"Enum":["a","b"]})"},
      {R"({"Enum":"a"})", "invalid type: string \"a\", expected a sequence"},
      {R"("List")", R"("List")"},
      {R"({"List":null})", R"("List")"},
      {R"({"List":{}})", R"("List")"},
      {R"({"List":[]})", "invalid type: sequence, expected unit"},
      {R"("Nil")", R"("Nil")"},
      {R"("Str")", "invalid type: unit variant, expected newtype variant"},
      {R"({"Timestamp":"t"})", R"({"Timestamp":"t"})"},
      {"null", "invalid type: null, expected string or map"},
      {R"("str")",
       "unknown variant `str`, expected one of `Str`, `Int`, `Float`, `Bool`, `Atom`, `Enum`, `Ref`, `List`, "
       "`Timestamp`, `Nil`, `Trit`"},
  };
  const std::string head = R"({"kind":"Define","entity":"e","atoms":[],"fields":[{"name":"n","plural":false,"default":)";
  for (const Case& c : cases) {
    std::string out = node(define_default(c.in));
    if (out.starts_with(head)) out = out.substr(head.size(), out.size() - head.size() - 3);
    EXPECT_EQ(out, c.out) << c.in;
  }
  EXPECT_EQ(node(R"({"kind":"Define","entity":"e","atoms":[],"fields":[{"name":"n","plural":false}]})"),
            "missing field `default`");
}

TEST(AstRead, ThreadComment) {
  expect_nodes({
      {R"({"kind":"ThreadComment","body":"b","gates":[],"children":[]})",
       R"({"kind":"ThreadComment","body":"b","gates":[],"children":[]})"},
      {R"({"kind":"ThreadComment","body":"b","reactions":null,"gates":[],"children":[]})",
       "invalid type: null, expected a sequence"},
      {R"({"kind":"ThreadComment","on":"x","gates":[],"children":[]})", "missing field `body`"},
      {R"(["ThreadComment","c1","ann","hello"])", "invalid length 4, expected struct ThreadComment with 7 elements"},
      {R"(["ThreadComment","c1","ann","hello",[]])",
       "invalid length 4, expected struct ThreadComment with 7 elements"},
      {R"(["ThreadComment","c1","ann"])", "invalid length 2, expected struct ThreadComment with 7 elements"},
      {R"(["ThreadComment","c1","ann","hello",["+1"],null,[],[["ThreadComment",null,null,"re",[],null,[],[]]]])",
       R"({"kind":"ThreadComment","on":"c1","author":"ann","body":"hello","reactions":["+1"],"gates":[],"children":[{"kind":"ThreadComment","body":"re","gates":[],"children":[]}]})"},
      {R"({"kind":"ThreadComment","body":"b","gates":[],"children":[{"body":"x"}]})", "missing field `kind`"},
  });
}

// ---------------------------------------------------------------- inline items

TEST(AstRead, InlineItems) {
  const std::string kInlineKinds =
      "`Text`, `Ref`, `Channel`, `ModCall`, `Compute`, `Bold`, `Atom`, `Gate`, `Time`, `ProjectRef`";
  const Case cases[] = {
      {R"({"kind":"Text","value":"hi","extra":[1,2]})", R"({"kind":"Text","value":"hi"})"},
      {R"({"value":"hi","kind":"Text"})", R"({"kind":"Text","value":"hi"})"},
      {R"(["Text","hi"])", R"({"kind":"Text","value":"hi"})"},
      {R"([0,"hi"])", R"({"kind":"Text","value":"hi"})"},
      {R"({"kind":"Text"})", "missing field `value`"},
      {R"({"kind":"Channel"})", "missing field `name`"},
      {R"({"kind":"Bold","value":"a","value":"b"})", "duplicate field `value`"},
      {R"({"kind":"ModCall","name":"m"})", R"({"kind":"ModCall","name":"m","args":null})"},
      {R"({"kind":"ModCall","args":"x"})", "missing field `name`"},
      {R"({"kind":"Text","value":5})", "invalid type: integer `5`, expected a string"},
      {R"(["ModCall","m"])", "invalid length 1, expected struct variant Inline::ModCall with 2 elements"},
      {R"(["ModCall","m",null])", R"({"kind":"ModCall","name":"m","args":null})"},
      {R"(["Text","a","b"])", "invalid length 2, expected 1 element in sequence"},
      {R"(["Text"])", "invalid length 0, expected struct variant Inline::Text with 1 element"},
      {R"(["ProjectRef"])", "invalid length 0, expected struct variant Inline::ProjectRef with 1 element"},
      {R"({"kind":10})", "invalid value: integer `10`, expected variant index 0 <= i < 10"},
      {R"({"kind":"Texts"})", "unknown variant `Texts`, expected one of " + kInlineKinds},
      {R"({"kind":true})", "invalid type: boolean `true`, expected variant identifier"},
      {"5", "invalid type: integer `5`, expected internally tagged enum Inline"},
      {R"({"kind":"Text","kind":"Text","value":"a"})", "duplicate field `kind`"},
      {R"({"value":"a"})", "missing field `kind`"},
      {R"({"kind":"Time","constraint":"c","expr":"e","expr":"f"})", "duplicate field `expr`"},
      {R"(["Time","c"])", "invalid length 1, expected struct Time with 2 elements"},
      {R"({"kind":"Ref","path":["a"],"plural":"true"})", "invalid type: string \"true\", expected a boolean"},
      {R"({"kind":"Ref","path":["a"],"plural":true,"scope":"x"})",
       R"({"kind":"Ref","path":["a"],"plural":true})"},
      {R"(["Ref",["a"],true,"m",null])", R"({"kind":"Ref","path":["a"],"plural":true,"mod_scope":"m"})"},
      {R"({"kind":"Atom","name":"x"})", R"({"kind":"Atom","name":"x","value":null})"},
      {R"({"kind":"Atom","value":"x"})", "missing field `name`"},
      {R"([4,"e",true])", R"({"kind":"Compute","expr":"e","live":true})"},
      {R"({"kind":"Gate","name":"g","body":"b"})", R"({"kind":"Gate","name":"g","body":"b"})"},
  };
  const std::string head = R"({"kind":"Prose","text":"","inline":[)";
  for (const Case& c : cases) {
    std::string out = node(head + c.in + "]}");
    if (out.starts_with(head)) out = out.substr(head.size(), out.size() - head.size() - 2);
    EXPECT_EQ(out, c.out) << c.in;
    // Checked without being kept, the items fail as they do when kept.
    const std::string doc = R"({"nodes":[)" + head + c.in + "]}]}";
    auto kept = deserialize_document(doc);
    auto checked = read_document_nodes(
        doc, [](Node&& n) { EXPECT_TRUE(n.get<Prose>().inline_.empty()); }, false);
    EXPECT_EQ(checked ? display(*checked) : "", kept ? "" : display(kept.error())) << c.in;
  }
}

// ---------------------------------------------------------------- the two `kind` members

TEST(AstRead, PayloadKindFollowsTheTag) {
  const std::string mod_def =
      R"({"kind":"ModDef","name":"m","kind":"job","description":null,"trigger":null,"body":[],"versioned":false})";
  const std::string directive = R"({"kind":"Directive","kind":"k","value":"v"})";
  expect_nodes({
      {mod_def, mod_def},
      {R"({"name":"m","kind":"ModDef","body":[],"versioned":false})",
       R"({"kind":"ModDef","name":"m","kind":null,"description":null,"trigger":null,"body":[],"versioned":false})"},
      {directive, directive},
      {R"({"kind":"Directive","value":"v"})", "missing field `kind`"},
      {R"({"kind":"Group","depth":1,"name":"A","atoms":[],"gates":[],"children":[)" + mod_def + "," + directive +
           "]}",
       R"({"kind":"Group","depth":1,"name":"A","atoms":[],"gates":[],"children":[)" + mod_def + "," + directive +
           "]}"},
      {R"({"kind":"Group","depth":1,"name":"A","atoms":[],"gates":[],"children":[{"kind":"Directive","kind":"k","kind":"l","value":"v"}]})",
       "duplicate field `kind`"},
  });
  // At the top level the third `kind` is refused where it is read.
  EXPECT_EQ(read(R"({"nodes":[{"kind":"Directive","kind":"k","kind" :"l","value":"v"}]})"),
            "duplicate field `kind` at line 1 column 48");
  EXPECT_EQ(read(R"({"nodes":[{"kind":"ModDef","name":"m","kind":"job","kind":"x"}]})"),
            "duplicate field `kind` at line 1 column 57");
}

TEST(AstRead, NulCharactersSurvive) {
  auto doc = deserialize_document(R"({"nodes":[{"kind":"Comment","text":"a\u0000b"}]})");
  ASSERT_TRUE(doc);
  EXPECT_EQ(doc.value().nodes[0].get<Comment>().text, std::string("a\0b", 3));
}

// ---------------------------------------------------------------- what the writer writes reads back

// Whether a line of pretty JSON is a double field written as null.
bool null_double_line(std::string_view line) {
  line.remove_prefix(std::min(line.find_first_not_of(' '), line.size()));
  if (line.ends_with(',')) line.remove_suffix(1);
  return line == R"("estimate": null)" || line == R"("fitness": null)" || line == R"("pressure": null)";
}

// A double that is not finite is written as null, which reads back as none,
// and none is left out: such lines are the one expected difference. When the
// line held its object's last field, the comma before it goes too.
std::string without_non_finite(const std::string& json) {
  std::vector<std::string> kept;
  std::size_t start = 0;
  for (std::size_t end; (end = json.find('\n', start)) != std::string::npos; start = end + 1) {
    std::string_view line(json.data() + start, end - start);
    if (kept.empty() || !null_double_line(line)) {
      kept.emplace_back(line);
    } else if (!line.ends_with(',') && kept.back().ends_with(',')) {
      kept.back().pop_back();
    }
  }
  std::string out;
  for (const std::string& line : kept) out += line + '\n';
  return out + json.substr(start);
}

void expect_reads_back(const fs::path& file) {
  const std::string json = testing::slurp(file);
  auto doc = deserialize_document(json);
  ASSERT_TRUE(doc.ok()) << file << ": " << display(doc.error());
  EXPECT_EQ(serialize_document(doc.value()), without_non_finite(json)) << file;
}

TEST(AstRead, WrittenDocumentsReadBackToTheSameBytes) {
  int count = 0;
  for (const auto& entry : fs::directory_iterator(fs::path(VARN_TEST_DATA) / "parse/tests/cases")) {
    if (entry.path().extension() != ".json") continue;
    expect_reads_back(entry.path());
    ++count;
  }
  EXPECT_GT(count, 0);
  // Every node kind with every field filled.
  expect_reads_back(fs::path(VARN_TEST_DATA) / "ast_read/tests/data/every_kind.json");
  expect_reads_back(fs::path(VARN_TEST_DATA) / "ast_write/tests/data/frame.json");
  // Every node kind with its left-out fields left out.
  expect_reads_back(fs::path(VARN_TEST_DATA) / "ast_write/tests/data/bare_kinds.json");
}

}  // namespace
}  // namespace varn
