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

// Bars of our own would close on the value's bar and bare its "//".
TEST(FormatProperties, BarredAttributeHoldingABarAndSlashes) {
  expect_formats("comment:\n  created_at: a | b // c\n", "comment:\n  body: \"\"\n  created_at: a | b // c\n");
  expect_formats("issue: t\n  due_date: a | b // c\n", "issue: t\n  due_date: a | b // c\n");
  expect_formats("comment:\n  created_at: | x\n", "comment:\n  body: \"\"\n  created_at: | x|\n");
}

// Lines whose parts interlock, found by the fuzz target: bars, quotes and
// braces decide what the comment cut and the gate reader take. Where the
// writers' own line would read back otherwise, the source line is written:
// each keeps its tree and formats the same twice.
TEST(FormatProperties, InterlockingLines) {
  const std::string sources[] = {
      // headings: atoms, gates and the name's own braces, bars and quotes
      "# Spring :q2 due:2025-04-o0{ 3w{er @dana}\n",
      "# a |b{g//} c| :x\n",
      "#|{|}{|//| :| //\n",
      "#|//{|}|// | :| //\n",
      "#|// |{|} {// a :{} : :{ } y\n",
      "#|// g |{|} a }{// :{ a : : } - : :\n",
      "#|//| x{|} g {// :// a :{} | : : i : : :\n",
      "#{|}///{|}\n",
      "#:|{//\"}| //\n",
      "#:|\" \"} :{//\n",
      "#\" } :{// \"\n",
      "#\"// :\" |\" :\" } :{//\n",
      "#|{//|\"//} :\" | ://\n",
      "#p |\" M i :| \" } :{//\n",
      "#:| \"| :\"} //{\n",
      "#}{\r:{ }\n",
      "# a \" }{ :{ : }\n",
      "# } :{ : : {} x\n",
      "#{ a :{} { a :{ } : } x p\n",
      "#| ( , t } r :{// a :{ }| h h\n",
      "#| :// a :} { a a :{} : a :\n",
      "#|\" : :\" : : :// \"//| : :\" :// : : : : : : : : } :{\n",
      "# a b :| c// d :| e\n",
      "## a :| b// c :| d {g}\n",
      "## a |b // c :k:v//w d| e\n",
      "## a |b :j c :k:v//w d| e :m\n",
      "# a|-// b|c d :e|-// f|g h\n",
      "# p:1#\" M :o r ve//: weh :q ]d:2#\" Mp la :q :d:4#\" M :ack://: w ve//: weh :q ]d:2#\" Mp la :q :d:4#\" M "
      ":ack://: web tch:x//: web | np\n",
      "# a :x :q:b\" c// d :y :q:b\"\n",
      "#:|{//|} {|//| :| //\n",
      "#:|{//|}|{ //| :| //\n",
      "#|{//|} ] }{ # :{ } :|// l i : S : :|\n",
      "#ti}\001 Si# :|{// cl : cl --til|- : eploy {**a___ve @opi}\001\000\000# |{-!// ly\000\000\000cl\n"s,
      "#lassss|{//|}gst D] }t :|{// c# y ihistory:ssss|stntity :| blat:|iic :|c blacko:|i\n",
      "#|3ii// a andt:k --wait:|VV--{VV|\000e} -y>duue ---wa }oe rvp f}@sr*{re\000\000\001\000\000- use "
      "@^^iipa\015h\000t--> a :*{r - frde ie $o $oi// a :/ a f-, bo} gVV##tity --> -> --wause $o $oe $o $o\n"s,
      "#lƃ2h|\0001e401/cl --:th|-->/:|{!>//|}g }gs\000 Si :|{!// :|rl # cbfass blackout:|ril # available:| # "
      "tcl|tl # tcl\n"s,
      "##0xon:t:|3e, b ne @ git:c .#lev, {{{{t :{p} deadline:} i/ a :// a :e} \000\000\000\000\000\000\000n\000\000: "
      "|ag ->l>t:rev on:} :|5m ->le:--> ->le:\n"s,
      "## 0xpectt:|3re:iip\000\000\000s)ii// }  dut:c :V--{mil :si/ a  :/ a  :-{n "
      "pass\000\000\001\000\000\000\000\000\000} e #l\007\000\000-{wie} :/ a :i/ a  :{n pass:} "
      "te #\007\000\000\000e+-\n"s,
      "#xpectt:|3rem// a t:|VVV{VV|\000\000\000\000} gite in\007\000lev, {\001\020{skiiiii// a :{e} -y>  a,j a "
      "gip:c --w deadline:msi// a  :/ a  :x|r -> +-\000 |at ie -> av deadline:m|-- -> av\017\000\000\000\n"s,
      "# {g 1} a {b\n",
      // tasks: gates whose "//" the text's bars or quotes hide or bare
      "[]{|}//{|}\n",
      "[]|{//}|\n",
      "[] a |b {//: x} c|\n",
      "[]|{//}{\n",
      "[ ]{g a|b \"//c} t\"x\n",
      // definitions: atoms and " from " among the entity's words
      "define:$crm.@task :x frk :x from :base\n  a: 1\n",
      "define:$crm.@task : from  @base\n  a: 1\n",
      "define:@a from  @b from @c\n",
      "define:@task :| a// b |c\n",
      "define:@a :| b// c |d :| e// f |\n",
      "define:$m.@t from s :q\" f//x i\n",
      "define:$|\" :// \"| :\" from \"/\n",
      "define:$|\" :| \" from @//\n",
      "define:$|\" :| \" from // from @\n",
      "define:@workspace:team.@:x task from base\n",
      // mutations: the gate hiding the id's "//"
      "mutate:@t:a {g x|y}|b| c//\n",
      "mutate:@{}|{|}{|//\n",
      // issues: the gates are read from the whole line, the title from the cut one
      "issue: a{b // c}",
      "issue: a {x} b{c //d}",
      "issue: a{b// c}{e}",
      "issue: t //{g}",
      "issue: a {g  x[:l// y}",
      "issue: a {g|x| // y  }z",
      "issue: a {{g  x// y}}",
      "issue:{* o  //}",
      "issue: Login {triage} // {later}\n",
      // policy rules: gates read only after the colon
      "policy:\n @:|{//}\n",
      "policy:\n @a:|{//} {b} \"{c//}\n",
      // webhooks: each part read after the first of its keywords anywhere
      "webhook: on: |task.co\" payload: {idhook: on: |task.co\" payload: {id}\n",
      "webhook: payload:on- a:$o\" on:\"|taync: {iurl",
      "webhook: on: |t url: \"/hoo|s/done\" x",
      "webhook: on: |t| url: apayload:m| url: x\"/\n",
      "webhook: url: \"w: on: |t\" x\"\n",
      "webhook: on: payload:: {id.co\" payload: {hd |task: on: ytask.co\" payload: {hd}",
      "webhook:|payload:*\"//|url://|\"//| \"\n",
      "webhook:|\"on:\"//\"//|//url:on:\n",
      "webhook: url: \"u| e:d on:c\" payload: x| e:d on:c\" payload: {i: |d}\n",
      "webhook: on: |t payload: url: \"/h|t payload: url: \"\n",
      "webhook: url:payload:\" url:\n",
      "webhook: on:|| url: /payload:n: |t| url: \"/x\" p\n",
      "webhook: |on:url:payload://\n",
      "webhook: onx: |y:t//.c| u\n",
      "webhook: on:|x| url: \"https://e.com/h payload: \"p\"\n",
      "webhook: on:|x| url: \"/a\" \"\n",
      // the url's word after the quotes and the white space inside them
      "webhook: url:\" /hooks/done\"\n",
      "webhook: on:|x| url:\" %\"\n",
      "webhook: url:\" -#\n",
      "webhook: url:\"  \"a//b\" \" payload: x\n",
      // declarations under "Sync" whose name holds a "//" or braces
      "# Sync\n  ## a :| b// c |d\n",
      "# Sync\n #:|{ {//}\n",
      "mod:run a.b\n",
      // a head line after a run of blank lines, which the parser keeps as one
      "[ ] t\n\n\n\n  # {g 1} a {b\n  # {g 1} a {c\n",
      // flow edges whose "//" no spelling keeps
      "flow:\n |-->//--wait:,| ,|-->",
  };
  for (const std::string& source : sources) EXPECT_EQ(testing::check_fmt_properties(source), "") << source;
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

// A text that starts with white space and holds a quote before its "//"
// goes after two quotes of ours, which pair so that its own opens again.
TEST(FormatProperties, QuotedTextStartingWithASpaceBeforeAQuote) {
  expect_formats("remember:  \"\" \"q //  \n", "remember: \"\" \"q //\"\n");
  expect_formats("recall: \"\"  \"q //\n", "recall: \"\"  \"q //\"\n");
  expect_formats("snap: \"\" \"q //\n", "snap: \"\" \"q //\"\n");
  expect_formats("issue: t\n  milestone: \"\" \"q //\n", "issue: t\n  milestone: \"\" \"q //\"\n");
  expect_formats("issue: t\n  milestone: a\"q // \"\"\"\n", "issue: t\n  milestone: a\"q // \"\n");
}

// A chained edge without sources: a comma before the names lets its segment
// open in the first of them.
TEST(FormatProperties, FlowChainedSegmentWithoutASource) {
  expect_formats("flow:\n  ,, \"|c --wait:|b|--> , --{c//d}--> e\n", "flow:\n  \"|c --wait:|b|--> , --{c//d} --> e\n");
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

// Headings nested `depth` deep, `step` columns deeper each, then the lines
// of `bottom`, each `step * depth` columns deeper than it stands there.
std::string nested(std::size_t depth, std::size_t step, std::string_view bottom) {
  std::string text;
  for (std::size_t i = 0; i < depth; ++i) text.append(step * i, ' ').append("#\n");
  for (std::size_t start = 0; start < bottom.size();) {
    const std::size_t end = bottom.find('\n', start) + 1;
    text.append(step * depth, ' ').append(bottom.substr(start, end - start));
    start = end;
  }
  return text;
}

// A node at the nesting limit takes no lines below it: those it would write
// there read as its siblings, so its lines are judged where they stand, and
// where they would not read back its source lines are written.
TEST(FormatProperties, LinesAtTheNestingLimit) {
  const struct {
    std::size_t depth;
    const char* bottom;
    const char* formatted;  // each line two columns a depth deeper; none: the properties alone
    const char* after = "";  // lines at column 0
  } cases[] = {
      {127, "lattice_constraint:\n", "lattice_constraint:\n"},
      {127, "## Constraint\n", "## Constraint\n"},
      {127, "pressure_effect:\n", "pressure_effect:\n"},
      {127, "## Pressure Effect\n", "## Pressure Effect\n"},
      {126, "#Sync\n #\n", "# Sync\n  #\n"},
      {127, "%d\n---\n", "%d\n---\n"},
      {127, "%d\n x\n---\n", "%d\nx\n---\n"},
      {127, "[ ] t {g}\n  depends: x\n", "[ ] t {g}\ndepends: x\n"},
      {127, "validate: v\n  on_fail: x\n", "validate: v\non_fail: x\n"},
      // Raw bodies are read at any depth.
      {127, "sync: s\n  class: ops\n",
       "sync: s\n  class: ops\n  source:\n  identity:\n  mode:\n  target:\n  schedule:\n  scope:\n"},
      // One level up the members are taken.
      {126, "lattice_constraint:\n    rule: a\n", "lattice_constraint:\n    rule: a\n"},
      // A scope there takes no line of dashes, however indented.
      {127, "%x\n", "%x\n", "---\n"},
      // Code lines are content, at any depth, and keep their columns.
      {127, "```\n1 \n```\n", nullptr},
      {127, "```\n", nullptr, "1 \n"},
      {127, "```\n \n", nullptr},
  };
  for (const auto& c : cases) {
    const std::string source = nested(c.depth, 1, c.bottom) + c.after;
    EXPECT_EQ(testing::check_fmt_properties(source), "") << c.bottom;
    if (c.formatted) {
      EXPECT_EQ(ops::fmt(source).value(), nested(c.depth, 2, c.formatted) + c.after) << c.bottom;
    }
  }
}

}  // namespace
}  // namespace varn::format
