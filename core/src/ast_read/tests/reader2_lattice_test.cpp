// Lattice records read back from both forms, and their errors.
#include "ast_read/tests/reader2_cases.hpp"

namespace varn::testing {
namespace {

constexpr ReadCase kReads[] = {
    {R"({"kind":"UnitCell","children":[]})", ""},
    {R"(["Symmetry",[["UnitCell",[]]]])", R"({"kind":"Symmetry","children":[{"kind":"UnitCell","children":[]}]})"},
    {R"({"kind":"PressureEffect","dynamic":"d"})", R"({"kind":"PressureEffect","dynamic":"d","target":null})"},
    {R"({"kind":"PressureEffect","dynamic":"d","target":"t"})", ""},
    {R"(["PressureEffect","d",null])", R"({"kind":"PressureEffect","dynamic":"d","target":null})"},
    {R"(["LatticeFrontier","s",[],["x"],[]])",
     R"({"kind":"LatticeFrontier","expected_schema":"s","missing_fields":[],"exploration_strategy":["x"],"children":[]})"},
    {R"(["LatticeSchema",[],[["UnitCell",[]]]])",
     R"({"kind":"LatticeSchema","fields":[],"children":[{"kind":"UnitCell","children":[]}]})"},
    {R"({"kind":"LatticeConstraint","constraint_type":null,"rule":"r","applies_to":["a"],"children":[]})", ""},
    {R"(["LatticeConstraint","c","r",[],[]])",
     R"({"kind":"LatticeConstraint","constraint_type":"c","rule":"r","applies_to":[],"children":[]})"},
    {R"({"kind":"LatticeSchema","fields":[["id","string",true],{"name":"n","field_type":"int","required":false}],)"
     R"("children":[]})",
     R"({"kind":"LatticeSchema","fields":[{"name":"id","field_type":"string","required":true},)"
     R"({"name":"n","field_type":"int","required":false}],"children":[]})"},
    {R"({"kind":"LatticeFrontier","missing_fields":["a"],"exploration_strategy":["b","c"],"children":[]})",
     R"({"kind":"LatticeFrontier","expected_schema":null,"missing_fields":["a"],"exploration_strategy":["b","c"],)"
     R"("children":[]})"},
    {R"({"kind":"LatticeValidates","artifacts":[{"artifact":"a","schema":null,"checks":[)"
     R"({"field":"id","required":true},["x",false,null],{"kind":"LatticeCheck","field":"y","required":true,"min_items":0},)"
     R"({"field":"z","required":false,"min_items":4294967295}]},{"artifact":"b","schema":"","checks":[]}],"children":[]})",
     R"({"kind":"LatticeValidates","artifacts":[{"artifact":"a","schema":null,"checks":[)"
     R"({"field":"id","required":true,"min_items":null},{"field":"x","required":false,"min_items":null},)"
     R"({"field":"y","required":true,"min_items":0},{"field":"z","required":false,"min_items":4294967295}]},)"
     R"({"artifact":"b","schema":"","checks":[]}],"children":[]})"},
    {R"(["LatticeValidates",[["a","s",[]]],[]])",
     R"({"kind":"LatticeValidates","artifacts":[{"artifact":"a","schema":"s","checks":[]}],"children":[]})"},
};

constexpr FailCase kFails[] = {
    {R"({"kind":"Symmetry"})", "missing field `children`"},
    {R"(["UnitCell"])", "invalid length 0, expected struct UnitCellDef with 1 element"},
    {R"(["Symmetry",[],[]])", "invalid length 2, expected 1 element in sequence"},
    {R"({"kind":"PressureEffect","target":"t"})", "missing field `dynamic`"},
    {R"(["PressureEffect","d"])", "invalid length 1, expected struct PressureEffectDef with 2 elements"},
    {R"({"kind":"LatticeConstraint","applies_to":[]})", "missing field `rule`"},
    {R"({"kind":"LatticeConstraint","rule":"r","applies_to":null,"children":[]})",
     "invalid type: null, expected a sequence"},
    {R"(["LatticeConstraint",null,"r",[]])", "invalid length 3, expected struct LatticeConstraintDef with 4 elements"},
    {R"({"kind":"LatticeSchema","fields":[{"name":"id","required":true}],"children":[]})",
     "missing field `field_type`"},
    {R"({"kind":"LatticeSchema","fields":[["id","string"]],"children":[]})",
     "invalid length 2, expected struct LatticeSchemaField with 3 elements"},
    {R"({"kind":"LatticeSchema","fields":[{"name":"id","field_type":"s","required":null}],"children":[]})",
     "invalid type: null, expected a boolean"},
    {R"({"kind":"LatticeFrontier","expected_schema":null,"expected_schema":null,"missing_fields":[],)"
     R"("exploration_strategy":[],"children":[]})",
     "duplicate field `expected_schema`"},
    {R"({"kind":"LatticeFrontier","missing_fields":[],"children":[]})", "missing field `exploration_strategy`"},
    {R"({"kind":"LatticeValidates","children":[]})", "missing field `artifacts`"},
    {R"({"kind":"LatticeValidates","artifacts":[{"schema":null,"checks":[]}],"children":[]})",
     "missing field `artifact`"},
    {R"({"kind":"LatticeValidates","artifacts":[{"artifact":"a","schema":null}],"children":[]})",
     "missing field `checks`"},
    {R"({"kind":"LatticeValidates","artifacts":[["a",null]],"children":[]})",
     "invalid length 2, expected struct LatticeArtifactRef with 3 elements"},
    {R"({"kind":"LatticeValidates","artifacts":[{"artifact":"a","schema":null,"checks":[5]}],"children":[]})",
     "invalid type: integer `5`, expected struct LatticeCheck"},
    {R"({"kind":"LatticeValidates","artifacts":[{"artifact":"a","schema":null,"checks":[{"field":"id"}]}],)"
     R"("children":[]})",
     "missing field `required`"},
    {R"({"kind":"LatticeValidates","artifacts":[{"artifact":"a","schema":null,"checks":[["id",true]]}],)"
     R"("children":[]})",
     "invalid length 2, expected struct LatticeCheck with 3 elements"},
    {R"({"kind":"LatticeValidates","artifacts":[{"artifact":"a","schema":null,"checks":[["id",true,1,2]]}],)"
     R"("children":[]})",
     "invalid length 4, expected 3 elements in sequence"},
    {R"({"kind":"LatticeValidates","artifacts":[{"artifact":"a","schema":null,"checks":[["id",1,null]]}],)"
     R"("children":[]})",
     "invalid type: integer `1`, expected a boolean"},
    {R"({"kind":"LatticeValidates","artifacts":[{"artifact":"a","schema":null,"checks":[["id",true,4294967296]]}],)"
     R"("children":[]})",
     "invalid value: integer `4294967296`, expected u32"},
    {R"({"kind":"LatticeValidates","artifacts":[{"artifact":"a","schema":null,"checks":[["id",true,-1]]}],)"
     R"("children":[]})",
     "invalid value: integer `-1`, expected u32"},
    {R"({"kind":"LatticeValidates","artifacts":[{"artifact":"a","schema":null,"checks":[["id",true,2.0]]}],)"
     R"("children":[]})",
     "invalid type: floating point `2.0`, expected u32"},
    {R"({"kind":"LatticeValidates","artifacts":[{"artifact":"a","schema":null,"checks":[["id",true,1e3]]}],)"
     R"("children":[]})",
     "invalid type: floating point `1000.0`, expected u32"},
    {R"({"kind":"LatticeValidates","artifacts":[{"artifact":"a","schema":null,"checks":[["id",true,"2"]]}],)"
     R"("children":[]})",
     "invalid type: string \"2\", expected u32"},
    {R"({"kind":"LatticeValidates","artifacts":[{"artifact":"a","schema":null,"checks":[["id",true,true]]}],)"
     R"("children":[]})",
     "invalid type: boolean `true`, expected u32"},
    {R"({"kind":"LatticeValidates","artifacts":[{"artifact":"a","schema":1,"checks":[]}],"children":[]})",
     "invalid type: integer `1`, expected a string"},
};

TEST(Reader2Lattice, Reads) {
  for (const auto& c : kReads) expect_reads(c);
}
TEST(Reader2Lattice, Fails) {
  for (const auto& c : kFails) expect_fails(c);
}

}  // namespace
}  // namespace varn::testing
