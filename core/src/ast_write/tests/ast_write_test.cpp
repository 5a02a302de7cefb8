// Every node kind built in code and written as JSON, compared byte for byte
// with the expected documents under data/.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <set>

#include "tests/golden.hpp"
#include "varn/ast.hpp"

namespace varn {
namespace {

void expect_data(const std::string& actual, const std::string& name) {
  testing::expect_golden(actual, std::string(VARN_TEST_DATA) + "/ast_write/tests/data/" + name);
}

Nodes kids() { return Nodes{Prose{"child", {InlineText{"child"}}}}; }
FlowEdge edge() { return {{"a", "b"}, {"c"}, "go", true, "g", "5m", "1h"}; }
AttachmentMeta meta() { return {"m1", {"t"}, {"r1", "r2"}, {"b"}, {"d"}}; }

// One node of each kind with every field filled: present optionals, non-empty
// lists, and numbers at their limits.
Nodes full_nodes() {
  Nodes n;
  n.push_back(Group{255, "Plan", {{"q3", std::nullopt}, {"due", "2025-01-31"}}, {{"owner", "@dana"}}, kids()});
  Task task;
  task.marker = {MarkerKind::Completed, MarkerPriority::Decision, prefix::Subtask{255}, 4294967295u};
  task.label = "L";
  task.text = "Ship \"it\"";
  task.inline_ = {InlineText{"Ship "},
                  Ref{{"a", "b"}, true, "crm", "acme"},
                  InlineChannel{"dev"},
                  InlineModCall{"deploy", "now"},
                  Compute{"a+b", true},
                  InlineBold{"b"},
                  Atom{"x", "1"},
                  Gate{"review", std::nullopt},
                  Time{"before", "friday"},
                  InlineProjectRef{"alpha beta"}};
  task.gates = {{"review", "me"}};
  task.children = kids();
  task.on_pass = kids();
  task.on_fail = Nodes{};
  task.match_arms = std::vector<MatchArm>{{"ok", kids()}};
  task.closes = 0;
  task.depends = "other";
  task.validate = "v";
  task.status = "done";
  n.push_back(std::move(task));
  n.push_back(Prose{"tab\tquote\"back\\esc\x1b", {InlineText{"caf\xc3\xa9 / x"}}});
  n.push_back(Comment{"a // b"});
  n.push_back(SpawnMode::Parallel);
  n.push_back(Divider{});
  n.push_back(Define{"user",
                     {{"a", std::nullopt}},
                     {{"name", true, fv::Str{"s"}},
                      {"i", false, fv::Int{std::numeric_limits<int64_t>::min()}},
                      {"f", false, fv::Float{1e16}},
                      {"nan", false, fv::Float{std::nan("")}},
                      {"b", false, fv::Bool{true}},
                      {"at", false, fv::Atom{"x"}},
                      {"e", false, fv::Enum{{"p", "q"}}},
                      {"e0", false, fv::Enum{}},
                      {"r", false, fv::Ref{"user"}},
                      {"l", false, fv::List{}},
                      {"ts", false, fv::Timestamp{"2024-01-01"}},
                      {"nil", false, fv::Nil{}},
                      {"t", false, fv::Trit{-1}}},
                     "s",
                     "m",
                     "w"});
  n.push_back(Mutate{"user", "1", Gate{"g", "b"}, {{"k", "v"}, {"k", "w"}}, std::vector<BatchRecord>{{"2", {{"a", "b"}}}},
                     "m", "w"});
  n.push_back(Delete{"task", "12", "m", "w"});
  n.push_back(Query{"task", true, "open", "due", 4294967295u, Strings{"a", ""}, "m", "w", "snap1"});
  n.push_back(Variable{"x", Ref{{"p"}, false, std::nullopt, std::nullopt}});
  n.push_back(Flow{"f", {edge()}});
  n.push_back(StatesDef{{edge()}});
  n.push_back(ValidateDef{"v", meta(), kids()});
  n.push_back(CheckDef{"c", meta(), {{"k", "v"}}});
  n.push_back(FormDef{"f", 0u, "grid", {"p1"}, {"c", "e", "d"}, {{"t", "m"}}, {{"x", false, fv::Nil{}}}});
  n.push_back(ModDef{"m", "job", "d", Strings{"on_save"}, {{"k", "v"}}, true});
  n.push_back(ModInvoke{"m", "run", "x y"});
  n.push_back(GitOp{"commit", "-m x", {{"k", "v"}}});
  n.push_back(Conditional{Compute{"x > 1", false}, kids()});
  n.push_back(Snap{"release 1"});
  n.push_back(Diff{"a", "b"});
  n.push_back(HistoryOp{"t", 5u});
  n.push_back(StatusDef{{"a", "b", ""}});
  n.push_back(Routine{"on_save", "x"});
  n.push_back(Bold{" b "});
  n.push_back(Webhook{"push", "https://x", "{}"});
  n.push_back(UseBlock{"crm", {{"k", "v"}}, "e", "fm", "fw", "al"});
  n.push_back(Remember{"r"});
  n.push_back(RecallOp{"q"});
  n.push_back(EmbedMarker{"^x"});
  n.push_back(FilesDef{{"a/*.md"}});
  n.push_back(PolicyDef{{{"src/", {{"review", std::nullopt}}}}});
  n.push_back(Escalate{"\"ops\""});
  n.push_back(SyncDef{"orders", "ops", "s", "i", "m", "t", "daily", "all"});
  n.push_back(EntityDef{"Person", "crm", "ns", "id", {{"email", "string"}}});
  n.push_back(MetricDef{"mrr", "db", "month", {"region"}, "sum(x)", true});
  n.push_back(GateDef{"ship", kids()});
  n.push_back(LatticeValidatesDef{{{"art", "sch", {{"f", true, 0u}}}}, kids()});
  n.push_back(LatticeConstraintDef{"hard", "r", {"a"}, kids()});
  n.push_back(LatticeSchemaDef{{{"n", "string", true}}, kids()});
  n.push_back(LatticeFrontierDef{"s", {"m"}, {"e"}, kids()});
  n.push_back(PressureEffectDef{"grow", "t"});
  n.push_back(UnitCellDef{kids()});
  n.push_back(SymmetryDef{kids()});
  n.push_back(CodeBlock{"py", "x = 1\n  y"});
  n.push_back(ServeDef{"web", "npm start", "8080", "true"});
  n.push_back(IssueDef{"Bug", "7", "t", "open", "high", "dana", {"ui", "p1"}, 2.5, "m1", "2025-01-01", "line1\nline2",
                       {{"review", std::nullopt}}, kids()});
  n.push_back(ThreadComment{"7", "dana", "body", {"+1"}, "2025-01-01", {{"g", std::nullopt}}, kids()});
  n.push_back(CommandsDef{{{"build", "Build it", {"target"}, "do it"}}});
  n.push_back(ProjectDef{"p", "brief", "1h", "fw", "active", CommandsDef{{{"c", "d", {}, "p"}}},
                         ServeDef{"t", "c", std::nullopt, std::nullopt}, 0.5, 1e-6, "ph", "2025", "done", "kpi", "r"});
  n.push_back(ProjectScope{"alpha", kids()});
  n.push_back(BoundDef{"b", kids()});
  n.push_back(BuildDef{"b", kids()});
  n.push_back(RunDef{"r", kids()});
  n.push_back(DirectiveDef{"include", "x"});
  return n;
}

// One node of each kind with every optional absent and every list empty.
Nodes bare_nodes() {
  Nodes n;
  n.push_back(Group{});
  n.push_back(Task{});
  n.push_back(Prose{});
  n.push_back(Comment{});
  n.push_back(SpawnMode::Sequential);
  n.push_back(Divider{});
  n.push_back(Define{});
  n.push_back(Mutate{});
  n.push_back(Delete{});
  n.push_back(Query{});
  n.push_back(Variable{});
  n.push_back(Flow{});
  n.push_back(StatesDef{{FlowEdge{}}});
  n.push_back(ValidateDef{});
  n.push_back(CheckDef{});
  n.push_back(FormDef{});
  n.push_back(ModDef{"m", std::nullopt, std::nullopt, Strings{}, {}, false});
  n.push_back(ModInvoke{});
  n.push_back(GitOp{});
  n.push_back(Conditional{});
  n.push_back(Snap{});
  n.push_back(Diff{});
  n.push_back(HistoryOp{});
  n.push_back(StatusDef{});
  n.push_back(Routine{});
  n.push_back(Bold{});
  n.push_back(Webhook{});
  n.push_back(UseBlock{});
  n.push_back(Remember{});
  n.push_back(RecallOp{});
  n.push_back(EmbedMarker{});
  n.push_back(FilesDef{});
  n.push_back(PolicyDef{});
  n.push_back(Escalate{});
  n.push_back(SyncDef{});
  n.push_back(EntityDef{});
  n.push_back(MetricDef{});
  n.push_back(GateDef{});
  n.push_back(LatticeValidatesDef{{{"a", std::nullopt, {{"f", false, std::nullopt}}}}, {}});
  n.push_back(LatticeConstraintDef{});
  n.push_back(LatticeSchemaDef{});
  n.push_back(LatticeFrontierDef{});
  n.push_back(PressureEffectDef{});
  n.push_back(UnitCellDef{});
  n.push_back(SymmetryDef{});
  n.push_back(CodeBlock{});
  n.push_back(ServeDef{});
  IssueDef issue;
  issue.estimate = std::numeric_limits<double>::infinity();  // present but not finite: null
  n.push_back(issue);
  n.push_back(ThreadComment{});
  n.push_back(CommandsDef{});
  ProjectDef project;
  project.commands = CommandsDef{};
  project.fitness = std::nan("");
  n.push_back(project);
  n.push_back(ProjectScope{});
  n.push_back(BoundDef{});
  n.push_back(BuildDef{});
  n.push_back(RunDef{});
  n.push_back(DirectiveDef{});
  return n;
}

void expect_every_kind_once(const Nodes& nodes) {
  std::set<std::size_t> kinds;
  for (const Node& node : nodes) kinds.insert(node.value.index());
  EXPECT_EQ(nodes.size(), kNodeKindCount);
  EXPECT_EQ(kinds.size(), kNodeKindCount);
}

TEST(AstWrite, EveryKindWithEveryFieldFilled) {
  Document doc{full_nodes()};
  expect_every_kind_once(doc.nodes);
  expect_data(serialize_document(doc), "full_kinds.json");
}

TEST(AstWrite, EveryKindWithNothingFilled) {
  Document doc{bare_nodes()};
  expect_every_kind_once(doc.nodes);
  expect_data(serialize_document(doc), "bare_kinds.json");
}

// The writer that frees the tree as it goes writes the same text, also past
// the size where the text spans many pieces.
TEST(AstWrite, ConsumingWriterWritesTheSameText) {
  Nodes many;
  for (int i = 0; i < 3000; ++i) {
    many.push_back(Prose{"line \"" + std::to_string(i) + "\"\t\u00e9", {InlineText{std::string(i % 97, 'x')}}});
  }
  for (Nodes nodes : {full_nodes(), bare_nodes(), many}) {
    const Document doc{nodes};
    const std::string want = serialize_document(doc);
    EXPECT_EQ(serialize_document(Document{nodes}), want);
  }
}

TEST(AstWrite, EmptyDocumentIsThreeLines) { EXPECT_EQ(serialize_document({}), "{\n  \"nodes\": []\n}"); }

TEST(AstWrite, FrameOfTheReferenceExample) {
  Task task;
  task.text = "Ship it";
  Document doc;
  doc.nodes.push_back(Group{1, "Plan", {}, {}, Nodes{std::move(task)}});
  doc.nodes.push_back(Divider{});
  doc.nodes.push_back(SpawnMode::Sequential);
  expect_data(serialize_document(doc), "frame.json");
}

TEST(AstWrite, AbsentOptionalListIsNullWhereAlwaysWritten) {
  Document doc;
  doc.nodes.push_back(ModDef{"m", std::nullopt, std::nullopt, std::nullopt, {}, false});
  EXPECT_EQ(serialize_document(doc),
            "{\n  \"nodes\": [\n    {\n      \"kind\": \"ModDef\",\n      \"name\": \"m\",\n"
            "      \"kind\": null,\n      \"description\": null,\n      \"trigger\": null,\n"
            "      \"body\": [],\n      \"versioned\": false\n    }\n  ]\n}");
}

TEST(AstWrite, SameTreeWritesTheSameBytes) {
  Document doc{full_nodes()};
  EXPECT_EQ(serialize_document(doc), serialize_document(doc));
}

TEST(AstWrite, DeepTreesAreWrittenWhole) {
  Document doc;
  Group leaf{1, "leaf", {}, {}, {}};
  Node node = leaf;
  for (int i = 0; i < 128; ++i) node = Group{1, "g", {}, {}, Nodes{std::move(node)}};
  doc.nodes.push_back(std::move(node));
  std::string text = serialize_document(doc);
  EXPECT_NE(text.find("\"leaf\""), std::string::npos);
  EXPECT_TRUE(text.ends_with("}"));
}

}  // namespace
}  // namespace varn
