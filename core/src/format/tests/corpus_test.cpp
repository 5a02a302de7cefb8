// Documents holding every construct of the language: each formats to the text
// kept beside it, and formatting keeps its tree and is idempotent.
#include <gtest/gtest.h>

#include <filesystem>

#include "format/tests/properties.hpp"
#include "tests/golden.hpp"
#include "varn/operations.hpp"

namespace varn::format {
namespace {

namespace fs = std::filesystem;
using namespace std::string_literals;

std::vector<fs::path> corpus() {
  std::vector<fs::path> files;
  for (const auto& entry : fs::directory_iterator(fs::path(VARN_TEST_DATA) / "format/tests/corpus")) {
    if (entry.path().extension() == ".varn") files.push_back(entry.path());
  }
  std::sort(files.begin(), files.end());
  return files;
}

TEST(FormatCorpus, FormatsToTheKeptText) {
  const auto files = corpus();
  ASSERT_FALSE(files.empty());
  for (const fs::path& file : files) {
    SCOPED_TRACE(file.filename().string());
    auto out = ops::fmt(varn::testing::slurp(file));
    ASSERT_TRUE(out.ok()) << out.error();
    varn::testing::expect_golden(out.value(), fs::path(file).replace_extension(".fmt"));
  }
}

TEST(FormatCorpus, KeepsTheTreeAndIsIdempotent) {
  for (const fs::path& file : corpus()) {
    EXPECT_EQ(testing::check_fmt_properties(varn::testing::slurp(file)), "") << file.filename();
  }
}

// The one intended change: trailing whitespace of code lines goes, as it does
// on every other line.
TEST(FormatCorpus, CodeLinesLoseTrailingWhitespace) {
  auto out = ops::fmt("```\na  \n   \nb\n```\n");
  ASSERT_TRUE(out.ok());
  EXPECT_EQ(out.value(), "```\na\n\nb\n```\n");
  EXPECT_EQ(testing::check_fmt_properties("```\na  \n   \nb\n```\n"), "");
}

// Inputs the fuzz target found, each kept as the case it broke.

// `source` formats to `expected`, keeping its tree, idempotently.
void expect_formats(std::string_view source, std::string_view expected) {
  auto out = ops::fmt(source);
  ASSERT_TRUE(out.ok()) << out.error();
  EXPECT_EQ(out.value(), expected);
  EXPECT_EQ(testing::check_fmt_properties(source), "");
}

// A code block whose one content line is blank reads back empty: no line is
// written for it, or the next pass would write none.
TEST(FormatProperties, CodeBlockWithOneBlankLine) {
  expect_formats("gate: re.ease\nturnm:i return 1\n``` / iner\n \n```", "gate: re.ease\nturnm:i return 1\n``` / iner\n```\n");
}

TEST(FormatProperties, DefineEntityEndingInFrom) {
  expect_formats("define:$crm.@task :x frk :x from :base\n  a: 1\n", "define:$crm.@:x :x task frk from\n  a: 1\n");
}

TEST(FormatProperties, DefineEntityHoldingFromAndAReference) {
  expect_formats("define:$crm.@task : from  @base\n  a: 1\n", "define:$crm.@: task from  @base\n  a: 1\n");
  expect_formats("define:@a from  @b from @c\n", "define:@a from  @b from @c\n");
}

TEST(FormatProperties, PluralFieldNames) {
  expect_formats("define:@e\n  (s) a: 1\n  ((s)s): 2\n  b(s): 3\n", "define:@e\n  (s) a(s): 1\n  ((s)s)(s): 2\n  b(s): 3\n");
}

TEST(FormatProperties, FlowLabelEndingInParallelMark) {
  expect_formats("flow:\n  x --laity: fetch +--l--> y\n", "flow:\n  x --laity: fetch +----> y\n");
}

TEST(FormatProperties, FlowEdgesWithDashes) {
  expect_formats("flow:\n  y-A}-- -bel--> z\n  c- ----> y\n  x -:|+  ----laity: fetch +--> y\n",
                 "flow:\n  y-A} -- -bel--> z\n  c- ----> y\n  x -:|+ -- --laity: fetch +--+--> y\n");
}

// A "query:" line takes the deeper lines after it as its query.
TEST(FormatProperties, MatchArmNamedQuery) {
  expect_formats("[ ] t\n  match:\n  query:\n  x\n  high:\n  y\n", "[ ] t\n  match:\n    query:\n    x\n    high:\n      y\n");
}

// Behind the unbalanced '{' of an atom a pair of braces in the name is no
// gate: the atoms go first.
TEST(FormatProperties, HeadingNameWithBracesAfterAnUnbalancedOne) {
  expect_formats("# Spring :q2 due:2025-04-o0{ 3w{er @dana}\n", "# :q2 :due:2025-04-o0{ Spring 3w{er @dana}\n");
}

// A source name ending in dashes keeps them behind dashes of its own that
// open no segment.
TEST(FormatProperties, FlowSourceEndingInDashes) {
  expect_formats("flow:\n  a-- ------> b\n", "flow:\n  a-- ---- --> b\n");
}

// A label that is a dash, after a source holding "--": the run of dashes
// after the source opens it, and a space keeps it apart from the arrow.
TEST(FormatProperties, FlowDashLabelAfterASourceHoldingDashes) {
  expect_formats("flow:\n  a --b---- - --> c\n", "flow:\n  a --b---- ---> c\n");
}

// A "//" after an odd count of '|' is no comment: the edge that needs the
// bars of the edges before it continues their line.
TEST(FormatProperties, FlowEdgeWithCommentMarkAfterBars) {
  expect_formats("flow:\n  a| --> b --> c --> d // e\n  x --> y\n", "flow:\n  a| --> b --> c --> d // e\n  x --> y\n");
  expect_formats("flow:\n  x| --> ve}// z +,-->t\n", "flow:\n  x| --> ve}// z +, --> t\n");
  expect_formats("flow:\n  a+, --> b\n", "flow:\n  a+ ----> b\n");
  expect_formats("flow:\n  a, b----d:@--------> y\n", "flow:\n  a, b----d:@---- --> y\n");
  expect_formats("flow:\n  a| --> x%--t +->x ,-w:|5m|--->ve}// z\n", "flow:\n  a| --> x%--t +->x ,-w:|5m|- --> ve}// z\n");
  expect_formats("flow:\n  a| --> - f +--> x --t +!->x ,-w:|5m|--->ve}// z\n",
                 "flow:\n  a| --> - f + --> x --t +!->x ,-w:|5m|- --> ve}// z\n");
}

// The bar that keeps the last "//" from the comment cut stands hundreds of
// edges earlier on the line: every edge goes on that line.
TEST(FormatProperties, FlowEdgeWithCommentMarkFarAfterBars) {
  std::string chain = "a|";
  for (int i = 0; i < 300; ++i) chain.append(" --> b");
  chain.append(" --> c // d");
  expect_formats("flow:\n  " + chain + "\n  x --> y\n", "flow:\n  " + chain + "\n  x --> y\n");
  // Only the edges from the bar on join it; a quote closed before them
  // leaves them free.
  expect_formats("flow:\n  \"a\" --> b --> c| --> d --> e // f\n",
                 "flow:\n  \"a\" --> b\n  b --> c|\n  c| --> d --> e // f\n");
}

// Where the targets before an edge hold a segment over several names, the
// names on the joined line stand apart as in the segment.
TEST(FormatProperties, FlowChainedSegmentOverSeveralNames) {
  expect_formats("flow:\n  a| --> x --t ,y  ,, z--> w // v\n", "flow:\n  a| --> x --t ,y  ,, z --> w // v\n");
  expect_formats("flow:\n  a| --> x --t ,y--u --> w // v\n", "flow:\n  a| --> x --t ,y--u --> w // v\n");
  // A segment that ends at the start of a name, or starts at the end of one,
  // holds the whole text between the two.
  expect_formats("flow:\n  a| --> b--x,,--c --> d // e\n", "flow:\n  a| --> b--x,,--c --> d // e\n");
  expect_formats("flow:\n  a| --> b--, x--c --> d // e\n", "flow:\n  a| --> b--, x--c --> d // e\n");
  expect_formats("flow:\n  a| --> b//c --wait:d ,e --> f // g\n", "flow:\n  a| --> b//c --wait:d ,e --> f // g\n");
  expect_formats("flow:\n  a| --> x --t ,y ,,--> w // v\n", "flow:\n  a| --> x --t ,y ,, --> w // v\n");
}

// An edge without sources or a segment whose own "//" needs quotes before
// it on its line: a leading edge without names carries them, in its label.
TEST(FormatProperties, FlowEdgeAfterACarriedQuote) {
  expect_formats("flow:\n  ,--\"--> --> a//b\n", "flow:\n  ,--\"--> --> a//b\n");
  expect_formats("flow:\n  ,--|-->-->\"a\"//b\n", "flow:\n  ,--\"--> --> \"a\"//b\n");
  // Also where the quote is needed only by an edge chained after it.
  expect_formats("flow:\n  ,--\"--> --> a, b --> c // d\n", "flow:\n  ,--\"--> --> a, b --> c // d\n");
}

// What stands between a segment's closing "--" and the arrow is read as
// nothing: a quote there keeps the "//" of the targets.
TEST(FormatProperties, FlowQuoteAfterAClosedSegment) {
  expect_formats("flow:\n  a --x--|--> b --> c // d\n", "flow:\n  a --x--\"--> b --> c // d\n");
  expect_formats("flow:\n  a --wait:|5m|--|--> e // f\n", "flow:\n  a --wait:|5m|--\"--> e // f\n");
}

// The gates are read from the whole head line, the title from the line cut at
// its comment: behind an unbalanced '{' the gate closes in the comment.
TEST(FormatProperties, IssueTitleWithUnbalancedBrace) {
  expect_formats("issue: a{b // c}", "issue: a{b // c}\n");
  expect_formats("issue: a {x} b{c //d}", "issue: a {x} b{c //d}\n");
  expect_formats("issue: a{b// c}{e}", "issue: a{b// c} {e}\n");
  expect_formats("issue: t {g}", "issue: t {g}\n");
  expect_formats("issue: t //{g}", "issue: t // {g}\n");
  // The gate's name ends in the title, its body goes on past the mark.
  expect_formats("issue: a {g  x[:l// y}", "issue: a {g  x[:l// y}\n");
  expect_formats("issue: a {g|x| // y  }z", "issue: a {g|x| // y}\n");
  expect_formats("issue: a {{g  x// y}}", "issue: a {{g  x// y}}\n");
  // The white space before the mark, which the title loses, as the body has it.
  expect_formats("issue:{* o  //}", "issue: {* o  //}\n");
}

// Block lines are read trimmed: a text with a quote and a leading space stays
// between quotes.
TEST(FormatProperties, CommentBodyWithQuoteAndLeadingSpace) {
  expect_formats("comment:\n  body: \" a\"b\"\n", "comment:\n  body: \" a\"b\"\n");
}

// Block lines are kept whole; a pair line loses what follows a "//".
TEST(FormatProperties, FormulaAndPromptHoldingCommentMarks) {
  expect_formats("## Metric: m\n  formula: |\n    sum(a//b)\n", "## Metric: m\n  formula: |\n    sum(a//b)\n");
  expect_formats("commands:\n  /d\n    prompt: |\n      a // b\n",
                 "commands:\n  /d\n    description:\n    prompt: |\n      a // b\n");
}

TEST(FormatProperties, ValidateNameEndingInColon) {
  expect_formats("validate a: :\n  id: x\n", "validate a: :\n  id: x\n");
}

TEST(FormatProperties, ModuleNameStartingWithItsKeyword) {
  expect_formats("mod:$ mod:$x\n  a: b\n", "mod:$ mod:$x\n  a: b\n");
}

TEST(FormatProperties, IssueIdEndingInSpace) {
  expect_formats("issue: t\n  id: C1: |\n", "issue: t\n  id: \"C1: \"\n");
}

TEST(FormatProperties, MutateIdWithUnbalancedBrace) {
  expect_formats("mutate:@t:{g}a{b\n", "mutate:@t:{g}a{b\n");
}

// The id's "//" was hidden by the gate's bar: the gate goes where it hides
// it again.
TEST(FormatProperties, MutateIdWhoseSlashesTheGateHid) {
  expect_formats("mutate:@t:a {g x|y}|b| c//\n", "mutate:@{g x|y}t:a |b| c//\n");
  // The reader keeps the first gate only; a spare one after it hides the
  // "//" where the gate's own bars cannot.
  expect_formats("mutate:@{}|{|}{|//\n", "mutate:@{}{|}|{|//\n");
}

// A policy rule's reader takes only the gates after the colon: a lone quote
// (dropped) before a gate hides its "//".
TEST(FormatProperties, PolicyGateHoldingSlashes) {
  expect_formats("policy:\n @:|{//}\n", "policy:\n  @: \"{//}\n");
  expect_formats("policy:\n @a:|{//} {b} \"{c//}\n", "policy:\n  @a: \"{//} {b} {c//}\n");
}

// A chained edge whose sources start with "//": its segment holds the
// separators of the names it spans, bare commas included, and its value ends
// at a bar before its closing "--".
TEST(FormatProperties, ChainedEdgeSpanningBareCommas) {
  expect_formats("states:\n  |-->//--wait:|,|,---->\n", "states:\n  | --> //--wait:|,|,-- -->\n");
  expect_formats("states:\n  |-->//b, --wait:|c , d|e,f--g,h+-->z\n",
                 "states:\n  | --> //b, --wait:|c , d|e, f--g, h+ --> z\n");
}

TEST(FormatProperties, MutateEntityEndingInSpace) {
  expect_formats("mutate:@w  :\n", "mutate:@w  :\n");
}

// "rule: =x" would read as an assignment: such settings stay under their
// lattice heading, where the key may stand apart from its colon.
TEST(FormatProperties, LatticeSettingsStartingWithEquals) {
  expect_formats("## Constraint\n  rule : =x\n  applies_to : =a, b\n  more\n",
                 "## Constraint\n  rule : =x\n  applies_to : =a, b\n  more\n");
  expect_formats("## Pressure Effect\n  dynamic : =x\n  target : =y\n", "## Pressure Effect\n  dynamic : =x\n  target : =y\n");
  expect_formats("## Pressure Effect\n  dynamic : x\n", "pressure_effect:\n    dynamic: x\n");
}

// Each part of a webhook line is read after the first of its keywords,
// wherever it stands, also inside another part.
TEST(FormatProperties, WebhookPartsInsideOtherParts) {
  expect_formats("webhook: on: |task.co\" payload: {idhook: on: |task.co\" payload: {id}\n",
                 "webhook: on:|task.co\" payload: {idhook: on: |task.co\" payload: {id}\n");
  expect_formats("webhook: payload:on- a:$o\" on:\"|taync: {iurl", "webhook: payload: on- a:$o\" on:\"|taync: {iurl\n");
  expect_formats("webhook: on: |t url: \"/hoo|s/done\" x", "webhook: on:|t url: \"/hoo|s/done\" \"\n");
  expect_formats("webhook: on: |t| url: apayload:m| url: x\"/\n", "webhook: on:|t| url: apayload:m| url: x\"/\n");
  expect_formats("webhook: url: \"w: on: |t\" x\"\n", "webhook: url: w: on: |t\" x\"\n");
  expect_formats("webhook: on: payload:: {id.co\" payload: {hd |task: on: ytask.co\" payload: {hd}",
                 "webhook: on: payload:: {id.co\" payload: {hd |task: on: ytask.co\" payload: {hd}\n");
  // A payload holding the url, bare where an opening quote of ours would
  // bare a "//", with a closing quote for the space it ends in.
  expect_formats("webhook:|payload:*\"//|url://|\"//| \"\n", "webhook: | payload: *\"//|url://|\"//| \"\n");
  // A bar and a quote before the trigger's keyword, where the trigger runs to
  // the end of the line and holds quotes and "//" of its own.
  expect_formats("webhook:|\"on:\"//\"//|//url:on:\n", "webhook: |\" on:\"//\"//|//url:on:\n");
  // The trigger's bars in the payload, its text holding the payload's keyword.
  expect_formats("webhook: url: \"u| e:d on:c\" payload: x| e:d on:c\" payload: {i: |d}\n",
                 "webhook: url: u| on: payload: \"x| e:d on:c\" payload: {i: |d}\"\n");
  // The url and the payload both start inside the trigger.
  expect_formats("webhook: on: |t payload: url: \"/h|t payload: url: \"\n",
                 "webhook: on:|t payload: url: \"/h|t payload: url: \"\n");
  // The payload starts inside the url, and takes the quote that ends it.
  expect_formats("webhook: url:payload:\" url:\n", "webhook: url: payload:\" url:\"\n");
  expect_formats("webhook: on:|| url: /payload:n: |t| url: \"/x\" p\n",
                 "webhook: url: /payload:n: |t| url: \"/x\" p\n");
  // Every part read from a trigger that runs to the end of the line, whose
  // "//" a bar before it hides from the comment cut.
  expect_formats("webhook: |on:url:payload://\n", "webhook: | on:url:payload://\n");
  // No "on:": the webhook is empty.
  expect_formats("webhook: onx: |y:t//.c| u\n", "webhook:\n");
}

// Bars of our own would close on the value's bar and bare its "//".
TEST(FormatProperties, BarredAttributeHoldingABarAndSlashes) {
  expect_formats("comment:\n  created_at: a | b // c\n", "comment:\n  body: \"\"\n  created_at: a | b // c\n");
  expect_formats("issue: t\n  due_date: a | b // c\n", "issue: t\n  due_date: a | b // c\n");
  expect_formats("comment:\n  created_at: | x\n", "comment:\n  body: \"\"\n  created_at: | x|\n");
}

// Atoms whose bars hide the entity's "//" from the comment cut go before it:
// all first, or each before the word that needs it.
TEST(FormatProperties, DefineAtomsHidingTheEntitysSlashes) {
  expect_formats("define:@task :| a// b |c\n", "define:@:| task a// b |c\n");
  expect_formats("define:@a :| b// c |d :| e// f |\n", "define:@a :| b// c |d :| e// f |\n");
}

// After " from " (with no scope), words that start with a colon are dropped
// by the reader: a mark there hides a "//" of the entity's tail.
TEST(FormatProperties, DefineEntityTailHiddenByADroppedMark) {
  expect_formats("define:$m.@t from s :q\" f//x i\n", "define:$m.@t from s :| f//x i\n");
}

// The atoms are read only before that " from ": an atom's "//" goes where
// the words before it hide it.
TEST(FormatProperties, DefineAtomsHiddenBeforeTheEntitysFrom) {
  expect_formats("define:$|\" :// \"| :\" from \"/\n", "define:@$|\" :// \"| :\" from \"/\n");
}

// The search among the entity's words ends where the scope's "//" is hidden.
TEST(FormatProperties, DefineAtomsHidingTheScopesSlashes) {
  expect_formats("define:$|\" :| \" from @//\n", "define:@$|\" :| \" from @//\n");
  // No atom is read after the entity's own " from ".
  expect_formats("define:$|\" :| \" from // from @\n", "define:@$|\" :| \" from // from @\n");
}

// The same for a heading's name, its gates after it.
// A gate whose "//" only the name's bars hide goes inside them.
TEST(FormatProperties, HeadingGateHiddenByTheNamesBars) {
  expect_formats("# a |b{g//} c| :x\n", "# a |{g//}b c| :x\n");
}

// Where the gates' bars hide a "//" of the name. Before a '{' of the name
// that does not close, the gates go first, and the atoms where the gates'
// bars leave them hiding a "//".
TEST(FormatProperties, HeadingGatesHidingTheNamesSlashesWithAtoms) {
  expect_formats("#|{|}{|//| :| //\n", "# {|} |{|//| :| //\n");
  // Else the gates inside the name's words and the atoms between them,
  // placed together.
  expect_formats("#|//{|}|// | :| //\n", "# |/{|}/|// :| | //\n");
  // Placings that would read other gates are passed over.
  expect_formats("#|// |{|} {// a :{} : :{ } y\n", "# |/{|}/ | {// :{} : :{ a } y\n");
  // Atoms without marks after the last one with marks go at the end.
  expect_formats("#|// g |{|} a }{// :{ a : : } - : :\n", "# |/{|}/ g | a }{// :{ a } - : : : :\n");
  expect_formats("#|//| x{|} g {// :// a :{} | : : i : : :\n", "# |/{|}/| :// x g {// :{} a | i : : : : :\n");
}

// Two gates whose bars cancel out together each go where one hides a "//".
TEST(FormatProperties, HeadingGatesPlacedApart) {
  expect_formats("#{|}///{|}\n", "# {|}//{|}/\n");
  expect_formats("[]{|}//{|}\n", "[ ] /{|}{|}/\n");  // or between the slashes
}

// A task's gate whose "//" only the text's bars hide goes inside them.
TEST(FormatProperties, TaskGateHiddenByTheTextsBars) {
  expect_formats("[]|{//}|\n", "[ ] |{//}|\n");
  expect_formats("[] a |b {//: x} c|\n", "[ ] a |{//: x}b  c|\n");
  // Before a '{' of the text that does not close, too.
  expect_formats("[]|{//}{\n", "[ ] |{//}{\n");
}

// A gate between an atom's bars, which hide its "//" and whose quote hides
// the name's; atoms on both sides of the name, where a '{' of the last would
// pair with a '}' of the name.
TEST(FormatProperties, HeadingAtomsSplitAroundTheName) {
  expect_formats("#:|{//\"}| //\n", "# :|{//\"}| //\n");
  expect_formats("#:|\" \"} :{//\n", "# :|\" \"} :{//\n");
  // Atoms among the words, each where the quotes and bars before it keep the
  // "//" and no '{' pairs with a '}' after it; a gate inside the name's bars.
  expect_formats("#\" } :{// \"\n", "# \" } :{// \"\n");
  expect_formats("#\"// :\" |\" :\" } :{//\n", "# \"// :\" |\" :\" } :{//\n");
  expect_formats("#|{//|\"//} :\" | ://\n", "# | :\" :// | {//|\"//}\n");
  expect_formats("#p |\" M i :| \" } :{//\n", "# p |\" :| M i \" } :{//\n");
  expect_formats("#:| \"| :\"} //{\n", "# :| \"| :\"} //{\n");
  // Nested in the name's braces, the atom's '{' leaves them all unpaired.
  expect_formats("#}{\r:{ }\n", "# }{ :{ }\n");
  // The same past the earliest few placings of the atoms after it; or before
  // the name's '{', after its '}'.
  expect_formats("# a \" }{ :{ : }\n", "# a \" }{ :{ : }\n");
  expect_formats("# } :{ : : {} x\n", "# } :{ : : {} x\n");
  // Atoms whose braces pair among themselves go inside the name's too.
  expect_formats("#{ a :{} { a :{ } : } x p\n", "# { :{} :{ a { a } } x p :\n");
  // Placings whose braces pair are passed over before any is read back.
  expect_formats("#| ( , t } r :{// a :{ }| h h\n", "# | ( , t } :{// :{ r a }| h h\n");
  // The search keeps an atom's '{' after the name's '}', its '}' before the
  // name's '{', and braces that pair among themselves inside the name's.
  expect_formats("#| :// a :} { a a :{} : a :\n", "# | :// :} a { :{} : : a a a\n");
  expect_formats("#|\" : :\" : : :// \"//| : :\" :// : : : : : : : : } :{\n",
                 "# : :\" : : :// : :\" |\" :// : : : : : : : : \"//| } :{\n");
}

TEST(FormatProperties, HeadingAtomsBetweenTheNamesWords) {
  expect_formats("# a b :| c// d :| e\n", "# a b :| c// d e :|\n");
  expect_formats("## a :| b// c :| d {g}\n", "## a :| b// c d :| {g}\n");
  // An atom holding "//" goes, after the atoms before it, where the name's
  // bars hide it.
  expect_formats("## a |b // c :k:v//w d| e\n", "## a |b :k:v//w // c d| e\n");
  expect_formats("## a |b :j c :k:v//w d| e :m\n", "## a |b :j :k:v//w c d| e :m\n");
  // A slashed atom whose own bar hides its "//" goes where the bar it leaves
  // open is closed by the name's.
  expect_formats("# a|-// b|c d :e|-// f|g h\n", "# a|-// b|c :e|-// d f|g h\n");
  // Two runs of atoms must each open a quote inside the name: found by a
  // search over where each piece goes.
  expect_formats(
      "# p:1#\" M :o r ve//: weh :q ]d:2#\" Mp la :q :d:4#\" M :ack://: w ve//: weh :q ]d:2#\" Mp la :q :d:4#\" M "
      ":ack://: web tch:x//: web | np\n",
      "# :o :q :q p:1#\" M r ve//: :d:4#\" weh ]d:2#\" :ack://: :q :q Mp la M w ve//: :d:4#\" weh ]d:2#\" :ack://: Mp la "
      "M web tch:x//: web | np\n");
  // The atoms before the one whose quote hides a word's "//" go with it.
  expect_formats("# a :x :q:b\" c// d :y :q:b\"\n", "# a :x :q:b\" c// d :y :q:b\"\n");
}

// The reader drops each ":v" of a module's name once: the name's own is
// written doubled around its middle.
TEST(FormatProperties, ModuleNameHoldingTheVersionMark) {
  expect_formats("mod:$billing ::vv\n", "mod:$billing ::vv :v\n");
  expect_formats("mod:$a:::vvv\n", "mod:$a:::vvv :v\n");
}

// A text with a space at its end stays quoted; a second opening quote keeps
// its "//" from the cut that its own quote would bare.
TEST(FormatProperties, QuotedTextWithSpaceAndSlashes) {
  expect_formats("comment:\n  body: d \"x // o \"\"\n", "comment:\n  body: \"\"d \"x // o \"\n");
}

// Bars of our own would close on the condition's bar and bare its "//".
TEST(FormatProperties, ConditionHoldingABarAndSlashes) {
  expect_formats("if a|b // c:\n  x\n", "if a|b // c:\n  x\n");
}

// A gate whose quote and "//" the text's quote would bare goes first.
TEST(FormatProperties, TaskGateHidingItsSlashesFromTheText) {
  expect_formats("[ ]{g a|b \"//c} t\"x\n", "[ ]  {g a|b \"//c} t\"x\n");
}

// The reader strips every leading "validate " of the name.
TEST(FormatProperties, ValidateNamedLikeItsKeyword) {
  expect_formats("validate  validate ortal:\n", "validate  validate ortal:\n");
}

// A record's later field goes without the id where the id's bar would leave
// the value's "//" to the comment cut.
TEST(FormatProperties, BatchFieldAfterAnIdHoldingABar) {
  expect_formats("mutate:@t\n  r: k: v\n  a|b: k: v\n  x: y|z // w\n", "mutate:@t\n  r: k: v\n  a|b: k: v\n  x: y|z // w\n");
}

// A plural entity holding " where " or " from snap:" keeps them apart from
// the clauses with its "(s)" inside them.
TEST(FormatProperties, PluralQueryEntityHoldingAClauseWord) {
  expect_formats("? task(s) where(s) wh sten\n", "query:\n  @task where(s) wh sten\n");
  expect_formats("? a(s) from(s) snap:x b where c\n", "query:\n  @a from(s) snap:x b where c\n");
  // One of its own "(s)" is written "((s)s)", as in a field's name.
  expect_formats("query:\n  @issu tags((s)s) x\n", "query:\n  @issu tags((s)s) x(s)\n");
  expect_formats("query:\n  @a((s)s) where(s) b( c\n", "query:\n  @a((s)s) where(s) b((s) c\n");
}

// The first " from snap:" starts the snapshot: where the target holds one,
// the clause goes in place of a " where " of the scope; an empty snapshot
// goes after the filter.
TEST(FormatProperties, QuerySnapshotBeforeTheTargetsOwn) {
  expect_formats("query:\n  $m from snap:s where o.@e from snap:s where f\n",
                 "query:\n  $m from snap:s where o.@e from snap:s where f\n");
  expect_formats("query:\n  a where b from snap:\n", "query:\n  @a where b from snap:\n");
}

// An arm pattern named like a section's header or a keyword line keeps a
// second colon.
TEST(FormatProperties, MatchArmPatternNamedLikeASection) {
  expect_formats("[ ] t\n    match:\n    match::\n    x\n", "[ ] t\n  match:\n    match::\n      x\n");
  expect_formats("[ ] t\n    match:\n    on_fail::\n    x\n", "[ ] t\n  match:\n    on_fail::\n      x\n");
}

// A declaration under "Sync" whose name holds a "//" goes back to a heading,
// with an atom (which the declaration drops) to hide it.
TEST(FormatProperties, SyncNameHoldingSlashes) {
  expect_formats("# Sync\n  ## a :| b// c |d\n", "# Sync\n  ### a :| b// c |d\n");
  // Braces of the name that pair would read as a gate: an atom opening one
  // that does not close goes before them.
  expect_formats("# Sync\n #:|{ {//}\n", "# Sync\n  ### :{ :| {//}\n");
}

// A gate goes inside an atom's word, or glued to it, where the atom's bar
// hides the gate's "//" and the gate's bar closes it.
TEST(FormatProperties, HeadingGateInsideAnAtomsWord) {
  expect_formats("#:|{//|} {|//| :| //\n", "# :|{//|} {|//| :| //\n");
  expect_formats("#:|{//|}|{ //| :| //\n", "# :|{//|}|{ //| :| //\n");
}

// Atoms without bars, quotes or braces go in one piece with the next atom
// that has some, so the placings left to try are few enough to find these.
TEST(FormatProperties, HeadingAtomsPlacedWithTheNextMarkedOne) {
  expect_formats("#|{//|} ] }{ # :{ } :|// l i : S : :|\n", "# |{//|} ] }{ :{ :|// : : :| # } l i S\n");
  expect_formats("#ti}\001 Si# :|{// cl : cl --til|- : eploy {**a___ve @opi}\001\000\000# |{-!// ly\000\000\000cl\n"s,
                 "# ti}\001 :|{// : : Si# cl cl --til|- eploy {**a___ve @opi}\001\000\000# |{-!// ly\000\000\000cl\n"s);
  expect_formats("#lassss|{//|}gst D] }t :|{// c# y ihistory:ssss|stntity :| blat:|iic :|c blacko:|i\n",
                 "# lassss|{//|}gst D] }t :|{// :| :|c c# y ihistory:ssss|stntity blat:|iic blacko:|i\n");
}

// Placings found only after many that fail: most fail the heading reader's
// own steps, checked before any placing is read back.
TEST(FormatProperties, HeadingPlacingsNeedingManyTries) {
  expect_formats(
      "#|3ii// a andt:k --wait:|VV--{VV|\000e} -y>duue ---wa }oe rvp f}@sr*{re\000\000\001\000\000- use "
      "@^^iipa\015h\000t--> a :*{r - frde ie $o $oi// a :/ a f-, bo} gVV##tity --> -> --wause $o $oe $o $o\n"s,
      "# |3ii/{VV|\000e}/ a andt:k --wait:|VV-- -y>duue ---wa }oe rvp f}@sr*{re\000\000\001\000\000- :*{r :/ use "
      "@^^iipa h\000t--> a - frde ie $o $oi// a a f-, bo} gVV##tity --> -> --wause $o $oe $o $o\n"s);
  expect_formats(
      "#lƃ2h|\0001e401/cl --:th|-->/:|{!>//|}g }gs\000 Si :|{!// :|rl # cbfass blackout:|ril # available:| # "
      "tcl|tl # tcl\n"s,
      "# lƃ2h|{!>//|}\0001e401/cl --:th|-->/:|g }gs\000 :|{!// :|rl :blackout:|ril :available:| Si # cbfass # # "
      "tcl|tl # tcl\n"s);
}

// An atom whose braces pair goes after a '{' that stays open, or it is the
// line's first brace and reads as a gate.
TEST(FormatProperties, HeadingAtomWithPairedBracesAfterAnOpenBrace) {
  expect_formats(
      "##0xon:t:|3e, b ne @ git:c .#lev, {{{{t :{p} deadline:} i/ a :// a :e} \000\000\000\000\000\000\000n\000\000: "
      "|ag ->l>t:rev on:} :|5m ->le:--> ->le:\n"s,
      "## 0xon:t:|3e, b ne @ git:c .#lev, {{{{t :{p} :deadline:} :// :e} :on:} i/ :|5m a a "
      "\000\000\000\000\000\000\000n\000\000: |ag ->l>t:rev ->le:--> ->le:\n"s);
}

// The search over words and atoms follows the gate reader through the line:
// the atoms' '{' before the name's own pair stays open to the end.
TEST(FormatProperties, HeadingAtomsKeepingTheFirstBraceOpen) {
  expect_formats(
      "## 0xpectt:|3re:iip\000\000\000s)ii// }  dut:c :V--{mil :si/ a  :/ a  :-{n "
      "pass\000\000\001\000\000\000\000\000\000} e #l\007\000\000-{wie} :/ a :i/ a  :{n pass:} te #\007\000\000\000e+-\n"s,
      "## 0xpectt:|3re:iip\000\000\000s)ii// } :V--{mil :si/ :/ :-{n :/ :i/ :{n dut:c a a "
      "pass\000\000\001\000\000\000\000\000\000} e #l\007\000\000-{wie} a a pass:} te #\007\000\000\000e+-\n"s);
}

// Gates, atoms and the name's own braces lined up at once: the search
// follows the gate reader too, so that exactly the gates pair, and puts the
// gate between the two slashes of a "//" that its bar must hide.
TEST(FormatProperties, HeadingGatesAndAtomsFollowingTheGateReader) {
  expect_formats(
      "#xpectt:|3rem// a t:|VVV{VV|\000\000\000\000} gite in\007\000lev, {\001\020{skiiiii// a :{e} -y>  a,j a "
      "gip:c --w deadline:msi// a  :/ a  :x|r -> +-\000 |at ie -> av deadline:m|-- -> av\017\000\000\000\n"s,
      "# xpectt:|3rem/{VV|\000\000\000\000}/ a t:|VVV gite in\007\000lev, {\001\020{skiiiii// :{e} :deadline:msi// "
      ":/ :x|r :deadline:m|-- a -y> a,j a gip:c --w a a -> +-\000 |at ie -> av -> av\017\000\000\000\n"s);
}

// An artifact line that would read as an assignment goes as a list item.
TEST(FormatProperties, LatticeArtifactStartingWithEquals) {
  expect_formats("lattice_validates:\n    - artifact:= D ma: s1\n", "lattice_validates:\n    - artifact: = D ma: s1\n");
}

// An issue id that the reader would trim, or whose "//" it would cut, goes
// between quotes.
TEST(FormatProperties, IssueIdStartingWithSpaceOrHoldingSlashes) {
  expect_formats("issue: b\n  id: \" C0\"\n", "issue: b\n  id: \" C0\"\n");
  expect_formats("issue: b\n  id: \"a//b\"\n", "issue: b\n  id: \"a//b\"\n");
  // Its own quote and bar would pair with ours: bars, or a second opening
  // quote.
  expect_formats("issue: b\n  id: \"\"a|b \"//c \"\n", "issue: b\n  id: |a|b \"//c |\n");
  expect_formats("issue: b\n  id: \"\"a|b| \"//c \"\n", "issue: b\n  id: |a|b| \"//c |\n");
}

// A recalled text whose own quote would bare its "//" goes without quotes of
// ours; a lone closing quote keeps the space it ends in.
TEST(FormatProperties, RecallHoldingAQuoteSlashesAndATrailingSpace) {
  expect_formats("recall:0l |: \"the k // \"\n", "recall: 0l |: \"the k // \"\n");
}

// A one-line module setting whose "//" the comment cut would take keeps the
// block form it was read from.
TEST(FormatProperties, ModuleSettingHoldingSlashes) {
  expect_formats("mod:$b\n  prompt: \"\"\"\n//    line\n  \"\"\"\n", "mod:$b\n  prompt: \"\"\"\n    //    line\n  \"\"\"\n");
}

TEST(FormatProperties, DividerWithCommentAfterNestedScope) {
  EXPECT_EQ(testing::check_fmt_properties("%7Frd\n `f4rst\n  %Nested\n    inner\n  ---//--\bafter\n"), "");
}

// The payload is read from the first "payload:" of the line, here the url's.
TEST(FormatProperties, WebhookUrlEndingInPayloadKeyword) {
  EXPECT_EQ(testing::check_fmt_properties("webhook: on: |tYso.completed| url: \"/hopayload: {payload: {id\n"), "");
}

TEST(FormatProperties, CommandNameStartingWithSlashes) {
  EXPECT_EQ(testing::check_fmt_properties("commands:\n  / //deploy\n    description: Ship\n"), "");
}

TEST(FormatProperties, IssueStatusStartingWithSpace) {
  EXPECT_EQ(testing::check_fmt_properties("issue: Login\n  status: : = 1\n  priority: : high\n"), "");
  // A carriage return is whitespace too.
  expect_formats("issue: t\n  status: :\rail: str\n", "issue: t\n  status: :\rail: str\n");
}

}  // namespace
}  // namespace varn::format
