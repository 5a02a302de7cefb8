// State machines, validations, checks, modules, status sets, routines,
// webhooks, file scopes and policies.
#include "ast_read/tests/reader2_cases.hpp"

namespace varn::testing {
namespace {

constexpr ReadCase kReads[] = {
    {R"({"kind":"States","transitions":[]})", ""},
    {R"(["States",[[["a"],["b"],null,false,null,null,null]]])",
     R"({"kind":"States","transitions":[{"from":["a"],"to":["b"],"label":null,"parallel":false,"gate":null,)"
     R"("wait":null,"timeout":null}]})"},
    {R"(["Webhook","t","u",null])", R"({"kind":"Webhook","trigger":"t","url":"u","payload":null})"},
    {R"(["FilesDef",["a"]])", R"({"kind":"FilesDef","paths":["a"]})"},
    {R"(["PolicyDef",[]])", R"({"kind":"PolicyDef","rules":[]})"},
    {R"({"kind":"States","transitions":[{"from":["a"],"to":["b","c"],"label":"l","parallel":true,"gate":null,)"
     R"("wait":null,"timeout":"5m"}]})",
     ""},
    {R"({"kind":"Routine","trigger":"t","expr":"e"})", ""},
    {R"(["Routine","t","e"])", R"({"kind":"Routine","trigger":"t","expr":"e"})"},
    {R"({"kind":"Webhook","trigger":"t","url":"u"})", R"({"kind":"Webhook","trigger":"t","url":"u","payload":null})"},
    {R"({"kind":"Webhook","trigger":"t","url":"u","payload":null})", ""},
    {R"({"kind":"Webhook","trigger":"t","url":"u","payload":""})", ""},
    {R"({"kind":"StatusDef","options":[]})", ""},
    {R"(["StatusDef",["open","done"]])", R"({"kind":"StatusDef","options":["open","done"]})"},
    {R"({"kind":"FilesDef","paths":["a","a"]})", ""},
    {R"({"kind":"Validate","name":"v","children":[]})", R"({"kind":"Validate","name":"v","meta":{},"children":[]})"},
    {R"({"kind":"Validate","name":"v","meta":{},"children":[]})", ""},
    {R"({"kind":"Validate","name":"v","meta":[],"children":[]})", R"({"kind":"Validate","name":"v","meta":{},"children":[]})"},
    {R"({"kind":"Validate","name":"v","meta":{"targets":["a"],"depends_on":["b","c"]},"children":[]})", ""},
    {R"({"kind":"Validate","name":"v","meta":{"id":"i","targets":["a"],"requires":["r"],"blocks":["b"],)"
     R"("depends_on":["d"]},"children":[{"kind":"Validate","name":"w","meta":{},"children":[]}]})",
     ""},
    {R"({"kind":"Validate","name":"v","meta":["m1"],"children":[]})",
     R"({"kind":"Validate","name":"v","meta":{"id":"m1"},"children":[]})"},
    {R"({"kind":"Validate","name":"v","meta":[null,["a"]],"children":[]})",
     R"({"kind":"Validate","name":"v","meta":{"targets":["a"]},"children":[]})"},
    {R"({"kind":"Validate","name":"v","meta":[null,[],[],[],["d"]],"children":[]})",
     R"({"kind":"Validate","name":"v","meta":{"depends_on":["d"]},"children":[]})"},
    {R"(["Validate","v",{},[]])", R"({"kind":"Validate","name":"v","meta":{},"children":[]})"},
    {R"({"kind":"Check","name":"c","body":[["k","v"],["k","w"]]})",
     R"({"kind":"Check","name":"c","meta":{},"body":[["k","v"],["k","w"]]})"},
    {R"({"kind":"Check","name":"c","meta":{"id":"x"},"body":[["",""]]})", ""},
    {R"(["Check","c",["x"],[]])", R"({"kind":"Check","name":"c","meta":{"id":"x"},"body":[]})"},
    // The record's own `kind` follows the tag, as the writer writes it.
    {R"({"kind":"ModDef","name":"m","kind":"k","description":null,"trigger":null,"body":[],"versioned":false})", ""},
    {R"({"kind":"ModDef","name":"m","kind":null,"description":"d","trigger":[],"body":[["a","b"]],"versioned":true})",
     ""},
    {R"({"kind":"ModDef","name":"m","description":null,"trigger":["x","y"],"body":[],"versioned":false})",
     R"({"kind":"ModDef","name":"m","kind":null,"description":null,"trigger":["x","y"],"body":[],"versioned":false})"},
    {R"(["ModDef","m","k",null,null,[],false])",
     R"({"kind":"ModDef","name":"m","kind":"k","description":null,"trigger":null,"body":[],"versioned":false})"},
    {R"({"kind":"PolicyDef","rules":[{"path":"src/","gates":[]}]})", ""},
    {R"({"kind":"PolicyDef","rules":[["src/",[["g",null]]],{"kind":"PolicyRule","path":"a","gates":[]}]})",
     R"({"kind":"PolicyDef","rules":[{"path":"src/","gates":[{"name":"g","body":null}]},{"path":"a","gates":[]}]})"},
};

constexpr FailCase kFails[] = {
    {R"({"kind":"States"})", "missing field `transitions`"},
    {R"({"kind":"States","transitions":[1]})", "invalid type: integer `1`, expected struct FlowEdge"},
    {R"(["States",[],[]])", "invalid length 2, expected 1 element in sequence"},
    {R"(["States"])", "invalid length 0, expected struct StatesDef with 1 element"},
    {R"({"kind":"Routine","trigger":"t"})", "missing field `expr`"},
    {R"({"kind":"Routine","trigger":5})", "invalid type: integer `5`, expected a string"},
    {R"(["Routine","t"])", "invalid length 1, expected struct Routine with 2 elements"},
    {R"({"kind":"Webhook","url":"u"})", "missing field `trigger`"},
    {R"({"kind":"Webhook","trigger":"t","url":"u","payload":null,"payload":null})", "duplicate field `payload`"},
    {R"(["Webhook","t","u"])", "invalid length 2, expected struct Webhook with 3 elements"},
    {R"(["Webhook","t","u",null,null])", "invalid length 4, expected 3 elements in sequence"},
    {R"({"kind":"StatusDef"})", "missing field `options`"},
    {R"({"kind":"StatusDef","options":null})", "invalid type: null, expected a sequence"},
    {R"(["StatusDef",[],[]])", "invalid length 2, expected 1 element in sequence"},
    {R"({"kind":"FilesDef","paths":[null]})", "invalid type: null, expected a string"},
    {R"(["FilesDef"])", "invalid length 0, expected struct FilesDef with 1 element"},
    {R"({"kind":"Validate","name":"v","meta":null,"children":[]})", "invalid type: null, expected struct AttachmentMeta"},
    {R"({"kind":"Validate","name":"v","meta":"m","children":[]})",
     "invalid type: string \"m\", expected struct AttachmentMeta"},
    {R"({"kind":"Validate","name":"v","meta":[null,[],[],[],[],[]],"children":[]})",
     "invalid length 6, expected 5 elements in sequence"},
    {R"({"kind":"Validate","name":"v","meta":{"targets":null},"children":[]})",
     "invalid type: null, expected a sequence"},
    {R"({"kind":"Validate","name":"v","meta":{"id":null,"id":null},"children":[]})", "duplicate field `id`"},
    {R"({"kind":"Validate","name":"v"})", "missing field `children`"},
    {R"({"kind":"Validate","children":[]})", "missing field `name`"},
    {R"(["Validate"])", "invalid length 0, expected struct ValidateDef with 3 elements"},
    // `meta` may be left out at the end of the array; the position after it may not.
    {R"(["Validate","v"])", "invalid length 2, expected struct ValidateDef with 3 elements"},
    {R"(["Validate","v",{}])", "invalid length 2, expected struct ValidateDef with 3 elements"},
    {R"(["Validate","v",{},[],1])", "invalid length 4, expected 3 elements in sequence"},
    {R"(["Check","c"])", "invalid length 2, expected struct CheckDef with 3 elements"},
    {R"({"kind":"Check","name":"c"})", "missing field `body`"},
    {R"({"kind":"Check","name":"c","meta":{},"meta":{},"body":[]})", "duplicate field `meta`"},
    {R"({"kind":"Check","name":"c","body":[[]]})", "invalid length 0, expected a tuple of size 2"},
    {R"({"kind":"Check","name":"c","body":[["k"]]})", "invalid length 1, expected a tuple of size 2"},
    {R"({"kind":"Check","name":"c","body":[["k","v","x"]]})", "invalid length 3, expected 2 elements in sequence"},
    {R"({"kind":"Check","name":"c","body":[{"k":"v"}]})", "invalid type: map, expected a tuple of size 2"},
    {R"({"kind":"Check","name":"c","body":{"k":"v"}})", "invalid type: map, expected a sequence"},
    {R"({"kind":"Check","name":"c","body":null})", "invalid type: null, expected a sequence"},
    {R"({"kind":"Check","name":"c","body":[["k",1]]})", "invalid type: integer `1`, expected a string"},
    {R"({"kind":"ModDef"})", "missing field `name`"},
    {R"({"kind":"ModDef","name":"m"})", "missing field `body`"},
    {R"({"kind":"ModDef","name":"m","body":[]})", "missing field `versioned`"},
    {R"({"kind":"ModDef","name":"m","body":[],"versioned":null})", "invalid type: null, expected a boolean"},
    {R"({"kind":"ModDef","name":"m","trigger":"x","body":[],"versioned":false})",
     "invalid type: string \"x\", expected a sequence"},
    {R"({"kind":"ModDef","name":"m","trigger":[1],"body":[],"versioned":false})",
     "invalid type: integer `1`, expected a string"},
    {R"({"kind":"ModDef","name":"m","kind":1,"body":[],"versioned":false})",
     "invalid type: integer `1`, expected a string"},
    {R"(["ModDef","m","k",null,null,[]])", "invalid length 5, expected struct ModDef with 6 elements"},
    {R"(["ModDef","m","k",null,null,[],false,1])", "invalid length 7, expected 6 elements in sequence"},
    // In a nested node a third `kind` is refused once the node is read.
    {R"({"kind":"Validate","name":"v","children":[{"kind":"ModDef","name":"m","kind":"k","kind":"j",)"
     R"("body":[],"versioned":false}]})",
     "duplicate field `kind`"},
    {R"({"kind":"PolicyDef"})", "missing field `rules`"},
    {R"({"kind":"PolicyDef","rules":[{"path":"src/"}]})", "missing field `gates`"},
    {R"({"kind":"PolicyDef","rules":[3]})", "invalid type: integer `3`, expected struct PolicyRule"},
    {R"({"kind":"PolicyDef","rules":[["src/"]]})", "invalid length 1, expected struct PolicyRule with 2 elements"},
    {R"({"kind":"PolicyDef","rules":[{"path":"a","gates":[{"body":"b"}]}]})", "missing field `name`"},
};

TEST(Reader2Automation, Reads) {
  for (const auto& c : kReads) expect_reads(c);
}
TEST(Reader2Automation, Fails) {
  for (const auto& c : kFails) expect_fails(c);
}

}  // namespace
}  // namespace varn::testing
