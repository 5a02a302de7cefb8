#include <gtest/gtest.h>

#include <filesystem>

#include "index/index.hpp"
#include "json/reader.hpp"
#include "tests/golden.hpp"
#include "varn/operations.hpp"
#include "varn/parse.hpp"

namespace varn::index {
namespace {

namespace fs = std::filesystem;

const fs::path kData = fs::path(VARN_TEST_DATA) / "index/tests/data";

std::string index_json(const Nodes& nodes) { return serialize_document_index(build_document_index(Document{nodes})).value(); }

Group group(std::string name, Nodes children, std::vector<Atom> atoms = {}, uint8_t depth = 1) {
  return Group{depth, std::move(name), std::move(atoms), {}, std::move(children)};
}

Task task(std::string text, Inlines spans = {}, Nodes children = {}) {
  Task t;
  t.text = std::move(text);
  t.inline_ = std::move(spans);
  t.children = std::move(children);
  return t;
}

Ref ref(Strings path) { return Ref{std::move(path), false, std::nullopt, std::nullopt}; }

Prose prose(std::string text, Inlines spans) { return Prose{std::move(text), std::move(spans)}; }


TEST(DocumentIndex, EmptyDocumentGivesFourteenEmptyMembers) {
  testing::expect_golden(index_json({}), kData / "empty.json");
  auto text = ops::build_index("");
  ASSERT_TRUE(text.ok());
  testing::expect_golden(text.value(), kData / "empty.json");
}

// One node of every collected kind, nested where the walk descends, beside
// kinds whose contents are never visited.
Nodes every_collected_kind() {
  Task labelled = task("ship\t\"it\" caf\xc3\xa9", {Atom{"@carol", std::nullopt}});
  labelled.label = "L1";
  labelled.marker.kind = MarkerKind::Completed;
  labelled.gates = {{"review", "body"}, {"qa", std::nullopt}};
  labelled.on_pass = Nodes{task("on pass is not indexed")};
  labelled.match_arms = std::vector<MatchArm>{{"x", {task("arm is not indexed")}}};

  Nodes inner;
  inner.push_back(std::move(labelled));
  inner.push_back(prose("see @a:b and @c", {InlineText{"see "}, ref({"a", "b"}), InlineText{" and "}, ref({"c"})}));
  inner.push_back(Variable{"x", std::string("one")});
  inner.push_back(Variable{"live", Compute{"a + b", true}});
  inner.push_back(FilesDef{{"src/*.cpp", "docs/"}});
  inner.push_back(PolicyDef{{{"src/", {{"review", std::nullopt}, {"ci", "x"}}}, {"docs/", {}}}});
  inner.push_back(ValidateDef{"checks", {}, {task("inside validate")}});
  inner.push_back(Conditional{Compute{"x > 1", false}, {task("inside conditional")}});

  Nodes top;
  top.push_back(task("top task"));
  top.push_back(group("Plan", {group("Build", std::move(inner), {{"fast", std::nullopt}}, 2)}, {{"owner", "@ops"}}));
  top.push_back(Variable{"x", Ref{{"team", "alice"}, false, std::nullopt, std::nullopt}});
  top.push_back(Variable{"calc", Compute{"1 + 2", false}});
  top.push_back(Flow{std::nullopt, {{{"a", "b"}, {"c"}, "lbl", true, "g", std::nullopt, std::nullopt}, {{"c"}, {}, {}, false, {}, {}, {}}}});
  top.push_back(FormDef{"signup", {}, {}, {}, {}, {}, {}});
  top.push_back(ModDef{"mailer", "job", std::nullopt, std::nullopt, {}, false});
  top.push_back(ModDef{"plain", std::nullopt, std::nullopt, std::nullopt, {}, false});
  top.push_back(ModInvoke{"mailer", "send", "x"});
  top.push_back(Remember{"the key"});
  top.push_back(RecallOp{"what key"});
  top.push_back(EmbedMarker{"^tag"});
  top.push_back(Escalate{"@oncall"});
  top.push_back(FilesDef{{"top/"}});
  top.push_back(IssueDef{"Bug", {}, {}, {}, {}, {}, {}, {}, {}, {}, {}, {}, {task("in issue")}});
  top.push_back(ThreadComment{{}, {}, "b", {}, {}, {}, {task("in comment")}});
  top.push_back(GateDef{"ship", {task("in gate")}});
  top.push_back(ProjectScope{"alpha", {group("Hidden", {})}});
  top.push_back(UnitCellDef{{task("in lattice")}});
  top.push_back(prose("no refs", {InlineText{"no refs"}}));
  top.push_back(CodeBlock{"py", "x"});
  return top;
}

TEST(DocumentIndex, EveryCollectedKind) {
  testing::expect_golden(index_json(every_collected_kind()), kData / "every_kind.json");
}

TEST(DocumentIndex, SameInputGivesIdenticalText) {
  EXPECT_EQ(index_json(every_collected_kind()), index_json(every_collected_kind()));
}

// The members of `variables` in the order written.
using Members = std::vector<std::pair<std::string, std::string>>;
Members variables(const Nodes& nodes) {
  const std::string text = index_json(nodes);
  const auto parsed = json::parse(text);
  Members out;
  for (const json::Member& m : parsed.value().root.object()) {
    if (m.key != "variables") continue;
    for (const json::Member& v : m.value.object()) out.emplace_back(v.key, v.value.str());
  }
  return out;
}

std::vector<std::optional<std::string>> task_assignees(const Nodes& nodes) {
  std::vector<std::optional<std::string>> out;
  for (const IndexTask& t : build_document_index(Document{nodes}).tasks) out.push_back(t.assignee);
  return out;
}

using Assignees = std::vector<std::optional<std::string>>;
const std::nullopt_t none = std::nullopt;

TEST(DocumentIndex, AssigneesHandedDown) {
  const struct {
    const char* name;
    Nodes nodes;
    Assignees expected;
  } cases[] = {
      {"top-level task has none", {task("t"), group("G", {}, {{"@ops", {}}})}, {none}},
      {"group atom name", {group("G", {task("t"), group("Sub", {task("u")})}, {{"@ops", {}}})}, {"@ops", "@ops"}},
      {"atom value when the name lacks @",
       {group("G", {task("t")}, {{"owner", "@val"}, {"@second", {}}})},
       {"@val"}},
      {"first qualifying atom wins", {group("G", {task("t")}, {{"@a", {}}, {"@b", {}}})}, {"@a"}},
      {"empty atom name is passed over", {group("G", {task("t")}, {{"", "@v"}})}, {"@v"}},
      {"ref bob then atom @carol",
       {task("t", {ref({"bob"}), Atom{"@carol", std::nullopt}})},
       {"@carol"}},
      {"ref agent", {task("t", {ref({"agent"})})}, {"@agent"}},
      {"ref me", {task("t", {ref({"me"})})}, {"@me"}},
      {"ref a:b", {task("t", {ref({"a", "b"})})}, {"@a:b"}},
      {"ref without segments", {task("t", {ref({})})}, {none}},
      {"atom value is not read on tasks", {task("t", {Atom{"x", "@v"}})}, {none}},
      {"own assignee beats the group's", {group("G", {task("t", {ref({"me"})})}, {{"@ops", {}}})}, {"@me"}},
      {"child task does not inherit from its parent task",
       {task("parent", {ref({"me"})}, {task("child")}),
        group("G", {task("p", {ref({"me"})}, {task("c")})}, {{"@ops", {}}})},
       {"@me", none, "@me", "@ops"}},
      {"sibling group of equal name lends its assignee",
       {group("A", {}, {{"@first", {}}}), group("A", {task("t")})},
       {"@first"}},
      {"a later group lends to earlier tasks", {group("A", {task("t")}), group("A", {}, {{"@late", {}}})}, {"@late"}},
      {"last group with the path wins",
       {group("A", {task("t")}, {{"@one", {}}}), group("A", {task("u")}, {{"@two", {}}})},
       {"@one", "@two"}},
      {"prefix lookup drops segments from the end",
       {group("A", {group("B", {task("t")})}, {{"@a", {}}}), group("A", {group("B", {task("u")})})},
       {"@a", "@a"}},
      {"inner group's own assignee is deeper",
       {group("A", {group("B", {task("t")}, {{"@b", {}}}), task("u")}, {{"@a", {}}})},
       {"@b", "@a"}},
      {"tasks under validate and conditional inherit",
       {group("G", {ValidateDef{"v", {}, {task("t")}}, Conditional{Compute{"c", false}, {task("u")}}}, {{"@g", {}}})},
       {"@g", "@g"}},
  };
  for (const auto& c : cases) EXPECT_EQ(task_assignees(c.nodes), c.expected) << c.name;
}

TEST(DocumentIndex, VariablesQualifiedAndBare) {
  Nodes nodes;
  nodes.push_back(group("A", {group("B", {Variable{"x", std::string("inner")}})}));
  nodes.push_back(group("C", {Variable{"x", std::string("later")}}));
  nodes.push_back(Variable{"top", std::string("t")});
  EXPECT_EQ(variables(nodes), (Members{{"A:B:x", "inner"}, {"C:x", "later"}, {"top", "t"}, {"x", "later"}}));
}

TEST(DocumentIndex, VariableKeysAreTheirJoinedTexts) {
  // Names hold ':' and bytes that sort before it: keys of different paths
  // can be one text, and the texts order as texts, not as paths.
  Nodes nodes;
  nodes.push_back(group("a:b", {Variable{"c", std::string("1")}}));
  nodes.push_back(group("a", {group("b", {Variable{"c", std::string("2")}}), Variable{"z", std::string("3")}}));
  nodes.push_back(Variable{"a:b:c", std::string("4")});
  nodes.push_back(Variable{"a0", std::string("5")});
  nodes.push_back(Variable{"a", std::string("6")});
  nodes.push_back(group("a", {Variable{"b:c:d", std::string("7")}}));
  EXPECT_EQ(variables(nodes), (Members{{"a", "6"}, {"a0", "5"}, {"a:b:c", "4"}, {"a:b:c:d", "7"}, {"a:z", "3"},
                                       {"b:c:d", "7"}, {"c", "2"}, {"z", "3"}}));
}

TEST(DocumentIndex, GroupsRecordTheirOwnAssigneeOnly) {
  Nodes nodes;
  nodes.push_back(group("A", {group("B", {}, {}, 2)}, {{"@ops", {}}}));
  auto index = build_document_index(Document{nodes});
  ASSERT_EQ(index.groups.size(), 2u);
  EXPECT_EQ(index.groups[0].assignee, "@ops");
  EXPECT_EQ(index.groups[1].assignee, std::nullopt);
  EXPECT_EQ(path_names(index.groups[1].path), (Strings{"A", "B"}));
}

// The size measured before the text is written is the size of the text, and
// a limit below it refuses the text; shown on every document of these tests.
TEST(DocumentIndex, MeasuredSizeIsTheSizeWrittenAndTheLimitRefusesMore) {
  std::vector<DocumentIndex> indexes;
  indexes.push_back(build_document_index(Document{every_collected_kind()}));
  for (const auto& entry : fs::directory_iterator(kData)) {
    if (entry.path().extension() == ".varn") indexes.push_back(build_document_index(parse_source(testing::slurp(entry.path())).value()));
  }
  for (const DocumentIndex& index : indexes) {
    const std::size_t size = index_text_size(index);
    EXPECT_EQ(serialize_document_index(index, size).value().size(), size);
    const auto refused = serialize_document_index(index, size - 1);
    ASSERT_FALSE(refused.ok());
    EXPECT_EQ(refused.error().needed, size);
    EXPECT_EQ(refused.error().available, size - 1);
  }
}

TEST(DocumentIndex, ThroughParse) {
  for (const auto& entry : fs::directory_iterator(kData)) {
    if (entry.path().extension() != ".varn") continue;
    fs::path expected = entry.path();
    expected.replace_extension(".json");
    auto text = ops::build_index(testing::slurp(entry.path()));
    ASSERT_TRUE(text.ok()) << entry.path();
    testing::expect_golden(text.value(), expected);
  }
}

}  // namespace
}  // namespace varn::index
