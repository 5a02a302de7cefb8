// Exact text of every node kind and template branch, on trees built in code.
#include <gtest/gtest.h>

#include <cmath>

#include "render/tests/properties.hpp"
#include "varn/parse.hpp"
#include "varn/render.hpp"

namespace varn {
namespace {

struct Case {
  const char* name;
  Nodes nodes;
  std::string_view want;
};

void check(const std::vector<Case>& cases) {
  for (const Case& c : cases) EXPECT_EQ(render_document(c.nodes), c.want) << c.name;
}

Nodes nodes(std::initializer_list<Node> list) { return Nodes(list); }

Task task(std::string text, MarkerKind kind = MarkerKind::Open, MarkerPrefix prefix = prefix::None{}) {
  Task t;
  t.text = std::move(text);
  t.marker.kind = kind;
  t.marker.prefix = prefix;
  return t;
}

TEST(Render, FrameAndBlocks) {
  Task labelled = task("b");
  labelled.label = "A";
  Task sequenced = task("c", MarkerKind::Optional);
  sequenced.marker.seq = 3;
  Task both = task("d", MarkerKind::Required);
  both.label = "L";
  both.marker.seq = 2;
  both.marker.priority = MarkerPriority::Decision;  // written only for an open task
  Task decision = task("pick");
  decision.label = "3";
  decision.marker.priority = MarkerPriority::Decision;
  Task bare_decision = task("any");
  bare_decision.label = "";
  bare_decision.marker.priority = MarkerPriority::Decision;
  Task named_decision = task("Decide");  // its label reads back without the "?"
  named_decision.label = "Perf";
  named_decision.marker.priority = MarkerPriority::Decision;
  check({
      {"empty", {}, ""},
      {"group alone", nodes({Group{1, "Title", {}, {}, {}}}), "# Title"},
      {"nested group",
       nodes({Group{1, "Top", {}, {}, nodes({Group{3, "Title", {}, {}, nodes({Prose{"x"}})}})}}),
       "# Top\n\n    ### Title\n\n        x"},
      {"atoms, no gates", nodes({Group{2, "Plan", {{"q3", {}}, {"due", "2025"}}, {{"review", {}}}, {}}}),
       "## Plan :q3 :due:2025"},
      {"markers",
       nodes({task("Write"), task("Ship", MarkerKind::Completed), task("a", MarkerKind::Required, prefix::Subtask{2}),
              labelled, sequenced, both, task("p", MarkerKind::Open, prefix::Parallel{}),
              task("q", MarkerKind::Completed, prefix::ParallelSubtask{}),
              task("z", MarkerKind::Optional, prefix::Subtask{0}), decision, bare_decision, named_decision}),
       "[ ] Write\n[x] Ship\n--[!] a\n[A] b\n[3o] c\n[L2!] d\n+[ ] p\n++[x] q\n[o] z\n[3?] pick\n[?] any\n"
       "[Perf] Decide"},
      {"prose and comment", nodes({Prose{"hello // note"}, Comment{"hi"}}), "hello // note\n// hi"},
      {"line feed in prose", nodes({Group{1, "G", {}, {}, nodes({Prose{"a\nb"}, Comment{"c\nd"}})}}),
       "# G\n\n    a\nb\n    // c\nd"},
      {"spawn and divider at column 0",
       nodes({Group{1, "G", {}, {},
                    nodes({Prose{"a"}, SpawnMode::Sequential, Prose{"b"}, Divider{}, Prose{"c"},
                           SpawnMode::Parallel})}}),
       "# G\n\n    a\n\n++\n\n    b\n---\n\n    c\n\n+"},
      {"code block", nodes({Group{1, "G", {}, {}, nodes({CodeBlock{"py", "x = 1\n  y"}})}}),
       "# G\n\n    ```py\nx = 1\n  y\n    ```"},
      {"code block, no language, empty", nodes({CodeBlock{{}, ""}}), "```\n\n```"},
      {"bold", nodes({Bold{"b"}}), "**b**"},
      {"variables",
       nodes({Variable{"x", std::string("1")}, Variable{"r", Ref{{"a", "b"}, true, "m", "w"}},
              Variable{"c", Compute{"a + b", true}}, Variable{"d", Compute{"a", false}}}),
       "x = 1\nr = @a:b\nc = ||a + b||\nd = |a|"},
      {"flow",
       nodes({Flow{"ignored",
                   {FlowEdge{{"a"}, {"b"}, "go", true, {}, {}, {}}, FlowEdge{{"a", "b"}, {"c"}, {}, true, {}, {}, {}},
                    FlowEdge{{"x"}, {"y"}, "l", false, "{ok}", "5m", "1h"},
                    FlowEdge{{"x"}, {"y"}, "l", false, "{ok}", "5m", {}},
                    FlowEdge{{"x"}, {"y"}, "l", false, "{ok}", {}, {}}, FlowEdge{{}, {"y"}, {}, false, {}, {}, {}}}},
              Prose{"after"}}),
       "flow:\n    a --go--+--> b\n    a, b +--> c\n    x --timeout:|1h|--> y\n    x --wait:|5m|--> y\n"
       "    x --{ok}--> y\n     --> y\n\nafter"},
      // The parallel mark goes after the one segment written, whatever else
      // is set; a gate without a brace is written as the label it reads as.
      {"parallel beside the segment written",
       nodes({Flow{{},
                   {FlowEdge{{"a"}, {"b"}, "lbl", true, {}, "5m", {}}, FlowEdge{{"a"}, {"b"}, {}, true, {}, "5m", "1h"},
                    FlowEdge{{"a"}, {"b"}, "x", true, "{ok}", {}, {}}, FlowEdge{{"a"}, {"b"}, {}, true, "g", {}, {}}}},
              StatesDef{{FlowEdge{{"a"}, {"b"}, "lbl", true, "{ok}", "5m", "1h"}}}}),
       "flow:\n    a --wait:|5m|+--> b\n    a --timeout:|1h|+--> b\n    a --{ok}--+--> b\n    a --g--+--> b\n\n"
       "states:\n    a --timeout:|1h|+--> b"},
      {"empty flow", nodes({Flow{{}, {}}}), "flow:"},
  });
}

TEST(Render, Tasks) {
  Task t = task("Deploy");
  t.gates = {{"approve", "@ops"}, {"ready", {}}};
  t.closes = 42;
  t.inline_ = {InlineText{"ignored"}};
  t.depends = "@build";
  t.validate = "smoke";
  t.status = "open";
  t.children = nodes({Prose{"note"}});
  t.on_pass = Nodes{};
  t.on_fail = nodes({Prose{"rollback"}});
  t.match_arms = std::vector<MatchArm>{{"high", nodes({Prose{"escalate now"}})}, {"low", {}}};
  Task empty = task("");
  check({
      {"every clause", nodes({t}),
       "[ ] Deploy {approve} {ready}\n    depends: @build\n    validate: smoke\n    status: open\n    note\n"
       "    on_pass:\n    on_fail:\n        rollback\n    match:\n        high:\n            escalate now\n"
       "        low:"},
      {"empty text", nodes({empty, Prose{"x"}}), "[ ] \nx"},
  });
}

TEST(Render, DataStatements) {
  Define full{"task",
              {{"x", {}}},
              {FieldDef{"name", false, fv::Str{"a \"q\""}}, FieldDef{"count", false, fv::Int{-5}},
               FieldDef{"ratio", false, fv::Float{1.0}}, FieldDef{"tag", true, fv::Enum{{"a", "b"}}},
               FieldDef{"none", false, fv::Enum{}}},
              "@base",
              "crm",
              {}};
  Mutate batch{"task", {}, {}, {{"priority", "high"}},
               std::vector<BatchRecord>{{"t1", {{"status", "done"}, {"owner", "ana"}}}, {"t2", {}}}, {}, {}};
  Query shorthand;
  shorthand.entity = "task";
  shorthand.plural = true;
  shorthand.filter = "done";
  Query scoped = shorthand;
  scoped.plural = false;
  scoped.entity = "contact";
  scoped.mod_scope = "crm";
  scoped.from_snapshot = "monday";
  Query clauses = shorthand;
  clauses.entity = "lead";
  clauses.workspace_scope = "acme";
  clauses.filter = "open";
  clauses.sort = "priority";
  clauses.limit = 5;
  clauses.include = Strings{"owner", "labels"};
  Query dollar;  // the scope prefix leaves it whole
  dollar.entity = "$ x";
  Query include_only;
  include_only.entity = "task";
  include_only.include = Strings{};
  check({
      {"define", nodes({full, Prose{"after"}}),
       "define:$crm.@task :x from @base\n    name: \"a \"q\"\"\n    count: -5\n    ratio: 1.0\n    tag(s): :a/:b\n"
       "    none: \n\nafter"},
      {"define without fields", nodes({Define{"User", {}, {}, {}, {}, "team"}, Prose{"after"}}),
       "define:@workspace:team.@User\n\nafter"},
      // The id's ".@" would read as a workspace scope: only a gate before the
      // entity keeps it the id.
      {"mutation of the entity workspace",
       nodes({Mutate{"workspace", "a.@b", {}, {}, {}, {}, {}}, Mutate{"workspace", "a.@b", Gate{"g", {}}, {}, {}, {}, {}}}),
       "mutate:@workspace:a.@b\n\nmutate:@{g}workspace:a.@b"},
      {"mutate", nodes({Mutate{"task", "42", Gate{"approve", {}}, {{"status", "done"}}, {}, {}, {}}, Prose{"after"}}),
       "mutate:@task:42\n    status: done\n\nafter"},
      {"empty batch", nodes({Mutate{"task", {}, {}, {{"x", "y"}}, std::vector<BatchRecord>{}, {}, {}}, Prose{"after"}}),
       "mutate:@task\n    x: y\n\nafter"},
      {"batch", nodes({batch}), "mutate:@task\n    priority: high\n    t1:status:done\n    t1:owner:ana"},
      {"delete",
       nodes({Delete{"task", "12", {}, {}}, Delete{"contact", "7", "crm", {}}, Delete{"x", "1", {}, "w"}}),
       "delete:@task:12\ndelete:$crm.@contact:7\ndelete:@workspace:w.@x:1"},
      {"queries", nodes({shorthand, scoped, dollar}),
       "? task(s) where done\n? $crm.@contact from snap:monday where done\n? $ x"},
      {"query clauses", nodes({clauses, include_only}),
       "query:\n    @workspace:acme.@lead(s) where open\n    sort: priority\n    limit: 5\n    include: owner, labels\n"
       "query:\n    task\n    include:"},
  });
}

TEST(Render, OneLineStatements) {
  check({
      {"invocations", nodes({ModInvoke{"billing", "charge", "42, usd"}, ModInvoke{"billing", {}, {}}}),
       "$billing.charge(42, usd)\n$billing"},
      {"snapshots",
       nodes({Snap{"release 1"}, Diff{"a", "b"}, Diff{"a", {}}, HistoryOp{"t", 5}, HistoryOp{"t", {}}}),
       "snap: \"release 1\"\ndiff: a from snap:b\ndiff: a\nhistory: t limit: 5\nhistory: t"},
      {"status and routine",
       nodes({StatusDef{{"a", "b", ""}}, Routine{"on_save", "x"}, Routine{"on_save:", "x"}, Routine{"t", "|open"},
              Routine{"daily", ""}}),
       "status: \"a\"/\"b\"/\"\"\nroutine:on_save:|x|\nroutine:on_save: |x|\nroutine:t:|open\nroutine:daily:||"},
      // An empty url before a payload goes without its keyword: after
      // 'url: ""' the first word would be the payload's keyword. A url that
      // starts with a quote keeps it behind a quote and a space.
      {"webhooks",
       nodes({Webhook{"task.done", "https://x/y", {}}, Webhook{"t", "/hooks/done", "{id}"},
              Webhook{"t", "https://x", "p"}, Webhook{"t", "", "p"}, Webhook{"t", "\"a", {}}}),
       "webhook: on:|task.done| url: \"https://x/y\"\nwebhook: on:|t| url: /hooks/done payload: \"{id}\"\n"
       "webhook: on:|t| url: \"https://x \" payload: \"p\"\nwebhook: on:|t| payload: \"p\"\n"
       "webhook: on:|t| url: \" \"a"},
      {"memory and markers",
       nodes({Remember{"fact"}, RecallOp{"q"}, EmbedMarker{"tag"}, Escalate{"@lead"}, DirectiveDef{"kind", "value"}}),
       "remember: \"fact\"\nrecall: \"q\"\n^tag\nescalate: @lead\n@kind value"},
  });
}

TEST(Render, HeadersAndLists) {
  ValidateDef v{"order", {"A1", {"orders"}, {}, {}, {}}, nodes({task("review")})};
  check({
      {"named children",
       nodes({GateDef{"release", nodes({task("a")})}, GateDef{"namex", {}}, ProjectScope{"Front", nodes({Prose{"p"}})},
              BoundDef{"b", nodes({Prose{"x"}})}, BuildDef{"c", {}}, RunDef{"d", {}}}),
       "gate:release\n    [ ] a\ngate: namex\n%Front\n    p\nbound:b\n    x\nbuild:c\nrun:d"},
      {"conditionals", nodes({Conditional{{"x", true}, {}}, Conditional{Compute{"x > 3", false}, nodes({Prose{"y"}})}}),
       "if ||x||:\nif |x > 3|:\n    y"},
      {"validate ignores meta", nodes({v, Prose{"after"}}), "validate order:\n    [ ] review\n\nafter"},
      {"check", nodes({CheckDef{"deploy", {}, {{"note", "keep"}}}, Prose{"after"}}),
       "check: deploy\n    note: keep\n\nafter"},
      {"module definition",
       nodes({ModDef{"billing", "service", "d", Strings{"t"},
                     {{"kind", "service"}, {"_", "runs daily"}, {"prompt", "a\n\nb"}, {"\"", "(s)//(s)\"--"}},
                     true},
              Prose{"after"}}),
       "mod:$billing\n    kind: service\n    runs daily\n    prompt: \"\"\"\n        a\n        \n        b\n"
       "    \"\"\"\n    \": (s)//(s)\"--\n\nafter"},
      {"git", nodes({GitOp{"commit", " -m fix", {{"branch", "main"}}}, GitOp{"status", "", {}}}),
       "git:commit  -m fix\n    branch: main\ngit:status"},
      {"use blocks",
       nodes({UseBlock{"$billing", {{"currency", "usd"}}, {}, {}, {}, {}},
              UseBlock{"$shop", {}, "orders", "shop", {}, "o"},
              UseBlock{"@orders", {{"a", "b"}}, "orders", {}, {}, {}}, UseBlock{"plain source", {}, "o", {}, {}, {}},
              UseBlock{"$shop x", {}, {}, {}, {}, {}}, UseBlock{"@workspace:sales", {}, "orders", {}, "sales", {}}}),
       "use $billing config:\n    currency: usd\nuse $shop config:\nuse @orders\n    a: b\nuse @o from plain source\n"
       "use @ from $shop x\nuse @workspace:sales"},
      {"states", nodes({StatesDef{{FlowEdge{{"open"}, {"closed"}, {}, false, {}, {}, {}}}}, Prose{"after"}}),
       "states:\n    open --> closed\n\nafter"},
      {"files and policy",
       nodes({FilesDef{{"src/app", "docs/", ""}},
              PolicyDef{{PolicyRule{"src", {{"owner", {}}, {"review", "2"}}}, PolicyRule{"infra", {}}}}}),
       "files:\n    @src/app\n    @docs/\n    @\npolicy:\n    @src: {owner}{review 2}\n    @infra"},
      {"scope before divider", nodes({ProjectScope{"S", nodes({Prose{"a"}})}, Divider{}, Prose{"b"}}),
       "%S\n    a\n---\n---\n\nb"},
  });
}

TEST(Render, Definitions) {
  MetricDef metric{"mrr", "stripe", "day", {"region", "plan"}, "a\r\n\nb\n", true};
  ProjectDef project;
  project.name = "Atlas";
  project.brief = "Ship it";
  project.heartbeat = "daily";
  project.framework = "x";
  project.status = "active";
  project.commands = CommandsDef{{CommandEntry{"build", "b", {}, ""}}};
  project.serve = ServeDef{"web", "run", {}, {}};
  project.fitness = 1.0;
  project.pressure = 0.5;
  project.phase = "p";
  project.inhibited_until = "2025";
  project.completion = "c";
  project.kpi = "k";
  project.routine = "r";
  check({
      {"sync",
       nodes({SyncDef{"orders", "ops", "", "id", "m", "t", "s", "sc"}, SyncDef{"x", "", "s", "", "", "", "", ""}}),
       "sync:orders\n    class: ops\n    identity: id\nsync:x\n    source: s"},
      {"entity", nodes({EntityDef{"Person", "", "ns", "id", {{"email", "string"}}}}),
       "## Entity: Person\n  source: \n  namespace: ns\n  identity: id\n  fields:\n    - email: string"},
      {"entity without fields", nodes({EntityDef{"P", "crm", "", "", {}}}),
       "## Entity: P\n  source: crm\n  namespace: \n  identity:"},
      {"metric", nodes({metric}),
       "## Metric: mrr\n  source: stripe\n  cross_source: true\n  grain: day\n  dimensions: [region, plan]\n"
       "  formula: |\n    a\n    \n    b"},
      {"metric, one-line formulas",
       nodes({MetricDef{"m", {}, {}, {}, "sum(x)", false}, MetricDef{"n", {}, {}, {}, "|", false},
              MetricDef{"o", {}, {}, {}, "", false}}),
       "## Metric: m\n  formula: sum(x)\n## Metric: n\n  formula: |\n    |\n## Metric: o"},
      {"form",
       nodes({FormDef{"signup", 3, "grid", {"Account", "Profile"}, {"forms/signup", "e", "d"}, {{"duckdb", "signups"}},
                      {FieldDef{"email", false, fv::Str{""}}}},
              FormDef{"installer", {}, {}, {}, {}, {}, {}}, Prose{"after"}}),
       "form:signup\n    schema_version: 3\n    ui_layout: \"grid\"\n    ui_page: \"Account\"\n"
       "    ui_page: \"Profile\"\n"
       "    storage_canonical: \"forms/signup\"\n    storage_entity: \"e\"\n    storage_duckdb: \"d\"\n"
       "    projection_duckdb: \"signups\"\n    email: \"\"\n\nform: installer\n\nafter"},
      {"serve", nodes({ServeDef{"web", "npm run dev", "3000", "true"}, ServeDef{"api", "", {}, {}}}),
       "serve:web|npm run dev|\n  port: 3000\n  open: true\nserve:api||"},
      {"commands",
       nodes({CommandsDef{{CommandEntry{"build", "Build it", {"env", "region"}, "Deploy.\nVerify."},
                           CommandEntry{"test", "", {}, "one"}}}}),
       "commands:\n  /build\n    description: Build it\n    params: env, region\n    prompt: |\n      Deploy.\n"
       "      Verify.\n"
       "  /test\n    description: \n    prompt: one"},
      {"project", nodes({project}),
       "project:Atlas\n  brief: Ship it\n  heartbeat: daily\n  framework: x\n  status: active\n    commands:\n"
       "      /build\n        description: b\n    serve:web|run|\n  fitness: 1\n  pressure: 0.5\n  phase: p\n"
       "  inhibited_until: 2025\n  completion: c\n  kpi: k\n  routine: r"},
      {"bare project", nodes({ProjectDef{"P"}}), "project:P\n  brief:"},
  });
}

TEST(Render, IssuesAndComments) {
  IssueDef issue;
  issue.title = "Login fails {p1 now}";
  issue.gates = {{"p1", "now"}, {"extra", {}}};
  issue.id = "A1";
  issue.on = "@x";
  issue.status = "open";
  issue.priority = "high";
  issue.assignee = "ana";
  issue.labels = {"login", "ui"};
  issue.estimate = 2.5;
  issue.milestone = "v1";
  issue.due_date = "2025-01-31";
  issue.description = "First\n\nSecond";
  ThreadComment reply;
  reply.body = "ok";
  issue.children = nodes({reply});
  IssueDef plain;
  plain.title = "Plain {g}";
  plain.gates = {{"g", {}}};
  plain.description = "one line";
  plain.estimate = 2.0;
  ThreadComment comment;
  comment.gates = {{"g", "body"}};
  comment.on = "@issue";
  comment.author = "ana";
  comment.body = "Line 1\nLine 2\n";
  comment.reactions = {"thumbs"};
  comment.created_at = "2025";
  check({
      {"issue", nodes({issue, Prose{"after"}}),
       "issue: Login fails {p1 now} // {extra}\n    id: A1\n    on: @x\n    status: :open\n    priority: :high\n"
       "    assignee: ana\n    labels: [:login, :ui]\n    estimate: 2.5\n    milestone: \"v1\"\n"
       "    due_date: |2025-01-31|\n    description: |\n        First\n        \n        Second\n"
       "    comment:\n        body: \"ok\"\n\n\nafter"},
      {"issue, one-line description", nodes({plain}),
       "issue: Plain {g}\n    estimate: 2\n    description: \"one line\""},
      {"comment", nodes({comment}),
       "comment: {g}\n    on: @issue\n    author: ana\n    body: |\n        Line 1\n        Line 2\n"
       "    reactions: [:thumbs]\n    created_at: |2025|"},
      {"empty comment", nodes({ThreadComment{}}), "comment:\n    body: \"\""},
  });
}

TEST(Render, Lattice) {
  LatticeValidatesDef validates{{LatticeArtifactRef{"a1", "s1", {LatticeCheck{"f", true, 2}, {"g", false, {}}}},
                                 LatticeArtifactRef{"a2", {}, {}}},
                                nodes({Prose{"child"}})};
  check({
      {"validates", nodes({validates}),
       "lattice_validates:\n    artifact: a1\n    schema: s1\n    field: f\n    required: true\n    min_items: 2\n"
       "    field: g\n    artifact: a2\n    child"},
      {"constraint", nodes({LatticeConstraintDef{"invariant", "a < b", {"x", "y"}, nodes({Prose{"child"}})}}),
       "lattice_constraint: invariant\n    rule: a < b\n    applies_to: x, y\n    child"},
      {"bare constraint", nodes({LatticeConstraintDef{{}, "", {}, {}}}), "lattice_constraint:"},
      {"schema", nodes({LatticeSchemaDef{{{"id", "string", true}, {"label", "", false}}, {}}}),
       "lattice_schema:\n    name: id\n    type: string\n    required: true\n    name: label\n    type:"},
      {"frontier", nodes({LatticeFrontierDef{"s", {"m1", "m2"}, {"st"}, {}}}),
       "lattice_frontier:\n    expected_schema: s\n    missing_field: m1\n    missing_field: m2\n    strategy: st"},
      {"pressure", nodes({PressureEffectDef{"inflow", "t"}, PressureEffectDef{"", {}}}),
       "pressure_effect:\n    dynamic: inflow\n    target: t\npressure_effect:"},
      {"cells", nodes({UnitCellDef{nodes({Prose{"x"}})}, SymmetryDef{{}}}), "unit_cell:\n    x\nsymmetry:"},
  });
}

// Texts that the plain templates would not give back to the parser.
TEST(Render, TextsThatNeedAnotherForm) {
  Query empty;
  Query nested;
  nested.entity = "? task";
  IssueDef quoted;
  quoted.title = "Q";
  quoted.description = "say \"hi\"";
  IssueDef commented;
  commented.title = "C";
  commented.description = "a \" // b";
  // Under a "Sync" heading a sync declaration may go back as a heading of its
  // own, whose lines keep a "//"; elsewhere, or with a class that the
  // lowering refuses, it keeps the line form.
  const SyncDef url{"orders", "ops", "http://crm.example.com/api", "", "", "", "", ""};
  const SyncDef assigned{"o", "", "", "=db//x", "", "", "", ""};
  const SyncDef refused{"orders", "weekly", "kafka://raw", "", "", "", "", ""};
  check({
      {"sync value with a comment mark", nodes({Group{1, "Sync", {}, {}, nodes({url, assigned})}}),
       "# Sync\n\n    ### orders\n        class: ops\n        source: http://crm.example.com/api\n"
       "    ### o\n        identity : =db//x"},
      {"sync value with a comment mark elsewhere", nodes({Group{1, "Other", {}, {}, nodes({url})}}),
       "# Other\n\n    sync:orders\n        class: ops\n        source: http://crm.example.com/api"},
      {"sync class that the lowering refuses", nodes({Group{2, "Sync", {}, {}, nodes({refused})}}),
       "## Sync\n\n    sync:orders\n        class: weekly\n        source: kafka://raw"},
      {"gated mutation with an id", nodes({Mutate{"b  ", "a", Gate{"g", {}}, {}, {}, {}, {}}}), "mutate:@b  :a"},
      {"queries", nodes({empty, nested}), "query:\n    //\nquery:\n    ? task"},
      {"module values",
       nodes({ModDef{"m", {}, {}, {}, {{"_", ""}, {"url", "http://x"}}, false}}),
       "mod:$m\n    //\n    url: \"\"\"\n        http://x\n    \"\"\""},
      {"nameless sync", nodes({SyncDef{"", "ops", "", "", "", "", "", ""}}), "#\n    class: ops"},
      {"quotes and comments in texts", nodes({quoted, commented}),
       "issue: Q\n    description: |\n        say \"hi\"\n\nissue: C\n    description: |\n        a \" // b"},
      {"formula and prompt with a comment mark",
       nodes({MetricDef{"m", {}, {}, {}, "a // b", false}, CommandsDef{{CommandEntry{"c", "", {}, "x // y"}}}}),
       "## Metric: m\n  formula: |\n    a // b\ncommands:\n  /c\n    description: \n    prompt: |\n      x // y"},
      {"quoted field text with a comment mark",
       nodes({Define{"t", {}, {FieldDef{"w", false, fv::Str{"on \"a//b\" x"}}, FieldDef{"s", false, fv::Str{"\"a//b"}}},
                     {}, {}, {}}}),
       "define:@t\n    w: on \"a//b\" x\n    s: \"a//b"},
      {"divider after a nested scope",
       nodes({SymmetryDef{nodes({ProjectScope{"S", nodes({Prose{"m"}})}})}, Divider{}, Prose{"b"}}),
       "symmetry:\n    %S\n        m\n---\n---\n\nb"},
  });
}

struct FromSource {
  const char* source;
  std::string_view want;
};

// Each source rendered as `want`, which reads back.
void check_from_source(const std::vector<FromSource>& cases) {
  for (const auto& c : cases) {
    auto doc = parse_source(c.source);
    ASSERT_TRUE(doc.ok()) << c.source;
    EXPECT_EQ(render_document(doc.value()), c.want) << c.source;
    EXPECT_EQ(render::testing::check_render_properties(c.source), "") << c.source;
  }
}

// Names whose marks, scope prefixes and spacing the writer places, read from
// source: each written where it keeps the tree.
TEST(Render, RespelledNames) {
  check_from_source({
      {"? files/(s)/x\n", "? files/(s)/x"},
      {"define:@x\n  a/(s)/b: str\n", "define:@x\n    a/(s)/b: \"str\""},
      {"mod:$billing:/ :v/\n", "mod:$billing:/:v/"},
      {"define:@ workspace:acme.@x\n", "define:@ workspace:acme.@x"},
      {"query:\n  workspace:= where .@\n", "? workspace:= where .@"},
      {"[ ] Fix the flaky test\n  status : in review / blocked\n",
       "[ ] Fix the flaky test\n    status : in review / blocked"},
      {"mutate:@{g}workspace:a.@x\n", "mutate:@{g}workspace:a.@x"},
      {"use @| from @//x\n", "use @| from @//x"},
      {"use @\" from $s//x\n", "use @\" from $s//x"},
      // Without a ".@" after it, "@workspace:" starts no scope: the template.
      {"define:@workspace:xteam\n", "define:@workspace:xteam"},
      {"define:@workspace:x from base\n", "define:@workspace:x from base"},
      {"define:@workspace:xteam :x\n", "define:@workspace:xteam :x"},
      {"define:@workspace:xteam = 1\n", "define:@workspace:xteam = 1"},
      // A ".@" in the scope after it would make one.
      {"define:@ workspace:x from @a.@b\n", "define:@ workspace:x from @a.@b"},
      // A "//" inside bars or quotes starts no comment: the marks at the end,
      // the version mark left out.
      {"? @ab |p//q|(s)\n", "? ab |p//q|(s)"},
      {"define:@t\n  \"quoted // x\" @tasks(s): 1\n", "define:@t\n    \"quoted // x\" @tasks(s): 1"},
      {"form: f\n  \"quoted // x\" @tasks(s): 1\n", "form:f\n    \"quoted // x\" @tasks(s): 1"},
      {"mod:$a|b//c| :v\n", "mod:$a|b//c|"},
      {"mod:${\"b//c\"} :v\n", "mod:${\"b//c\"}"},
      // An atom after "Entity" would open a definition: it goes first.
      {"##:\" Entity // :\"\n", "## :\" Entity // :\""},
      // An empty entity before a snapshot keeps the target's "@", which the
      // trimmed line would otherwise take the clause's word for.
      {"? @ from snap:s\n", "? @ from snap:s"},
      {"query:\n  @ from snap:\n", "? @ from snap:"},
      // The clauses in the source's order, where the template's would leave
      // the snapshot's "//" to the comment cut.
      {"? a where \" from snap://\n", "? a where \" from snap://"},
      // The same where the filter's last " where " before its own " from
      // snap:" would leave the "//" outside the quotes: an earlier one.
      {"? a where \" from snap://s where \" b where c from snap:d\n",
       "? a where \" from snap://s where \" b where c from snap:d"},
      // ... or the " where " whose last space starts the filter's own clause.
      {"? @ where \" from snap:// where from snap:\n", "? @ where \" from snap:// where from snap:"},
      // An entity that starts or ends with "from" holds the line's first
      // " from ", before which alone atoms are read: an atom goes before it,
      // a mark after it (which the reader drops) hides a "//".
      {"define:@ from :\"q //\n", "define:@ from :\" //"},
      {"define:@ from :\"q // from @s\n", "define:@ from :\" // from @s"},
      // An atom whose "//" only the entity's quote after its own " from "
      // keeps: a no-break space before that "from", which parts the words.
      {"define:@x\u00a0from \"q ://a b\"\n", "define:@x\u00a0from \"q ://a b\""},
      {"define:@workspace:w.@|p//q| :docs|{ from\n", "define:@workspace:w.@ |p//q| :docs|{ from"},
      {"define:@from |p//q| :| from from @s\n", "define:@ :| from :\" |p//q| from from @s"},
      // The space before an entity that starts with "from @" is doubled, as
      // within it, or the reader would take a scope.
      {"define:@from @r :\" //\n", "define:@ :\" from  @r //"},
      // An atom whose own "//" only the entity's quote keeps goes after a
      // first word "from", without the space that would make it " from ".
      {"define:@from \"q ://a from\n", "define:@from \"q ://a from"},
      // Marks go after the " from " also where the entity holds a " from  @"
      // of its own.
      {"define:@a from  @b :\"q //\n", "define:@ a from  @b :\" //"},
      // A declaration's name that starts with a "//" goes back to a heading,
      // whose atoms hide it, not to an untitled one.
      {"# Sync\n  ## :\"g //\n", "# Sync\n\n    ### :\" //"},
      // Two bars before a value keep its leading space and open no span.
      {"comment:\n created_at:|| |//\n", "comment:\n    body: \"\"\n    created_at: || |//|"},
      {"issue: t\n  due_date: || a|//\n", "issue: t\n    due_date: || a|//|"},
      // A closing reference between slashes of the text keeps them apart.
      {"[ ] /git:closes #1/\n", "[ ] /git:closes #1/"},
      {"[ ] a/git:closes #12/b //c\n", "[ ] a/git:closes #12/b"},
      // ... beside a gate that no placing lets hide them.
      {"[ ] {}{/git:closes #1/\n", "[ ] {} {/git:closes #1/"},
      // ... and not before the text too, where the text holds one of its own.
      {"[ ] a/git:closes #1/b git:closes #12\n", "[ ] a/git:closes #1/b git:closes #12"},
      // A one-line "|" would open an empty block.
      {"commands:\n  /a\n    prompt: |\n      |\n", "commands:\n  /a\n    description: \n    prompt: |\n      |"},
      {"project: p\n  commands:\n    /a\n      prompt: |\n        |\n",
       "project:p\n  brief: \n    commands:\n      /a\n        description: \n        prompt: |\n          |"},
  });
}

// Lattice headings read from source: the line form where its key lines
// hold the settings, else the heading, whose settings its members' lines may
// give; each written where it keeps the tree.
TEST(Render, LatticeHeadings) {
  check_from_source({
      {"## Constraint\n  rule :=\n", "## Constraint\n\n    rule :="},
      {"## Constraint\n  applies_to :=\n  rule:a\n", "lattice_constraint:\n    rule: a\n    applies_to: , =\n    applies_to :="},
      {"## Constraint\n  rule :=\n  applies_to: a\n", "## Constraint\n\n    applies_to: a\n    rule :="},
      // A setting that a member's line gives otherwise goes after the
      // members; it ends the scope among them, which needs no closing line.
      {"## Constraint\n  rule : =x\n  applies_to : b\n  %s\n    m\n  applies_to: c\n---\n",
       "## Constraint\n\n    rule : =x\n    applies_to : b\n    %s\n        m\n    applies_to: c\n---"},
      {"## Pressure Effect\n  dynamic : =x\n  target : =y\n", "## Pressure Effect\n\n    dynamic : =x\n    target : =y"},
      // The artifact line after the members ends the scope among them.
      {"## Validates\n  schema: s\n  artifact: x\n  %a\n---\n---\n",
       "lattice_validates:\n    schema: s\n    %a\n    artifact: x\n---"},
  });
  // No heading holds a type, and no "rule:" line a rule that begins with
  // '=': the line form is the nearest.
  check({{"typed constraint with an assignment's rule", nodes({LatticeConstraintDef{"t", "=x", {}, {}}}),
          "lattice_constraint: t\n    rule: =x"}});
}

// Every combination of timeout, wait, gate (braced, bare) and label on a
// parallel edge, in both blocks: the line gives back the mark and one
// segment, the first set (which field it reads as, the rows above pin).
TEST(Render, ParallelMarkBesideEverySegment) {
  using Text = std::optional<std::string>;
  for (int mask = 0; mask < 24; ++mask) {
    const Text timeout = mask & 1 ? Text("1h") : Text();
    const Text wait = mask & 2 ? Text("5m") : Text();
    const Text label = mask & 4 ? Text("lbl") : Text();
    const Text gate = mask / 8 == 1 ? Text("{ok}") : mask / 8 == 2 ? Text("g") : Text();
    const Text first = timeout ? timeout : wait ? wait : gate ? gate : label;
    const FlowEdge edge{{"a"}, {"b"}, label, true, gate, wait, timeout};
    for (const Node& node : {Node(Flow{{}, {edge}}), Node(StatesDef{{edge}})}) {
      const std::string text = render_document(Nodes{node});
      auto back = parse_source(text);
      ASSERT_TRUE(back.ok() && back.value().nodes.size() == 1) << text;
      const Node& got = back.value().nodes[0];
      const std::vector<FlowEdge>& edges = got.holds<Flow>() ? got.get<Flow>().edges : got.get<StatesDef>().transitions;
      ASSERT_EQ(edges.size(), 1u) << text;
      const FlowEdge& e = edges[0];
      EXPECT_TRUE(e.parallel) << text;
      const Text read = e.timeout ? e.timeout : e.wait ? e.wait : e.gate ? e.gate : e.label;
      EXPECT_EQ(read, first) << text;
      EXPECT_EQ(int(e.timeout.has_value()) + e.wait.has_value() + e.gate.has_value() + e.label.has_value(),
                int(first.has_value()))
          << text;
    }
  }
}

TEST(Render, DocumentAndNodeListAgree) {
  Document doc{nodes({Prose{"a"}, Prose{"b  "}})};
  EXPECT_EQ(render_document(doc), "a\nb");
  EXPECT_EQ(render_document(doc.nodes), "a\nb");
}

}  // namespace
}  // namespace varn
