// Issue and project records read back from both forms, and their errors.
#include "ast_read/tests/reader2_cases.hpp"

namespace varn::testing {
namespace {

constexpr ReadCase kIssueReads[] = {
    {R"({"kind":"Issue","title":"t","gates":[],"children":[]})", ""},
    {R"({"kind":"Issue","title":"t","id":"i","on":"o","status":"s","priority":"p","assignee":"a",)"
     R"("labels":["x","y"],"estimate":2.5,"milestone":"m","due_date":"d","description":"e",)"
     R"("gates":[{"name":"g","body":null}],"children":[{"kind":"Divider"}]})",
     ""},
    // Members in any order, undeclared ones skipped however deep.
    {R"({"children":[],"note":{"a":[[1,{"b":null}]]},"gates":[],"kind":"Issue","title":"t"})",
     R"({"kind":"Issue","title":"t","gates":[],"children":[]})"},
    {R"({"kind":"Issue","title":"t","estimate":2,"gates":[],"children":[]})",
     R"({"kind":"Issue","title":"t","estimate":2.0,"gates":[],"children":[]})"},
    {R"({"kind":"Issue","title":"t","estimate":-0.5,"gates":[],"children":[]})", ""},
    {R"({"kind":"Issue","title":"t","id":null,"estimate":null,"labels":[],"gates":[],"children":[]})",
     R"({"kind":"Issue","title":"t","gates":[],"children":[]})"},
    {R"({"kind":"Issue","title":"t","id":"","gates":[],"children":[]})", ""},
    {R"(["Issue","t",null,null,null,null,null,[],null,null,null,null,[],[]])",
     R"({"kind":"Issue","title":"t","gates":[],"children":[]})"},
    {R"(["Issue","t","i",null,null,null,null,["l"],3,null,null,null,[["g","b"]],[["Divider"]]])",
     R"({"kind":"Issue","title":"t","id":"i","labels":["l"],"estimate":3.0,"gates":[{"name":"g","body":"b"}],)"
     R"("children":[{"kind":"Divider"}]})"},
    // A nested node may name its kind by index.
    {R"({"kind":"Issue","title":"t","gates":[],"children":[{"kind":47,"title":"u","gates":[],"children":[]}]})",
     R"({"kind":"Issue","title":"t","gates":[],"children":[{"kind":"Issue","title":"u","gates":[],"children":[]}]})"},
};

constexpr FailCase kIssueFails[] = {
    {R"({"kind":"Issue","gates":[],"children":[]})", "missing field `title`"},
    {R"({"kind":"Issue","children":[]})", "missing field `title`"},
    {R"({"kind":"Issue","title":"t","children":[]})", "missing field `gates`"},
    {R"({"kind":"Issue","title":"t","gates":[]})", "missing field `children`"},
    {R"({"kind":"Issue","title":"t","labels":null,"gates":[],"children":[]})",
     "invalid type: null, expected a sequence"},
    {R"({"kind":"Issue","title":"t","labels":[1],"gates":[],"children":[]})",
     "invalid type: integer `1`, expected a string"},
    {R"({"kind":"Issue","title":"t","estimate":"2","gates":[],"children":[]})",
     "invalid type: string \"2\", expected f64"},
    {R"({"kind":"Issue","title":"t","estimate":true,"gates":[],"children":[]})",
     "invalid type: boolean `true`, expected f64"},
    {R"({"kind":"Issue","title":"t","estimate":1,"estimate":1,"gates":[],"children":[]})",
     "duplicate field `estimate`"},
    {R"({"kind":"Issue","title":"t","id":null,"id":null,"gates":[],"children":[]})", "duplicate field `id`"},
    {R"({"kind":"Issue","title":null,"gates":[],"children":[]})", "invalid type: null, expected a string"},
    {R"({"kind":"Issue","title":"t","id":1,"gates":[],"children":[]})",
     "invalid type: integer `1`, expected a string"},
    {R"({"kind":"Issue","title":"t","gates":["g"],"children":[]})",
     "invalid type: string \"g\", expected struct Gate"},
    {R"({"kind":"Issue","title":"t","gates":[],"children":[5]})",
     "invalid type: integer `5`, expected internally tagged enum Node"},
    {R"({"kind":"Issue","title":"t","gates":[],"children":null})", "invalid type: null, expected a sequence"},
    {R"(["Issue"])", "invalid length 0, expected struct IssueDef with 13 elements"},
    {R"(["Issue","t",null,null,null,null])", "invalid length 5, expected struct IssueDef with 13 elements"},
    // `labels` may be left out at the end of the array; the position after it may not.
    {R"(["Issue","t",null,null,null,null,null])", "invalid length 7, expected struct IssueDef with 13 elements"},
    {R"(["Issue","t",null,null,null,null,null,[],null,null,null,null,[]])",
     "invalid length 12, expected struct IssueDef with 13 elements"},
    {R"(["Issue","t",null,null,null,null,null,[],null,null,null,null,[],[],1])",
     "invalid length 14, expected 13 elements in sequence"},
};

TEST(Reader2Issue, Reads) {
  for (const auto& c : kIssueReads) expect_reads(c);
}
TEST(Reader2Issue, Fails) {
  for (const auto& c : kIssueFails) expect_fails(c);
}

constexpr ReadCase kProjectReads[] = {
    {R"({"kind":"Project","name":"p","brief":"b"})", ""},
    {R"({"kind":"Project","name":"p","brief":"b","commands":null,"serve":null,"fitness":null})",
     R"({"kind":"Project","name":"p","brief":"b"})"},
    // An empty command list is not the same as none.
    {R"({"kind":"Project","name":"p","brief":"b","commands":{"commands":[]}})", ""},
    {R"({"kind":"Project","name":"p","brief":"b","heartbeat":"h","framework":"f","status":"s",)"
     R"("commands":{"commands":[{"name":"n","description":"d","params":["a","b"],"prompt":"q"}]},)"
     R"("serve":{"target":"t","command":"c","port":"8080","open":"o"},"fitness":1.5,"pressure":-2.5,)"
     R"("phase":"ph","inhibited_until":"iu","completion":"co","kpi":"k","routine":"r"})",
     ""},
    {R"({"kind":"Project","name":"p","brief":"b","fitness":1})",
     R"({"kind":"Project","name":"p","brief":"b","fitness":1.0})"},
    // Nested records carry no tag: a `kind` member there is skipped.
    {R"({"kind":"Project","name":"p","brief":"b","serve":{"kind":"Serve","target":"t","command":"c"}})",
     R"({"kind":"Project","name":"p","brief":"b","serve":{"target":"t","command":"c"}})"},
    {R"({"kind":"Project","name":"p","brief":"b","commands":[[["n","d",[],"q"]]],"serve":["t","c",null,"o"]})",
     R"({"kind":"Project","name":"p","brief":"b","commands":{"commands":[{"name":"n","description":"d",)"
     R"("params":[],"prompt":"q"}]},"serve":{"target":"t","command":"c","open":"o"}})"},
    {R"(["Project","p","b",null,null,null,null,null,null,null,null,null,null,null,"r"])",
     R"({"kind":"Project","name":"p","brief":"b","routine":"r"})"},
    {R"(["Commands",[]])", R"({"kind":"Commands","commands":[]})"},
    {R"({"kind":"Commands","commands":[{"name":"n","description":"","params":[],"prompt":""}]})", ""},
    {R"({"kind":"Serve","target":"t","command":"c"})", ""},
    {R"({"kind":"Serve","target":"t","command":"c","port":"8080","open":null})",
     R"({"kind":"Serve","target":"t","command":"c","port":"8080"})"},
    {R"(["Serve","t","c","1",null])", R"({"kind":"Serve","target":"t","command":"c","port":"1"})"},
    // The record's own `kind` follows the tag, as the writer writes it.
    {R"(["Directive","k","v"])", R"({"kind":"Directive","kind":"k","value":"v"})"},
    {R"({"kind":"Directive","kind":"k","value":"v"})", ""},
    {R"({"value":"v","kind":"Directive","kind":"k"})", R"({"kind":"Directive","kind":"k","value":"v"})"},
    {R"({"kind":"ProjectScope","name":"n","children":[]})", ""},
    {R"({"kind":"GateDef","name":"n","children":[{"kind":"Divider"}]})", ""},
    {R"({"kind":"BoundDef","name":"n","children":[]})", ""},
    {R"({"kind":"BuildDef","name":"n","children":[]})", ""},
    {R"({"kind":"RunDef","name":"n","children":[]})", ""},
    {R"(["RunDef","n",[["GateDef","g",[]]]])",
     R"({"kind":"RunDef","name":"n","children":[{"kind":"GateDef","name":"g","children":[]}]})"},
};

constexpr FailCase kProjectFails[] = {
    {R"({"kind":"Project"})", "missing field `name`"},
    {R"({"kind":"Project","name":"p"})", "missing field `brief`"},
    {R"({"kind":"Project","name":"p","brief":"b","fitness":"1"})", "invalid type: string \"1\", expected f64"},
    {R"({"kind":"Project","name":"p","brief":"b","pressure":[]})", "invalid type: sequence, expected f64"},
    {R"({"kind":"Project","name":"p","brief":"b","heartbeat":null,"heartbeat":null})",
     "duplicate field `heartbeat`"},
    {R"({"kind":"Project","name":"p","brief":"b","commands":"x"})",
     "invalid type: string \"x\", expected struct CommandsDef"},
    {R"({"kind":"Project","name":"p","brief":"b","serve":1})", "invalid type: integer `1`, expected struct ServeDef"},
    {R"({"kind":"Project","name":"p","brief":"b","serve":{"target":"t"}})", "missing field `command`"},
    {R"({"kind":"Project","name":"p","brief":"b","commands":{}})", "missing field `commands`"},
    {R"(["Project","p","b",null,null,null,null,null,null,null,null,null,null,null])",
     "invalid length 13, expected struct ProjectDef with 14 elements"},
    {R"(["Project","p","b",null,null,null,null,null,null,null,null,null,null,null,null,null])",
     "invalid length 15, expected 14 elements in sequence"},
    {R"({"kind":"Serve","target":"t","command":"c","port":8080})",
     "invalid type: integer `8080`, expected a string"},
    {R"({"kind":"Serve","command":"c"})", "missing field `target`"},
    {R"(["Serve","t","c",null])", "invalid length 3, expected struct ServeDef with 4 elements"},
    {R"({"kind":"Commands"})", "missing field `commands`"},
    {R"({"kind":"Commands","commands":null})", "invalid type: null, expected a sequence"},
    {R"(["Commands"])", "invalid length 0, expected struct CommandsDef with 1 element"},
    {R"(["Commands",[],[]])", "invalid length 2, expected 1 element in sequence"},
    {R"({"kind":"Commands","commands":[{"name":"n","description":"d","prompt":"q"}]})", "missing field `params`"},
    {R"({"kind":"Commands","commands":[["n","d",[]]]})",
     "invalid length 3, expected struct CommandEntry with 4 elements"},
    {R"({"kind":"Commands","commands":["n"]})", "invalid type: string \"n\", expected struct CommandEntry"},
    {R"(["Directive","k"])", "invalid length 1, expected struct DirectiveDef with 2 elements"},
    {R"(["Directive","k","v","w"])", "invalid length 3, expected 2 elements in sequence"},
    {R"({"kind":"Directive","value":"v"})", "missing field `kind`"},
    {R"({"kind":"Directive","kind":"k"})", "missing field `value`"},
    // In a nested node a third `kind` is refused once the node is read.
    {R"({"kind":"RunDef","name":"n","children":[{"kind":"Directive","kind":"k","kind":"x","value":"v"}]})",
     "duplicate field `kind`"},
    {R"({"kind":"ProjectScope","name":"n"})", "missing field `children`"},
    {R"({"kind":"GateDef","name":"n"})", "missing field `children`"},
    {R"({"kind":"BoundDef","name":"n"})", "missing field `children`"},
    {R"({"kind":"BuildDef","name":"n"})", "missing field `children`"},
    {R"({"kind":"RunDef","name":"n"})", "missing field `children`"},
    {R"({"kind":"RunDef","children":[]})", "missing field `name`"},
    {R"(["GateDef","n"])", "invalid length 1, expected struct GateDef with 2 elements"},
    {R"(["BoundDef","n",[],1])", "invalid length 3, expected 2 elements in sequence"},
    {R"(["ProjectScope"])", "invalid length 0, expected struct ProjectScope with 2 elements"},
    {R"(["BuildDef",1,[]])", "invalid type: integer `1`, expected a string"},
};

TEST(Reader2Project, Reads) {
  for (const auto& c : kProjectReads) expect_reads(c);
}
TEST(Reader2Project, Fails) {
  for (const auto& c : kProjectFails) expect_fails(c);
}

}  // namespace
}  // namespace varn::testing
