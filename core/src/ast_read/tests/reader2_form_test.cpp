// Form, entity, metric and sync records, field definitions and batch records.
#include "ast_read/tests/reader2_cases.hpp"

namespace varn::testing {
namespace {

constexpr ReadCase kReads[] = {
    {R"({"kind":"Form","name":"f","fields":[]})", R"({"kind":"Form","name":"f","storage":{},"fields":[]})"},
    {R"({"kind":"Form","name":"f","storage":{},"fields":[]})", ""},
    {R"({"kind":"Form","name":"f","storage":[],"fields":[]})", R"({"kind":"Form","name":"f","storage":{},"fields":[]})"},
    {R"({"kind":"Form","name":"f","storage":{"duckdb":"d","note":1},"fields":[]})",
     R"({"kind":"Form","name":"f","storage":{"duckdb":"d"},"fields":[]})"},
    {R"({"kind":"Form","name":"f","storage":["c"],"fields":[]})",
     R"({"kind":"Form","name":"f","storage":{"canonical":"c"},"fields":[]})"},
    {R"({"kind":"Form","name":"f","storage":[null,"e",null],"fields":[]})",
     R"({"kind":"Form","name":"f","storage":{"entity":"e"},"fields":[]})"},
    {R"({"kind":"Form","name":"f","schema_version":4294967295,"fields":[]})",
     R"({"kind":"Form","name":"f","schema_version":4294967295,"storage":{},"fields":[]})"},
    {R"({"kind":"Form","name":"f","schema_version":null,"ui_layout":null,"ui_pages":[],"projections":[],"fields":[]})",
     R"({"kind":"Form","name":"f","storage":{},"fields":[]})"},
    {R"({"kind":"Form","name":"f","schema_version":2,"ui_layout":"l","ui_pages":["a","b"],)"
     R"("storage":{"canonical":"c","entity":"e","duckdb":"d"},"projections":[{"target":"t","mapping":"m"}],)"
     R"("fields":[{"name":"x","plural":false,"default":"Nil"},{"name":"y","plural":true,"default":{"Str":"s"}}]})",
     ""},
    {R"(["Form","f",null,null,[],{},[],[]])", R"({"kind":"Form","name":"f","storage":{},"fields":[]})"},
    {R"(["Form","f",3,"l",["p"],["c","e","d"],[["t","m"]],[["x",false,"List"]]])",
     R"({"kind":"Form","name":"f","schema_version":3,"ui_layout":"l","ui_pages":["p"],)"
     R"("storage":{"canonical":"c","entity":"e","duckdb":"d"},"projections":[{"target":"t","mapping":"m"}],)"
     R"("fields":[{"name":"x","plural":false,"default":"List"}]})"},
    // Field defaults of each value form, through a define.
    {R"({"kind":"Define","entity":"e","atoms":[],"fields":[{"name":"a","plural":false,"default":{"Int":-3}},)"
     R"({"name":"b","plural":false,"default":{"Float":1}},{"name":"c","plural":false,"default":{"Bool":true}},)"
     R"({"name":"d","plural":true,"default":{"Enum":["x","y"]}},{"name":"e","plural":false,"default":{"List":null}},)"
     R"({"name":"f","plural":false,"default":{"Trit":5}},["g",false,{"Timestamp":"now"}]]})",
     R"({"kind":"Define","entity":"e","atoms":[],"fields":[{"name":"a","plural":false,"default":{"Int":-3}},)"
     R"({"name":"b","plural":false,"default":{"Float":1.0}},{"name":"c","plural":false,"default":{"Bool":true}},)"
     R"({"name":"d","plural":true,"default":{"Enum":["x","y"]}},{"name":"e","plural":false,"default":"List"},)"
     R"({"name":"f","plural":false,"default":{"Trit":5}},{"name":"g","plural":false,"default":{"Timestamp":"now"}}]})"},
    // NaN and the infinities are written as null, and null reads back as NaN.
    {R"({"kind":"Define","entity":"e","atoms":[],"fields":[{"name":"n","plural":false,"default":{"Float":null}}]})",
     ""},
    {R"({"kind":"Mutate","entity":"e","id":null,"gate":null,"fields":[["a","1"]],)"
     R"("batch":[{"id":"r","fields":[["a","1"],["a","2"]]},["s",[]]]})",
     R"({"kind":"Mutate","entity":"e","id":null,"gate":null,"fields":[["a","1"]],)"
     R"("batch":[{"id":"r","fields":[["a","1"],["a","2"]]},{"id":"s","fields":[]}]})"},
    {R"({"kind":"EntityDef","name":"n","source":"s","namespace":"ns","identity":"i",)"
     R"("fields":[{"name":"a","field_type":"string"},["b","int"]]})",
     R"({"kind":"EntityDef","name":"n","source":"s","namespace":"ns","identity":"i",)"
     R"("fields":[{"name":"a","field_type":"string"},{"name":"b","field_type":"int"}]})"},
    {R"(["EntityDef","n","s","ns","i",[]])",
     R"({"kind":"EntityDef","name":"n","source":"s","namespace":"ns","identity":"i","fields":[]})"},
    {R"({"kind":"MetricDef","name":"m","dimensions":[],"formula":"f","cross_source":false})",
     R"({"kind":"MetricDef","name":"m","source":null,"grain":null,"dimensions":[],"formula":"f","cross_source":false})"},
    {R"(["MetricDef","m","s",null,["d"],"f",true])",
     R"({"kind":"MetricDef","name":"m","source":"s","grain":null,"dimensions":["d"],"formula":"f","cross_source":true})"},
    // The class is taken as it stands, and an empty name as an empty text.
    {R"({"kind":"SyncDef","name":"","class":"nonsense","source":"s","identity":"i","mode":"m","target":"t",)"
     R"("schedule":"c","scope":"o"})",
     ""},
    {R"(["SyncDef","n","c","s","i","m","t","h","o"])",
     R"({"kind":"SyncDef","name":"n","class":"c","source":"s","identity":"i","mode":"m","target":"t",)"
     R"("schedule":"h","scope":"o"})"},
};

constexpr FailCase kFails[] = {
    {R"({"kind":"Form"})", "missing field `name`"},
    {R"({"kind":"Form","name":"f"})", "missing field `fields`"},
    {R"({"kind":"Form","name":"f","storage":null,"fields":[]})", "invalid type: null, expected struct FormStorageDef"},
    {R"({"kind":"Form","name":"f","storage":"s","fields":[]})",
     "invalid type: string \"s\", expected struct FormStorageDef"},
    {R"({"kind":"Form","name":"f","storage":[null,"e","d","x"],"fields":[]})",
     "invalid length 4, expected 3 elements in sequence"},
    {R"({"kind":"Form","name":"f","storage":{"entity":1},"fields":[]})",
     "invalid type: integer `1`, expected a string"},
    {R"({"kind":"Form","name":"f","ui_pages":null,"fields":[]})", "invalid type: null, expected a sequence"},
    {R"({"kind":"Form","name":"f","projections":null,"fields":[]})", "invalid type: null, expected a sequence"},
    {R"({"kind":"Form","name":"f","schema_version":4294967296,"fields":[]})",
     "invalid value: integer `4294967296`, expected u32"},
    {R"({"kind":"Form","name":"f","schema_version":-1,"fields":[]})", "invalid value: integer `-1`, expected u32"},
    {R"({"kind":"Form","name":"f","schema_version":1.0,"fields":[]})",
     "invalid type: floating point `1.0`, expected u32"},
    {R"({"kind":"Form","name":"f","ui_layout":null,"ui_layout":null,"fields":[]})", "duplicate field `ui_layout`"},
    {R"({"kind":"Form","name":"f","storage":{},"storage":{},"fields":[]})", "duplicate field `storage`"},
    {R"(["Form"])", "invalid length 0, expected struct FormDef with 7 elements"},
    // Positions 1 to 5 have defaults, so the message names the position of `fields`.
    {R"(["Form","f"])", "invalid length 6, expected struct FormDef with 7 elements"},
    {R"(["Form","f",null,null,[],{}])", "invalid length 6, expected struct FormDef with 7 elements"},
    {R"(["Form","f",null,null,[],{},[],[],1,2])", "invalid length 9, expected 7 elements in sequence"},
    {R"(["Form","f",null,null,null,{},[],[]])", "invalid type: null, expected a sequence"},
    {R"({"kind":"Form","name":"f","projections":[{"target":"t","mapping":"m","mapping":"m"}],"fields":[]})",
     "duplicate field `mapping`"},
    {R"({"kind":"Form","name":"f","projections":[["t"]],"fields":[]})",
     "invalid length 1, expected struct FormProjectionDef with 2 elements"},
    {R"({"kind":"Form","name":"f","projections":[{"target":"t"}],"fields":[]})", "missing field `mapping`"},
    {R"({"kind":"Form","name":"f","fields":[5]})", "invalid type: integer `5`, expected struct FieldDef"},
    {R"({"kind":"Form","name":"f","fields":[{"name":"x","plural":false}]})", "missing field `default`"},
    {R"({"kind":"Form","name":"f","fields":[{"name":"x","plural":null,"default":"Nil"}]})",
     "invalid type: null, expected a boolean"},
    {R"({"kind":"Form","name":"f","fields":[{"name":"x","plural":false,"default":null}]})",
     "invalid type: null, expected string or map"},
    {R"({"kind":"Form","name":"f","fields":[["x",false]]})", "invalid length 2, expected struct FieldDef with 3 elements"},
    {R"({"kind":"Define","entity":"e","atoms":[],"fields":[{"plural":false,"default":"Nil"}]})",
     "missing field `name`"},
    {R"({"kind":"EntityDef","name":"n","source":"s","namespace":"ns","fields":[]})", "missing field `identity`"},
    {R"({"kind":"EntityDef","name":"n","source":"s","namespace":"ns","identity":"i",)"
     R"("fields":[{"name":"a","field_type":3}]})",
     "invalid type: integer `3`, expected a string"},
    {R"({"kind":"EntityDef","name":"n","source":"s","namespace":"ns","identity":"i","fields":[["a"]]})",
     "invalid length 1, expected struct EntityField with 2 elements"},
    {R"(["EntityDef","n","s","ns","i"])", "invalid length 4, expected struct EntityDef with 5 elements"},
    {R"({"kind":"MetricDef","name":"m","formula":"f"})", "missing field `dimensions`"},
    {R"({"kind":"MetricDef","name":"m","dimensions":[],"formula":"f","cross_source":"true"})",
     "invalid type: string \"true\", expected a boolean"},
    {R"(["MetricDef","m",null,null,["d"],"f"])", "invalid length 5, expected struct MetricDef with 6 elements"},
    {R"({"kind":"SyncDef","name":"n","source":"s","identity":"i","mode":"m","target":"t","schedule":"c"})",
     "missing field `class`"},
    {R"(["SyncDef","n","c","s","i","m","t","h","o","x"])", "invalid length 9, expected 8 elements in sequence"},
    {R"({"kind":"Mutate","entity":"e","id":null,"gate":null,"fields":[],"batch":[{"id":"r","fields":[["a"]]}]})",
     "invalid length 1, expected a tuple of size 2"},
    {R"({"kind":"Mutate","entity":"e","id":null,"gate":null,"fields":[],)"
     R"("batch":[{"id":"r","fields":[["a","b","c"]]}]})",
     "invalid length 3, expected 2 elements in sequence"},
    {R"({"kind":"Mutate","entity":"e","id":null,"gate":null,"fields":[],"batch":[{"id":"r","fields":{"a":"b"}}]})",
     "invalid type: map, expected a sequence"},
    {R"({"kind":"Mutate","entity":"e","id":null,"gate":null,"fields":[],"batch":[{"id":"r","fields":[{"a":"b"}]}]})",
     "invalid type: map, expected a tuple of size 2"},
    {R"({"kind":"Mutate","entity":"e","id":null,"gate":null,"fields":[],"batch":[{"id":"r"}]})",
     "missing field `fields`"},
    {R"({"kind":"Mutate","entity":"e","id":null,"gate":null,"fields":[],"batch":[5]})",
     "invalid type: integer `5`, expected struct BatchRecord"},
    {R"({"kind":"Mutate","entity":"e","id":null,"gate":null,"fields":[],"batch":[["r"]]})",
     "invalid length 1, expected struct BatchRecord with 2 elements"},
};

TEST(Reader2Form, Reads) {
  for (const auto& c : kReads) expect_reads(c);
}
TEST(Reader2Form, Fails) {
  for (const auto& c : kFails) expect_fails(c);
}

}  // namespace
}  // namespace varn::testing
