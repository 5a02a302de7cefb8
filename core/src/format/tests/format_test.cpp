// Exact output of the formatter for every node kind, built in code.
#include <gtest/gtest.h>

#include <cmath>

#include "format/format.hpp"
#include "format/tests/properties.hpp"
#include "varn/operations.hpp"

namespace varn::format {
namespace {

std::string fmt_nodes(Nodes nodes) { return format_document(Document{std::move(nodes)}); }
std::string fmt_one(Node node) {
  Nodes nodes;
  nodes.push_back(std::move(node));
  return fmt_nodes(std::move(nodes));
}

Task task(std::string text, MarkerKind kind = MarkerKind::Open) {
  Task t;
  t.text = std::move(text);
  t.marker.kind = kind;
  return t;
}

Group group(uint8_t level, std::string name, Nodes children = {}) {
  Group g;
  g.depth = level;
  g.name = std::move(name);
  g.children = std::move(children);
  return g;
}

Nodes nodes_of(std::initializer_list<Node> list) {
  Nodes out;
  for (const Node& n : list) out.push_back(n);
  return out;
}

TEST(FormatFrame, EmptyDocumentIsOneLineFeed) { EXPECT_EQ(fmt_nodes({}), "\n"); }

TEST(FormatFrame, BlankLineOnlyBetweenTopLevelBlockNodes) {
  Nodes nodes = nodes_of({group(1, "A", nodes_of({Prose{"a"}, group(2, "Inner"), group(2, "Inner2")})),
                          group(1, "B"), Prose{"p"}, group(1, "C"), Prose{"q"}, Prose{"r"},
                          Node(CodeBlock{std::nullopt, "x"}), Node(FilesDef{{"f"}})});
  EXPECT_EQ(fmt_nodes(std::move(nodes)),
            "# A\n  a\n  ## Inner\n  ## Inner2\n\n# B\np\n# C\nq\nr\n```\nx\n```\n\nfiles:\n  @f\n");
}

TEST(FormatFrame, TrailingWhitespaceAndDeepChildren) {
  Nodes nodes = nodes_of({group(1, "A", nodes_of({group(2, "B", nodes_of({group(3, "C", nodes_of({Prose{"deep  "}}))}))}))});
  EXPECT_EQ(fmt_nodes(std::move(nodes)), "# A\n  ## B\n    ### C\n      deep\n");
}

TEST(FormatFrame, ParseErrorPassesThrough) {
  auto out = ops::fmt("x\n\nsync:\n");
  ASSERT_FALSE(out.ok());
  EXPECT_EQ(out.error(), ops::parse("x\n\nsync:\n").error());
}

struct Case {
  const char* what;
  Node node;
  const char* expected;
};

TEST(FormatNodes, OneLineKinds) {
  const Case cases[] = {
      {"prose", Prose{"hello @x"}, "hello @x\n"},
      {"comment", Comment{"note"}, "// note\n"},
      {"spawn", SpawnMode::Sequential, "++\n"},
      {"spawn parallel", SpawnMode::Parallel, "+\n"},
      {"divider", Divider{}, "---\n"},
      {"snap", Snap{"release 1"}, "snap: \"release 1\"\n"},
      {"bold", Bold{" b "}, "** b **\n"},
      {"remember", Remember{"keep"}, "remember: \"keep\"\n"},
      {"recall", RecallOp{"that"}, "recall: \"that\"\n"},
      {"embed", EmbedMarker{"tag"}, "^tag\n"},
      {"escalate", Escalate{"@ops"}, "escalate: @ops\n"},
      {"directive", DirectiveDef{"use", "strict"}, "@use strict\n"},
      {"bound", BoundDef{"b", nodes_of({Prose{"x"}})}, "bound:b\n  x\n"},
      {"build", BuildDef{"b", {}}, "build:b\n"},
      {"run", RunDef{"r", {}}, "run:r\n"},
      {"delete", Delete{"task", "12", std::nullopt, std::nullopt}, "delete:@task:12\n"},
      {"delete scoped", Delete{"c", "7", "crm", std::nullopt}, "delete:$crm.@c:7\n"},
      {"variable literal", Variable{"x", std::string("1")}, "x = 1\n"},
      {"variable empty", Variable{"x", std::string()}, "x =\n"},
      {"variable compute", Variable{"y", Compute{"a + b", true}}, "y = ||a + b||\n"},
      {"variable ref", Variable{"w", Ref{{"tasks", "open"}, true, std::nullopt, "acme"}},
       "w = @workspace:acme.@tasks:open(s)\n"},
      {"variable named if", Variable{"if", std::string("1")}, "if= 1\n"},
      {"invoke", ModInvoke{"billing", "charge", "42"}, "$billing.charge(42)\n"},
      {"invoke bare", ModInvoke{"billing", std::nullopt, std::nullopt}, "$billing\n"},
      {"diff", Diff{"a", "b"}, "diff:a from snap:b\n"},
      {"diff keyword target", Diff{"diff:x", std::nullopt}, "diff: diff:x\n"},
      {"history", HistoryOp{"t", 5}, "history:t limit:5\n"},
      {"history bare", HistoryOp{"t", std::nullopt}, "history:t\n"},
      {"status", StatusDef{{"a", "b", ""}}, "status: a / b /\n"},
      {"status with outer spaces", StatusDef{{" a", "b "}}, "status: \" a\" / \"b \"\n"},
      {"routine", Routine{"on_save", "x"}, "routine: on_save |x|\n"},
      {"routine colon trigger", Routine{"on_save:", "x"}, "routine: on_save: |x|\n"},
      {"routine open bar", Routine{"t", "|abc"}, "routine: t |abc\n"},
      {"routine no expr", Routine{"daily", ""}, "routine: daily\n"},
      {"webhook", Webhook{"task.done", "/hooks/done", "{id}"},
       "webhook: on:|task.done| url: /hooks/done payload: \"{id}\"\n"},
      {"webhook trigger only", Webhook{" push", "", std::nullopt}, "webhook: on:| push|\n"},
      {"pressure", PressureEffectDef{"inflow", "t"}, "pressure_effect:\n    dynamic: inflow\n    target: t\n"},
  };
  for (const Case& c : cases) EXPECT_EQ(fmt_one(c.node), c.expected) << c.what;
}

TEST(FormatNodes, Tasks) {
  Task labelled = task("pick", MarkerKind::Open);
  labelled.label = "l";
  labelled.marker.priority = MarkerPriority::Decision;
  Task seq = task("deploy", MarkerKind::Required);
  seq.marker.seq = 3;
  Task sub = task("s", MarkerKind::Completed);
  sub.marker.prefix = prefix::Subtask{2};
  Task par = task("p");
  par.marker.prefix = prefix::ParallelSubtask{};
  Task gated = task("", MarkerKind::Open);
  gated.gates = {Gate{"g", std::nullopt}};
  Task closes = task("Ship", MarkerKind::Optional);
  closes.gates = {Gate{"review", "2 approvals"}};
  closes.closes = 12;
  Task brace = task("a {b", MarkerKind::Open);
  brace.gates = {Gate{"g", std::nullopt}};
  Task full = task("all");
  full.depends = "@build";
  full.validate = "smoke";
  full.status = "a/b";
  full.children = nodes_of({Prose{"note"}});
  full.on_pass = nodes_of({Prose{"deploy"}});
  full.on_fail = Nodes{};
  full.match_arms = std::vector<MatchArm>{{"high", nodes_of({Prose{"now"}})}, {"flow", {}}};
  const Case cases[] = {
      {"open", task("Write tests"), "[ ] Write tests\n"},
      {"empty", task(""), "[ ]\n"},
      {"decision", labelled, "[l?] pick\n"},
      {"sequenced", seq, "[3!] deploy\n"},
      {"subtask", sub, "--[x] s\n"},
      {"parallel subtask", par, "++[ ] p\n"},
      {"gates only", gated, "[ ]  {g}\n"},
      {"gates and closes", closes, "[o] Ship {review 2 approvals} git:closes #12\n"},
      {"unbalanced brace in text", brace, "[ ]  {g} a {b\n"},
      {"clauses and sections", full,
       "[ ] all\n  depends: @build\n  validate: smoke\n  status : a/b\n  note\n  on_pass:\n    deploy\n  on_fail:\n"
       "  match:\n    high:\n      now\n    flow::\n"},
  };
  for (const Case& c : cases) EXPECT_EQ(fmt_one(c.node), c.expected) << c.what;
}

TEST(FormatNodes, DataStatements) {
  Define define{"task", {Atom{"core", std::nullopt}, Atom{"a", "1"}}, {}, "@base", std::nullopt, std::nullopt};
  define.fields = {FieldDef{"title", false, fv::Str{"say \"hi\""}}, FieldDef{"tag", true, fv::Enum{{"a", "b"}}},
                   FieldDef{"n", false, fv::Int{-42}},          FieldDef{"r", false, fv::Float{3}},
                   FieldDef{"f", false, fv::Float{NAN}},        FieldDef{"t", false, fv::Timestamp{"2025"}},
                   FieldDef{"o", false, fv::Ref{"ana"}},        FieldDef{"l", false, fv::List{}},
                   FieldDef{"z", false, fv::Nil{}},             FieldDef{"k", false, fv::Atom{"open"}},
                   FieldDef{"b", false, fv::Bool{true}},        FieldDef{"tr", false, fv::Trit{-1}}};
  Define bare_text{"x", {}, {FieldDef{"t", false, fv::Str{"a \"b // c"}}}, std::nullopt, std::nullopt, std::nullopt};
  Mutate mutate{"task", "42", Gate{"approve", std::nullopt}, {{"status", "done"}}, std::nullopt, std::nullopt,
                std::nullopt};
  Mutate gated{"task ", std::nullopt, Gate{"g", std::nullopt}, {}, std::nullopt, std::nullopt, std::nullopt};
  Mutate batch{"task", std::nullopt, std::nullopt, {{"first", "one"}},
               std::vector<BatchRecord>{{"t1", {{"status", "done"}, {"owner", "ana"}}}, {"t2", {{"s", "o"}}}},
               "crm", std::nullopt};
  Query query{"issue", true, "open", "priority", 5, Strings{"owner", ""}, std::nullopt, "acme", "monday"};
  Query bare{"workspace:a.@b", false, std::nullopt, std::nullopt, std::nullopt, Strings{}, std::nullopt,
             std::nullopt, std::nullopt};
  const Case cases[] = {
      {"define", define,
       "define:@task :core :a:1 from @base\n  title: \"say \"hi\"\"\n  tag(s): :a/:b\n  n: -42\n  r: 3.0\n"
       "  f: NaN\n  t: |2025|\n  o: @ana\n  l: []\n  z: nil\n  k: :open\n  b: true\n  tr: ~-1\n"},
      {"text field holding a quote and a comment mark", bare_text, "define:@x\n  t: a \"b // c\n"},
      {"mutate", mutate, "mutate:@task:42 {approve}\n  status: done\n"},
      {"mutate gate after the untrimmed entity", gated, "mutate:@task {g}\n"},
      {"batch", batch, "mutate:$crm.@task\n  first: one\n  t1: status: done\n  t1: owner: ana\n  t2: s: o\n"},
      {"query", query,
       "query:\n  @workspace:acme.@issue(s) from snap:monday where open\n  sort: priority\n  limit: 5\n"
       "  include: owner,\n"},
      {"query bare workspace-like entity", bare, "query:\n  workspace:a.@b\n  include:\n"},
  };
  for (const Case& c : cases) EXPECT_EQ(fmt_one(c.node), c.expected) << c.what;
}

TEST(FormatNodes, FlowsAndEdges) {
  Flow flow{"main",
            {FlowEdge{{"start"}, {"review", "done"}, "ok", false, std::nullopt, std::nullopt, std::nullopt},
             FlowEdge{{"a", "b"}, {"c"}, std::nullopt, true, std::nullopt, std::nullopt, std::nullopt},
             FlowEdge{{"x"}, {"y"}, std::nullopt, false, std::nullopt, "5m", std::nullopt},
             FlowEdge{{"x"}, {"y"}, std::nullopt, false, std::nullopt, std::nullopt, "a|b"},
             FlowEdge{{"x"}, {"y"}, std::nullopt, false, "{approve}", std::nullopt, std::nullopt},
             FlowEdge{{"x"}, {"y"}, " spaced ", true, std::nullopt, std::nullopt, std::nullopt},
             FlowEdge{{}, {"y"}, "l", false, std::nullopt, std::nullopt, std::nullopt},
             FlowEdge{{}, {"y"}, std::nullopt, false, std::nullopt, std::nullopt, std::nullopt},
             FlowEdge{{"x --w"}, {"y"}, std::nullopt, false, "{g}", std::nullopt, std::nullopt}}};
  EXPECT_EQ(fmt_one(flow),
            "flow:\n  start --ok--> review, done\n  a, b +--> c\n  x --wait:|5m|--> y\n  x --timeout:a|b--> y\n"
            "  x --{approve}--> y\n  x -- spaced --+--> y\n  , --l--> y\n  --> y\n  x --w --{g}----> y\n");
  EXPECT_EQ(fmt_one(StatesDef{{FlowEdge{{"open"}, {"closed"}, {}, false, {}, {}, {}}}}),
            "states:\n  open --> closed\n");
}

TEST(FormatNodes, BlocksWithBodies) {
  AttachmentMeta meta{"A1", {"orders", "invoices"}, {}, {"b"}, {}};
  ValidateDef validate{"total", meta, nodes_of({Prose{"note: keep"}})};
  CheckDef check{"deploy", AttachmentMeta{"", {}, {}, {}, {}}, {{"when", "a:b"}}};
  GitOp git{"commit", " -m fix", {{"branch", "main"}}};
  Conditional cond{Compute{"x > 3", false}, nodes_of({Prose{"do"}})};
  UseBlock use{"$shop", {{"currency", "usd"}}, "orders", "shop", std::nullopt, "o"};
  UseBlock single{"@orders", {}, "orders", std::nullopt, std::nullopt, std::nullopt};
  PolicyDef policy{{PolicyRule{"src/", {Gate{"review", std::nullopt}, Gate{"tests", "2"}}}, PolicyRule{"infra", {}}}};
  CodeBlock code{"py", "def f():\n    return 1\n"};
  const Case cases[] = {
      {"validate", validate, "validate total:\n  id: A1\n  targets: orders, invoices\n  blocks: b\n  note: keep\n"},
      {"check", check, "check: deploy\n  id:\n  when: a:b\n"},
      {"git", git, "git:commit  -m fix\n  branch: main\n"},
      {"conditional", cond, "if |x > 3|:\n  do\n"},
      {"use", use, "use @orders from $shop as @o\n  currency: usd\n"},
      {"use single ref", single, "use @orders from @orders\n"},
      {"policy", policy, "policy:\n  @src/: {review} {tests 2}\n  @infra\n"},
      {"code", code, "```py\ndef f():\n    return 1\n\n```\n"},
      {"gate", GateDef{"release", nodes_of({task("one")})}, "gate: release\n  [ ] one\n"},
      {"scope", ProjectScope{"Front", nodes_of({task("t")})}, "%Front\n  [ ] t\n"},
  };
  for (const Case& c : cases) EXPECT_EQ(fmt_one(c.node), c.expected) << c.what;
  // A code block nested in a group keeps its content where it was.
  EXPECT_EQ(fmt_one(group(1, "G", nodes_of({CodeBlock{std::nullopt, "  x"}}))), "# G\n  ```\n  x\n  ```\n");
  // Its lines lose their trailing white space, as every line does.
  EXPECT_EQ(fmt_one(CodeBlock{std::nullopt, "x = 1   "}), "```\nx = 1\n```\n");
}

TEST(FormatNodes, ScopeBeforeDividerIsClosedFirst) {
  Nodes inner = nodes_of({ProjectScope{"B", nodes_of({task("t")})}});
  EXPECT_EQ(fmt_nodes(nodes_of({ProjectScope{"A", inner}, Divider{}})), "%A\n  %B\n    [ ] t\n---\n---\n---\n");
  EXPECT_EQ(fmt_nodes(nodes_of({ProjectScope{"A", {}}, Prose{"p"}, Divider{}})), "%A\np\n---\n");
}

// Any line of dashes among a scope's members closes it: a divider that is a
// member carries a comment mark, which the divider rule reads past.
TEST(FormatNodes, DividerInsideScopeKeepsItsScopeOpen) {
  EXPECT_EQ(fmt_one(ProjectScope{"A", nodes_of({Divider{}, Prose{"p"}})}), "%A\n  --- //\n  p\n");
  Nodes inner = nodes_of({ProjectScope{"B", nodes_of({Prose{"i"}})}, Divider{}});
  EXPECT_EQ(fmt_one(ProjectScope{"A", inner}), "%A\n  %B\n    i\n  ---\n  --- //\n");
}

TEST(FormatNodes, Definitions) {
  FormDef form;
  form.name = "signup";
  form.schema_version = 3;
  form.ui_layout = "\"grid\"";
  form.ui_pages = {"Account"};
  form.storage.canonical = "forms/signup";
  form.projections = {FormProjectionDef{"duckdb", "signups"}};
  form.fields = {FieldDef{"email", false, fv::Str{"x"}}};
  ModDef mod{"billing", "service", "Bills", Strings{"a", "b"}, {{"kind", "service"}, {"_", "runs daily"},
                                                                 {"_", "a:b"}, {"prompt", "one\n\ntwo"}},
             true};
  SyncDef sync{"orders", "ops", "", "", "", "warehouse", "", ""};
  SyncDef lowered{"", "data", "db // x", "", "", "", "", ""};
  EntityDef entity{"Person", "crm", "", "id", {EntityField{"email", "string"}, EntityField{"-w", "x"}}};
  MetricDef metric{"Revenue", "stripe", std::nullopt, {"region", "plan"}, "sum\n- refunds", true};
  MetricDef empty_metric{"M", std::nullopt, std::nullopt, {}, "", false};
  const Case cases[] = {
      {"form", form,
       "form: signup\n  schema_version: 3\n  ui_layout: \"\"grid\"\"\n  ui_page: Account\n"
       "  storage_canonical: forms/signup\n  projection_duckdb: signups\n  email: \"x\"\n"},
      {"mod", mod,
       "mod:$billing :v\n  kind: service\n  _: runs daily\n  _: a:b\n  prompt: \"\"\"\n    one\n\n    two\n  \"\"\"\n"},
      {"sync", sync,
       "sync: orders\n  class: ops\n  source:\n  identity:\n  mode:\n  target: warehouse\n  schedule:\n  scope:\n"},
      {"sync from a heading", lowered,
       "###\n  class: data\n  source: db // x\n  identity:\n  mode:\n  target:\n  schedule:\n  scope:\n"},
      {"entity", entity,
       "## Entity: Person\n  source: crm\n  namespace:\n  identity: id\n  fields:\n    email: string\n"
       "    - -w: x\n"},
      {"metric", metric,
       "## Metric: Revenue\n  source: stripe\n  dimensions: region, plan\n  cross_source: true\n  formula: |\n"
       "    sum\n    - refunds\n"},
      {"metric without formula", empty_metric, "## Metric: M\n  formula:\n"},
      {"serve", ServeDef{"api", "make run", "3000", std::nullopt}, "serve:api | make run\n  port: 3000\n"},
      {"commands", CommandsDef{{CommandEntry{"build", "Build", {"env", "region"}, "one\ntwo"},
                                CommandEntry{"t", "", {}, ""}}},
       "commands:\n  /build\n    description: Build\n    params: env, region\n    prompt: |\n      one\n      two\n"
       "  /t\n    description:\n    prompt:\n"},
  };
  for (const Case& c : cases) EXPECT_EQ(fmt_one(c.node), c.expected) << c.what;
}

TEST(FormatNodes, IssuesCommentsProjects) {
  IssueDef issue;
  issue.title = "Login {triage}";
  issue.gates = {Gate{"triage", std::nullopt}};
  issue.id = "::x";
  issue.status = "open";
  issue.labels = {"login", "ui"};
  issue.estimate = 2.0;
  issue.milestone = "v1";
  issue.due_date = "2025-01-31";
  issue.description = "First\n\nSecond";
  ThreadComment reply;
  reply.body = "say \"hi\"";
  ThreadComment comment;
  comment.gates = {Gate{"ok", std::nullopt}};
  comment.author = "bob";
  comment.body = "Done";
  comment.reactions = {"eyes"};
  comment.created_at = "2025";
  comment.children = nodes_of({reply});
  issue.children = nodes_of({comment});
  ProjectDef project;
  project.name = "Atlas";
  project.fitness = 0.8;
  project.pressure = 2;
  project.kpi = "users";
  project.commands = CommandsDef{{CommandEntry{"b", "", {}, "go"}}};
  project.serve = ServeDef{"web", "", std::nullopt, "true"};
  const Case cases[] = {
      {"issue", issue,
       "issue: Login {triage}\n  id: \"::x\"\n  status: open\n  labels: [:login, :ui]\n  estimate: 2\n"
       "  milestone: \"v1\"\n  due_date: |2025-01-31|\n  description: |\n    First\n\n    Second\n"
       "  comment: {ok}\n    author: bob\n    body: \"Done\"\n    reactions: [:eyes]\n    created_at: |2025|\n"
       "    comment:\n      body: |\n        say \"hi\"\n"},
      {"project", project,
       "project: Atlas\n  brief:\n  fitness: 0.8\n  pressure: 2\n  kpi: users\n  commands:\n    /b\n"
       "      description:\n      prompt: go\n  serve:web |\n    open: true\n"},
  };
  for (const Case& c : cases) EXPECT_EQ(fmt_one(c.node), c.expected) << c.what;
}

TEST(FormatNodes, Lattice) {
  LatticeValidatesDef validates{{LatticeArtifactRef{"a1", "s1", {LatticeCheck{"f", true, 2}}}}, nodes_of({Prose{"c"}})};
  LatticeValidatesDef early{{LatticeArtifactRef{"a1", std::nullopt, {}}}, nodes_of({Prose{"schema: s0"}})};
  LatticeConstraintDef constraint{"invariant", "a < b", {"x", "y"}, nodes_of({Prose{"rule : y"}})};
  LatticeSchemaDef schema{{LatticeSchemaField{"id", "string", true}, LatticeSchemaField{"l", "", false}}, {}};
  LatticeFrontierDef frontier{"s", {"a", "b"}, {"bfs"}, {}};
  const Case cases[] = {
      {"validates", validates,
       "lattice_validates:\n    artifact: a1\n      schema: s1\n      check: f required: true min_items: 2\n    c\n"},
      {"validates with an early schema line", early, "lattice_validates:\n    schema: s0\n    artifact: a1\n"},
      {"constraint", constraint, "lattice_constraint: invariant\n    rule: a < b\n    applies_to: x, y\n    rule : y\n"},
      {"constraint bare", LatticeConstraintDef{std::nullopt, "", {}, {}}, "lattice_constraint:\n    rule:\n"},
      {"schema", schema, "lattice_schema:\n    name: id\n      type: string\n      required: true\n    name: l\n"
                         "      type:\n"},
      {"frontier", frontier,
       "lattice_frontier:\n    expected_schema: s\n    missing_field: a\n    missing_field: b\n    strategy: bfs\n"},
      {"unit cell", UnitCellDef{nodes_of({Prose{"x"}})}, "unit_cell:\n    x\n"},
      {"symmetry", SymmetryDef{nodes_of({Prose{"x"}})}, "symmetry:\n    x\n"},
  };
  for (const Case& c : cases) EXPECT_EQ(fmt_one(c.node), c.expected) << c.what;
}

TEST(FormatNodes, GroupHeads) {
  Group g = group(2, "Tasks");
  g.atoms = {Atom{"urgent", "high"}};
  g.gates = {Gate{"review", std::nullopt}};
  EXPECT_EQ(fmt_one(g), "## Tasks :urgent:high {review}\n");
  EXPECT_EQ(fmt_one(group(2, "Entity: x")), "##  Entity: x\n");
  EXPECT_EQ(fmt_one(group(1, "")), "#\n");
  Group gated = group(1, "");
  gated.gates = {Gate{"g", std::nullopt}};
  EXPECT_EQ(fmt_one(gated), "#  {g}\n");
}

// Read from source: the templates where they read back, and each mend where
// they would not.
TEST(FormatSource, TemplatesAndMends) {
  const struct {
    const char* source;
    const char* expected;
  } cases[] = {
      {"## Metric:\n", "## Metric:\n  formula:\n"},
      {"## routine:daily\n", "##  :routine:daily\n"},
      {"use @orders\n", "use @orders from @orders\n"},
      {"use @workspace:x\n", "use @workspace:x\n"},
      {"mod:$x\n  runs daily\n  \"\"\"\n", "mod:$x\n  _: runs daily\n  \"\"\"\n"},
      {"## Metric: m\n  cross_source: true\n  formula: sum(x)\n",
       "## Metric: m\n  formula: sum(x)\n  cross_source: true\n"},
      {"## Metric: m\n  cross_source: true\n", "## Metric: m\n  cross_source: true\n  formula:\n"},
      {"## Metric: m\n  dimensions: ,[a, b],\n", "## Metric: m\n  dimensions: , [a, b],\n  formula:\n"},
      {"%é\n  [ ] plan\n    -----\n", "%é\n  [ ] plan\n    ---\n"},
      {"%é\n  -----//\n  x\n", "%é\n  --- //\n  x\n"},
      {"issue: Promo codes\n  description: get \"invalid code\".\n",
       "issue: Promo codes\n  description: \"get \"invalid code\".\"\n"},
      {"comment:\n  body: say \"hi\" now\n", "comment:\n  body: \"say \"hi\" now\"\n"},
      {"## Sync\n  ## orders\n    source: http://crm\n    mode : =x\n",
       "## Sync\n  ### orders\n    class:\n    source: http://crm\n    identity:\n    mode : =x\n    target:\n"
       "    schedule:\n    scope:\n"},
      {"[ ] t\n  status:a//b\n  depends : =x\n", "[ ] t\n  depends : =x\n  status: a//b\n"},
      {"? workspace:}x\n", "query:\n  @workspace:}x\n"},
      {"? workspace:a.@b\n", "query:\n  workspace:a.@b\n"},
      // Marks between two slashes keep them from starting a comment.
      {"? files/(s)/x\n", "query:\n  @files/(s)/x\n"},
      {"define:@x\n  a/(s)/b: str\n", "define:@x\n  a/(s)/b: \"str\"\n"},
      {"mod:$billing:/ :v/\n", "mod:$billing:/:v/\n"},
      // An entity that begins with "workspace:", without a scope.
      {"define:@\u3000workspace:acme.@x\n", "define:@ workspace:acme.@x\n"},
      {"define:@\rworkspace:acme.@x\n", "define:@ workspace:acme.@x\n"},
      {"query:\n  workspace:= where .@\n", "query:\n  workspace:= where .@\n"},
      // " : " would make a validation of the line.
      {"[ ] t\n  validate:=x:\n", "[ ] t\n  validate: =x:\n"},
      // Without a ".@" after it, "@workspace:" starts no scope: the template.
      {"define:@workspace:xteam\n", "define:@workspace:xteam\n"},
      {"define:@workspace:x from base\n", "define:@workspace:x from base\n"},
      {"define:@workspace:xteam :x\n", "define:@workspace:xteam :x\n"},
      {"define:@workspace:xteam = 1\n", "define:@workspace:xteam = 1\n"},
      // A ".@" in the scope after it would make one.
      {"define:@ workspace:x from @a.@b\n", "define:@ workspace:x from @a.@b\n"},
      // A "//" inside bars or quotes starts no comment: the marks at the end.
      {"? @ab |p//q|(s)\n", "query:\n  @ab |p//q|(s)\n"},
      {"define:@t\n  \"quoted // x\" @tasks(s): 1\n", "define:@t\n  \"quoted // x\" @tasks(s): 1\n"},
      {"form: f\n  \"quoted // x\" @tasks(s): 1\n", "form: f\n  \"quoted // x\" @tasks(s): 1\n"},
      {"mod:$a|b//c| :v\n", "mod:$a|b//c| :v\n"},
      {"mod:${\"b//c\"} :v\n", "mod:${\"b//c\"} :v\n"},
      // An empty entity before a snapshot keeps the target's "@".
      {"? @ from snap:s\n", "query:\n  @ from snap:s\n"},
      {"query:\n  @ from snap:\n", "query:\n  @ from snap:\n"},
      // The clauses in the source's order, where the template's would leave
      // the snapshot's "//" to the comment cut.
      {"? a where \" from snap://\n", "query:\n  @a where \" from snap://\n"},
      {"? @ where \" from snap:// where from snap:\n", "query:\n  @ where \" from snap:// where from snap:\n"},
      // A one-line "|" would open an empty block.
      {"commands:\n  /a\n    prompt: |\n      |\n", "commands:\n  /a\n    description:\n    prompt: |\n      |\n"},
      {"project: p\n  commands:\n    /a\n      prompt: |\n        |\n",
       "project: p\n  brief:\n  commands:\n    /a\n      description:\n      prompt: |\n        |\n"},
      // Lattice nodes read from headings: the line form where its key lines
      // hold the settings, else the heading, whose settings its members'
      // lines may give.
      // Targets after an empty piece, where "applies_to: =" would be an assignment.
      {"## Constraint\n  applies_to :=\n  rule:a\n", "lattice_constraint:\n    rule: a\n    applies_to: , =\n    applies_to :=\n"},
      // A rule that begins with '=' has no "rule:" line: the heading keeps its member's.
      {"## Constraint\n  rule :=\n  applies_to: a\n", "## Constraint\n  applies_to: a\n  rule :=\n"},
      {"## Constraint\n  applies_to:a\n  rule : =\n", "## Constraint\n  applies_to: a\n  rule : =\n"},
      // A setting that a member's line gives otherwise goes after the members,
      // where it also ends a scope among them.
      {"## Constraint\n  rule : =x\n  applies_to : b\n  %s\n    m\n  applies_to: c\n---\n",
       "## Constraint\n  rule : =x\n  applies_to : b\n  %s\n    m\n  applies_to: c\n---\n"},
      {"## Pressure Effect\n  dynamic : =x\n  target : =y\n", "## Pressure Effect\n  dynamic : =x\n  target : =y\n"},
      {"## Validates\n  schema: s\n  artifact: x\n  %a\n---\n---\n",
       "lattice_validates:\n    schema: s\n    %a\n    artifact: x\n---\n"},
  };
  for (const auto& c : cases) {
    auto out = ops::fmt(c.source);
    ASSERT_TRUE(out.ok()) << c.source;
    EXPECT_EQ(out.value(), c.expected) << c.source;
    EXPECT_EQ(testing::check_fmt_properties(c.source), "") << c.source;
  }
}

// A node whose lines would not read back is written as the source has it:
// every line its reader took, at its indentation relative to the first (no
// further left than the margin), a blank line between two kept (triple
// quotes hold it), comments kept.
TEST(FormatSource, NodeThatDoesNotReadBackKeepsItsSourceLines) {
  const std::string source = "# G\n    mod:$m  // note\n        text: \"\"\"\n  a\n\n      b // kept\n        \"\"\"\n\n  x\n";
  auto doc = parse_source(source);
  ASSERT_TRUE(doc.ok());
  Group& group = *std::get<Box<Group>>(doc.value().nodes.front().value);
  // A name that "mod:$" cannot say: its "//" starts a comment.
  (*std::get<Box<ModDef>>(group.children.front().value)).name = "a//b";
  EXPECT_EQ(format_document(doc.value(), source),
            "# G\n  mod:$m  // note\n      text: \"\"\"\na\n\n    b // kept\n      \"\"\"\n  x\n");
}

// So is one whose own lines, written without its members, would not read
// back: members and all.
TEST(FormatSource, NodeWhoseOwnLinesDoNotReadBackKeepsItsSourceLines) {
  const std::string source = "issue: T\n    assignee: ana\n    comment:\n      body:   hi\n";
  auto doc = parse_source(source);
  ASSERT_TRUE(doc.ok());
  // An assignee that "assignee: " cannot say: its "//" starts a comment.
  (*std::get<Box<IssueDef>>(doc.value().nodes.front().value)).assignee = "a // b";
  EXPECT_EQ(format_document(doc.value(), source), source);
}

// A task's, a scope's or a lattice node's own lines that, with the member
// lines its reader takes settings from, would not read back: the node's
// source lines, its members' too.
TEST(FormatSource, OwnLinesAmongMembersThatDoNotReadBackKeepTheirSourceLines) {
  const struct {
    const char* source;
    void (*change)(Node&);
  } cases[] = {
      // A rule that "rule: " cannot say beside a type, which no heading holds.
      {"lattice_constraint: t\n    rule: a\n    x:\n",
       [](Node& n) { (*std::get<Box<LatticeConstraintDef>>(n.value)).rule = "=b"; }},
      // A pattern with a space reads as a member of the arm before it.
      {"[ ] t\n    match:\n    a:\n    x\n    b:\n",
       [](Node& n) { (*std::get<Box<Task>>(n.value)).match_arms->back().pattern = "b c"; }},
      // A scope named "//x" would be a comment's.
      {"%s  // kept\n    x\n", [](Node& n) { std::get<ProjectScope>(n.value).name = "//x"; }},
  };
  for (const auto& c : cases) {
    auto doc = parse_source(c.source);
    ASSERT_TRUE(doc.ok()) << c.source;
    c.change(doc.value().nodes.front());
    EXPECT_EQ(format_document(doc.value(), c.source), c.source);
  }
}

}  // namespace
}  // namespace varn::format
