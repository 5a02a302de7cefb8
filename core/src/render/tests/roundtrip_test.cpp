// The round-trip property (properties.hpp) over a corpus of every construct,
// the same constructs under a heading, and the parser's own case sources.
#include <gtest/gtest.h>

#include <filesystem>

#include "render/tests/properties.hpp"
#include "tests/golden.hpp"
#include "tests/interlocking.hpp"

namespace varn::render::testing {
namespace {

std::string corpus(const std::string& name) {
  return varn::testing::slurp(std::filesystem::path(VARN_TEST_DATA) / "render/tests/corpus" / (name + ".varn"));
}

class RoundTrip : public ::testing::TestWithParam<std::string> {};

TEST_P(RoundTrip, ParsesBackToTheSameTree) {
  const std::string source = corpus(GetParam());
  ASSERT_TRUE(parse_source(source).ok());
  EXPECT_EQ(check_render_properties(source), "");
}

// The same constructs one level down, under a heading: every nested line of
// a construct is indented relative to its own opener.
TEST_P(RoundTrip, ParsesBackToTheSameTreeUnderAHeading) {
  if (GetParam() == "markers") GTEST_SKIP() << "spawn marks and dividers go to column 0 and end the heading's block";
  std::string nested = "# Wrapper\n";
  const std::string source = corpus(GetParam());
  for (std::string_view line : parse::split_lines(source)) {
    if (!line.empty()) nested.append("    ");
    nested.append(line).push_back('\n');
  }
  EXPECT_EQ(check_render_properties(nested), "");
}

INSTANTIATE_TEST_SUITE_P(Corpus, RoundTrip,
                         ::testing::Values("blocks", "markers", "data", "statements", "definitions", "lattice"));

// Every source of the parser's own cases.
TEST(RoundTrip, ParseCases) {
  for (const auto& entry :
       std::filesystem::directory_iterator(std::filesystem::path(VARN_TEST_DATA) / "parse/tests/cases")) {
    if (entry.path().extension() != ".varn") continue;
    EXPECT_EQ(check_render_properties(varn::testing::slurp(entry.path())), "") << entry.path().filename();
  }
}

TEST(RoundTrip, NestedMarkersAreNotExpectedBack) {
  EXPECT_EQ(check_render_properties("# G\n    a\n    ---\n    b\n"), "");
  EXPECT_TRUE(has_nested_marker(parse_source("# G\n    ++\n").value().nodes, false));
  EXPECT_FALSE(has_nested_marker(parse_source("# G\n++\n").value().nodes, false));
}

// Found by the fuzzer: no trigger, and a url that ends in a quote followed by
// more text. The written line must read back as the same webhook.
TEST(RoundTrip, WebhookWithoutTriggerAndUrlEndingInAQuote) {
  const std::string source = std::string("webhook: onui_page:: |task.completed| url: \"/hooks/done\" p") +
                             std::string(50, '\0') + "}\n";
  EXPECT_EQ(check_render_properties(source), "");
}

// A "mod:" line keeps its arguments as the name, which the "$" form would
// split at the '.' and the space.
TEST(RoundTrip, ModLineWhoseNameTheDollarFormCannotSay) {
  EXPECT_EQ(check_render_properties("mod:run ni.htly job\n"), "");
}

// Inputs found by the fuzzer, each with the exact text it renders to; the
// text must read back as the same tree.
struct Finding {
  const char* name;
  std::string source;
  std::string rendered;
};

using namespace std::string_literals;

const Finding kFindings[] = {
    // The parser reads no atom after " from ": the atoms go before an entity
    // that holds one.
    {"DefineWhoseEntityHoldsFrom", "define:$crm.@task :x from \0pressure_a\n"s,
     "define:$crm.@:x task from \0pressure_a"s},
    // Gates are not read after a '{' that does not close: they go first.
    {"TaskTextWithAnUnclosedBrace", "[3!] D {approve @ops} gi::close{ #42 pass:w\n",
     "[3!] {approve} D  gi::close{ #42 pass:w"},
    // "? ", "if " and "use " open other kinds of line.
    {"VariableNamedQuestionMark", "?=3 A\n", "?= 3 A"},
    // "## Metric:" and "## Entity:" open definitions.
    {"HeadingNamedLikeAMetric", "##Metric:x\n", "##  Metric:x"},
    {"HeadingWithAtomsNamedLikeAMetric", "##:c: Metric:\n", "##  Metric: :c:"},
    // The entity's last space is kept before the empty id.
    {"MutateEntityEndingInASpace", "mutate:@worve = ||a matcl :\n", "mutate:@worve = ||a matcl :"},
    // Quotes of our own would pair with the one inside and bare the "//".
    {"RememberHoldingAQuoteAndSlashes", "remember:  one\" ket // kept\n", "remember: one\" ket // kept"},
    {"RecallHoldingAQuoteAndSlashes", "recall:&:\"//\n", "recall: &:\"//"},
    {"FieldNameHoldingAQuote", "define:@t\n  a\"b:c // d\"\n", "define:@t\n    a\"b: c // d\""},
    // An entity whose words hold " from @", with atoms.
    {"DefineEntityHoldingFromAt", "define:@atsk :x from  @omrbf a\n", "define:@:x atsk from  @omrbf a"},
    // A "query:" pattern would take the arm's deeper lines as its body.
    {"MatchArmPatternThatOpensAQuery", "[ ] t\n    match:\n    query:il:\n    x\n",
     "[ ] t\n    match:\n        query:il:\n        x"},
    // The parser strips every leading repetition of the keyword.
    {"ProjectNamedAfterItsKeyword", "project: project: A\n", "project: project: A\n  brief:"},
    {"CommandNameStartingWithASlash", "commands:\n  / /build\n", "commands:\n  / /build\n    description:"},
    {"GateNamedAfterItsKeyword", "gate: gate:x\n", "gate: gate:x"},
    // A trigger holding "payload:" starts the payload, which runs on after it.
    {"WebhookPayloadStartingInTheTrigger", "webhook: on:|x payload: a|b\n", "webhook: on:|x payload: a|b"},
    // A wait text read whole, for want of a second bar; and the '+' after a
    // wait that marks the edge parallel.
    {"FlowWaitHoldingOneBar", "flow:\n  x --wait:|5m a, b --> y\n", "flow:\n    x --wait:|5m a, b--> y"},
    {"FlowParallelWait", "flow:\n  a --wait:x+--> b\n", "flow:\n    a --wait:x+--> b"},
    // A segment that a second "--" closes keeps the spaces at its ends.
    {"FlowLabelEndingInASpace", "flow:\n  a --x --y--> b\n", "flow:\n    a --x ----> b"},
    // The spaces that end a gated mutation's entity stay before an id.
    {"GatedMutateWithAnId", "mutate:@w :q2 {owner @dana}\n", "mutate:@w :q2"},
    {"GatedMutateWithSpacesBeforeTheId", "mutate:@b {g} :a\n", "mutate:@b  :a"},
    {"ModuleNamedAfterItsKeyword", "mod:$ mod:$b:\n", "mod:$ mod:$b:"},
    // Braces nested in a gate's name are closed after it.
    {"GateNameHoldingABrace", "[ ] {a{b c}} t\n", "[ ] t {a{b }}"},
    // The scope prefix takes one '@' of an entity's own.
    {"QueryEntityStartingWithAt", "? @@@t\n", "? @@@t"},
    // A label with no name before it, and one after a name holding dashes.
    {"FlowLabelWithoutASource", "flow:\n  fetch +-->+-- >--> m\n", "flow:\n    fetch +--> +-- >\n    + -- >--> m"},
    {"FlowSourceHoldingDashes", "flow:\n  a-b-------c-----^0.8 x+--> y\n", "flow:\n    a-b-------c --^0.8 x+--+--> y"},
    {"FlowSourceHoldingDashesWithoutASegment", "flow:\n  a--b------> c\n", "flow:\n    a--b ------> c"},
    // A title cut at a gate whose name starts a comment.
    {"IssueGateNamedLikeAComment", "issue: t {//view}\n", "issue: t {//view}"},
    {"ValidateNameEndingInAColon", "validate kind:   :\n", "validate kind: :"},
    {"FormValueHoldingAQuoteAndSlashes", "form:f\n  storage_entity: a\"b // c\n", "form:f\n    storage_entity: a\"b // c"},
    {"IssueMilestoneHoldingAQuoteAndSlashes", "issue: t\n  milestone: a\"b // c\n", "issue: t\n    milestone: a\"b // c"},
    {"FlowParallelLabel", "flow:\n  x --la--+--> y\n", "flow:\n    x --la--+--> y"},
    {"WebhookTriggerBarsInThePayload", "webhook: url: \"u| e:d on:c\" payload: x| e:d on:c\" payload: {i: |d}\n",
     "webhook: url: u| on: payload: \"x| e:d on:c\" payload: {i: |d}\""},
    {"WebhookUrlStartingInTheTrigger", "webhook: on:| url: \"/d:|d:\n", "webhook: on:| url: \"/d:|d:"},
    // The title stops at the comment mark inside the gate that it opens.
    {"IssueTitleOpeningItsGate", "issue: Login a{rev//iew}\n", "issue: Login a{rev//iew}"},
    // A carriage return that ends a code line would go with the line feed.
    {"CodeLinesEndingInCarriageReturns", "```\na\r\r\nb\r\r@\r\r\nc\n```\n",
     "```\na\r\r\nb\r\r@\r\r\nc\n```"},
    // A record's later field goes without the id whose bar would bare its "//".
    {"BatchFieldAfterAnIdHoldingABar", "mutate:@t\n  r: k: v\n  a|b: k: v\n  x: y|z // w\n",
     "mutate:@t\n    r:k:v\n    a|b:k:v\n    x:y|z // w"},
    // The reader strips every closing bracket at the end of a list.
    {"LabelEndingInABracket", "issue: t\n  labels: [:a, :log(n],\n", "issue: t\n    labels: :a, :log(n],"},
    // Block lines are trimmed: a second opening quote keeps the text's "//".
    {"QuotedTextWithSpaceAndSlashes", "comment:\n  body: d \"x // o \"\"\n", "comment:\n    body: \"\"d \"x // o \""},
    // The trigger and its colon would read as a second keyword.
    {"RoutineTriggerNamedLikeItsKeyword", "routine: routine\n", "routine: routine:||"},
    // The reader strips every leading "validate ".
    {"ValidateNamedLikeItsKeyword", "validate  validate x:\n", "validate  validate x:"},
    // A line of dashes closes one scope: each one open gets its own.
    {"DividerAfterNestedScopes", "%F\n  # G\n    %N\n      x\n--- //\n",
     "%F\n    # G\n\n        %N\n            x\n---\n---\n---"},
    // The blank line that ends a validation would end the scope in it.
    {"DividerAfterAScopeThatABlankLineWouldEnd", "validate :\n %.\n\n---", "validate :\n    %.\n---\n---"},
    // The gate's name ends in the title, before the mark; its body is left out.
    {"IssueGateNameEndingInTheTitle", "issue: a {g|x| // y  }z\n", "issue: a {g|x| //}"},
    {"IssueNestedGateNameEndingInTheTitle", "issue: a {g{h x// y}}\n", "issue: a {g{h x//}}"},
    // Bars of our own would close on the condition's bar and bare its "//".
    {"ConditionHoldingABarAndSlashes", "if a|b // c:\n    x\n", "if a|b // c:\n    x"},
    // A "//" that the bars of an edge before it keep from the comment cut
    // goes on the line of that edge, chained; only the edges from it on do.
    {"FlowEdgeWithCommentMarkAfterBars", "flow:\n  \"a\" --> b --> c| --> d --> e // f\n",
     "flow:\n    \"a\" --> b\n    b --> c|\n    c| --> d --> e // f"},
    {"FlowChainedSegmentOverSeveralNames", "flow:\n  a| --> x --t ,y  ,, z--> w // v\n",
     "flow:\n    a| --> x --t ,y  ,, z --> w // v"},
    {"FlowEdgeAfterACarriedQuote", "flow:\n  ,--|-->-->\"a\"//b\n", "flow:\n    ,--\"--> --> \"a\"//b"},
    // Trailing marks of the last source name would be read as the arrow's:
    // a comma after the name keeps them.
    {"FlowSourceEndingInAMark", "flow:\n  a-,--> b\n  a+, --x--> c\n  +-,  +--> d\n",
     "flow:\n    a-, --> b\n    a+, --x--> c\n    +- +--> d"},
    {"FlowQuoteAfterAClosedSegment", "flow:\n  a --x--|--> b --> c // d\n", "flow:\n    a --x--\"--> b --> c // d"},
    {"FlowChainedSegmentEndingAtAName", "flow:\n  a| --> b--x,,--c --> d // e\n",
     "flow:\n    a| --> b--x,,--c --> d // e"},
    {"FlowQuoteCarriedForAChainedEdge", "flow:\n  ,--\"--> --> a, b --> c // d\n",
     "flow:\n    ,--\"--> --> a, b --> c // d"},
    // The url and the payload both start inside the trigger.
    {"WebhookUrlAndPayloadInTheTrigger", "webhook: on: |t payload: url: \"/h|t payload: url: \"\n",
     "webhook: on:|t payload: url: \"/h|t payload: url: \""},
    // The url is the word after the quotes and the white space inside them;
    // one that starts with a quote keeps it behind a quote and a space.
    {"WebhookUrlAfterAQuotedSpace", "webhook: url:\" /hooks/done\"\n", "webhook: on:|| url: \"/hooks/done\""},
    {"WebhookUrlStartingWithAQuote", "webhook: url:\"  \"a//b\" \" payload: x\n", "webhook: url: \" \"a"},
    // The payload starts inside the url, and takes the quote that ends it.
    {"WebhookPayloadStartingInTheUrl", "webhook: url:payload:\" url:\n", "webhook: url: payload:\" url:\""},
    // Every part read from a trigger that runs to the end of the line, whose
    // "//" a bar before it hides from the comment cut.
    {"WebhookTriggerHoldingEveryPart", "webhook: |on:url:payload://\n", "webhook: | on:url:payload://"},
    // Bars of our own would close on the value's bar and bare its "//".
    {"CommentDateHoldingABarAndSlashes", "comment:\n  created_at: a | b // c\n",
     "comment:\n    body: \"\"\n    created_at: a | b // c"},
    {"IssueDueDateHoldingABarAndSlashes", "issue: t\n  due_date: a | b // c\n", "issue: t\n    due_date: a | b // c"},
    {"FlowChainedWaitOverSeveralNames", "flow:\n  a| --> b//c --wait:d ,e --> f // g\n",
     "flow:\n    a| --> b//c --wait:d ,e --> f // g"},
    {"FlowChainedSegmentEndingInCommas", "flow:\n  a| --> x --t ,y ,,--> w // v\n",
     "flow:\n    a| --> x --t ,y ,, --> w // v"},
    // A chained edge without sources: a comma before the names lets its
    // segment open in the first of them.
    {"FlowChainedSegmentWithoutASource", "flow:\n  ,, \"|c --wait:|b|--> , --{c//d}--> e\n",
     "flow:\n    \"|c --wait:|b|--> , --{c//d} --> e"},
    {"FlowDashLabelAfterASourceHoldingDashes", "flow:\n  a --b---- - --> c\n", "flow:\n    a --b ---- ---> c"},
    // The reader drops each ":v" of a module's name once.
    {"ModuleNameHoldingTheVersionMark", "mod:$billing ::vv\n", "mod:$billing ::vv"},
    // A plural entity holding " where " or " from snap:" keeps them apart
    // from the clauses with its "(s)" inside them.
    {"PluralQueryEntityHoldingWhere", "? task(s) where(s) wh sten\n", "? task where(s) wh sten"},
    {"PluralQueryEntityHoldingFromSnap", "? a(s) from(s) snap:x b where c\n", "? a from(s) snap:x b where c"},
    {"MatchArmPatternNamedLikeAKeywordLine", "[ ] t\n    match:\n    flow::\n    x\n",
     "[ ] t\n    match:\n        flow::\n            x"},
    // An artifact line that would read as an assignment goes as a list item.
    {"LatticeArtifactStartingWithEquals", "lattice_validates:\n    - artifact:= D ma: s1\n",
     "lattice_validates:\n    - artifact: = D ma: s1"},
    // An issue id that the reader would trim goes between quotes.
    {"IssueIdStartingWithASpace", "issue: b\n  id: \" C0\"\n", "issue: b\n    id: \" C0\""},
    // A recalled text whose own quote would bare its "//" goes without
    // quotes of ours; a lone closing quote keeps the space it ends in.
    {"RecallHoldingAQuoteSlashesAndATrailingSpace", "recall:0l |: \"the k // \"\n", "recall: 0l |: \"the k // \""},
    // A text that starts with white space and holds a quote before its "//"
    // goes after two quotes of ours, which pair so that its own opens again.
    {"RememberStartingWithASpaceBeforeAQuote", "remember: \"\" \"q //\n", "remember: \"\" \"q //\""},
    {"RecallStartingWithASpaceBeforeAQuote", "recall: \"\"  \"q //\n", "recall: \"\"  \"q //\""},
    {"SnapStartingWithASpaceBeforeAQuote", "snap: \"\" \"q //\n", "snap: \"\" \"q //\""},
    {"IssueMilestoneStartingWithASpaceBeforeAQuote", "issue: t\n  milestone: \"\" \"q //\n",
     "issue: t\n    milestone: \"\" \"q //\""},
    {"IssueMilestoneHoldingAQuoteSlashesAndATrailingSpace", "issue: t\n  milestone: a\"q // \"\"\"\n",
     "issue: t\n    milestone: a\"q // \""},
    // Chained edges whose sources start with "//" (see the formatter's case).
    {"ChainedEdgeSpanningBareCommas", "states:\n  |-->//--wait:|,|,---->\n", "states:\n    | --> //--wait:|,|,-- -->"},
    {"ChainedEdgeWhoseValueEndsBeforeItsSegment", "states:\n  |-->//b, --wait:|c , d|e,f--g,h+-->z\n",
     "states:\n    | --> //b, --wait:|c , d|e, f--g, h+ --> z"},
    {"WebhookPayloadHoldingTheUrlEndingInASpace", "webhook:|payload:*\"//|url://|\"//| \"\n",
     "webhook: | payload: *\"//|url://|\"//| \""},
    {"WebhookOpenTriggerAfterABarAndAQuote", "webhook:|\"on:\"//\"//|//url:on:\n",
     "webhook: |\" on:\"//\"//|//url:on:"},
    // An empty entity before a filter goes as the bare target "@".
    {"QuerySnapshotBeforeTheTargetsOwn", "query:\n  $m from snap:s where o.@e from snap:s where f\n",
     "? $m from snap:s where o.@e from snap:s where f"},
    {"QueryEmptySnapshotAfterTheFilter", "query:\n  a where b from snap:\n", "? a where b from snap:"},
    {"QueryWithAnEmptyEntityAndAFilter", "query:\n @ where x\n", "? @ where x"},
    {"ModulePairWithoutAKeyHoldingAColon", "mod:$b\n  _:> es:ix\n", "mod:$b\n    _: > es:ix"},
    {"MetricDimensionsWithTheirOwnBrackets", "## Metric: m\n  dimensions: [, [a, b], ]\n",
     "## Metric: m\n  dimensions: [, [a, b], ]"},
    {"MatchArmPatternNamedLikeASection", "[ ] t\n    match:\n    on_pass::\n    x\n",
     "[ ] t\n    match:\n        on_pass::\n            x"},
};

// Findings whose pieces the line search places: where they go is its free
// choice, so only the property is checked.
struct Placing {
  const char* name;
  std::string source;
};

const Placing kPlacings[] = {
    // An edge whose source is "//" goes chained, where its wait value spans
    // the separator of the names before it: alone it would be a comment.
    {"FlowEdgeFromSlashesChainedPastItsValue", "flow:\n |-->//--wait:,| ,|-->\n"},
    // A gate's quote hid the "//" of an atom: a gate with a body of a lone
    // bar, inside the atom's word, does so again.
    {"HeadingAtomWhoseSlashesAGateBodyHid", "# {imit: a\"nE}tity: due:3//b}c\n"},
    // A '{' in the name would pair with a '}' in an atom after it.
    {"HeadingAtomsAfterAnOpenBrace", "# Spring :due:2} x {app\n"},
    // Once the name's open brace is passed no gate can go: the search stops
    // there rather than reach its bound.
    {"HeadingGatesBeforeTheNamesOpenBrace", "#due:{|}gi{a}]//{} on: on:} { y { \0 g } \0 p p\n"s},
    // A gate body hid the "//" of the text from the comment cut; bodies are
    // left out, a lone bar does the same.
    // A gate whose "//" only the text's bars hide goes inside them, in full.
    {"TaskGateHiddenByTheTextsBars", "[]|{//}|\n"},
    {"TaskTextWithSlashesHiddenByAGateBody", "[ ] a {g |x} b // c\n"},
    // Atoms whose bars hide the entity's "//" from the comment cut go before
    // it: all first, or each before the word that needs it.
    {"DefineAtomsHidingTheEntitysSlashes", "define:@task :| a// b |c\n"},
    {"DefineAtomsHiddenBeforeTheEntitysFrom", "define:$|\" :// \"| :\" from \"/\n"},
    {"DefineAtomsHidingTheScopesSlashes", "define:$|\" :| \" from @//\n"},
    {"DefineAtomsBeforeTheEntitysFromWithAScope", "define:$|\" :| \" from // from @\n"},
    {"DefineAtomsBetweenTheEntitysWords", "define:@a :| b// c |d :| e// f |\n"},
    {"HeadingAtomsBetweenTheNamesWords", "# a b :| c// d :| e\n"},
    {"HeadingAtomsBeforeTheOneWhoseQuoteHidesAWord", "# a :x :q:b\" c// d :y :q:b\"\n"},
    // A gate that an atom's bar hides is written, inside the atom's word.
    {"HeadingGateInsideAnAtomsWord", "#:|{//|}|{ //| :| //\n"},
    {"PolicyGatesHoldingSlashes", "policy:\n @a:|{//} {b} \"{c//}\n"},
    {"HeadingGateBetweenAnAtomsBars", "#:|{//\"}| //\n"},
    {"HeadingAtomsSplitAroundTheName", "#:|\" \"} :{//\n"},
    {"TaskGateWithABodyHiddenByTheTextsBars", "[] a |b {//: x} c|\n"},
    {"HeadingAtomsFoundBySearch",
     "# p:1#\" M :o r ve//: weh :q ]d:2#\" Mp la :q :d:4#\" M :ack://: w ve//: weh :q ]d:2#\" Mp la :q :d:4#\" M "
     ":ack://: web tch:x//: web | np\n"},
    {"HeadingAtomInsideTheNamesBraces", "# a \" }{ :{ : }\n"},
    {"HeadingAtomBeforeTheNamesBraces", "# } :{ : : {} x\n"},
    {"HeadingAtomsNestedPastPlacingsWhoseBracesPair", "#| ( , t } r :{// a :{ }| h h\n"},
    {"HeadingAtomsWithPairedBracesInsideTheNames", "#{ a :{} { a :{ } : } x p\n"},
    {"HeadingAtomsSearchedApartFromTheNamesBraces", "#|\" : :\" : : :// \"//| : :\" :// : : : : : : : : } :{\n"},
    {"HeadingAtomWithPairedBracesInsideTheNames", "#| :// a :} { a a :{} : a :\n"},
    {"HeadingGatesFirstWithAtomsPlacedAfter", "#|{|}{|//| :| //\n"},
    {"HeadingGatesAndAtomsPlacedTogether", "#|//{|}|// | :| //\n"},
    {"HeadingGatesAndAtomsWithPlainAtomsLast", "#|// g |{|} a }{// :{ a : : } - : :\n"},
    {"HeadingGatesAndAtomsPlacedPastOtherGates", "#|// |{|} {// a :{} : :{ } y\n"},
    {"HeadingAtomWhoseBarTheNameCloses", "# a|-// b|c d :e|-// f|g h\n"},
    {"HeadingAtomHoldingSlashesWithinTheNamesBars", "## a |b // c :k:v//w d| e\n"},
    // A declaration under "Sync" whose name holds a "//" goes back to a
    // heading, with an atom (which the declaration drops) to hide it.
    {"SyncNameHoldingSlashes", "# Sync\n  ## a :| b// c |d\n"},
    {"SyncNameThatIsAGate", "# Sync\n #:|{ {//}\n"},
    {"HeadingAtomsPlacedWithTheNextMarkedOne", "#|{//|} ] }{ # :{ } :|// l i : S : :|\n"},
    {"HeadingAtomWithPairedBracesAfterAnOpenBrace",
     "##0xon:t:|3e, b ne @ git:c .#lev, {{{{t :{p} deadline:} i/ a :// a :e} \000\000\000\000\000\000\000n\000\000: "
     "|ag ->l>t:rev on:} :|5m ->le:--> ->le:\n"s},
    {"HeadingAtomsKeepingTheFirstBraceOpen",
     "## 0xpectt:|3re:iip\000\000\000s)ii// }  dut:c :V--{mil :si/ a  :/ a  :-{n "
     "pass\000\000\001\000\000\000\000\000\000} e #l\007\000\000-{wie} :/ a :i/ a  :{n pass:} te #\007\000\000\000e+-\n"s},
    {"HeadingGateBetweenTheNamesSlashes",
     "#|3ii// a andt:k --wait:|VV--{VV|\000e} -y>duue ---wa }oe rvp f}@sr*{re\000\000\001\000\000- use "
     "@^^iipa\015h\000t--> a :*{r - frde ie $o $oi// a :/ a f-, bo} gVV##tity --> -> --wause $o $oe $o $o\n"s},
    {"HeadingAtomOpeningABraceBeforeTheNamesPair",
     "#ti}\001 Si# :|{// cl : cl --til|- : eploy {**a___ve @opi}\001\000\000# |{-!// ly\000\000\000cl\n"s},
    // A mutation's gate, left out elsewhere, goes in where its bar hides the
    // id's "//".
    {"MutateIdWhoseSlashesTheGateHid", "mutate:@t:a {g x|y}|b| c//\n"},
    {"MutateEntityWhoseSlashesASpareGateHides", "mutate:@{}|{|}{|//\n"},
    // A heading's gates, left out elsewhere, go in where their bars hide a
    // "//" of the name.
    {"HeadingWhoseSlashesAGateHid", "#{|}//\n"},
    {"HeadingGatesPlacedApart", "#{|}///{|}\n"},
    // Atoms first behind the gate, where no placing among the words keeps
    // every "//".
    {"HeadingAtomsFirstBehindTheGate",
     "# $pring:0#\" Metric :owner [1o]r  ve//: weh :q4 ]due:ic :ackout://: web2#\" Metripring lauNch :q4 due:4#\" Metric :ackout://: web tch://: web | np aun'ner [1i`}penfs_o-:c@lass:e\" payload: {irl: depends_on:clleted| url: depends:to}t://: web | \n"},
    {"HeadingAtomsAmongTheWords", "#\"// :\" |\" :\" } :{//\n"},
    {"HeadingGateBetweenTheSlashesItHides",
     "#xpectt:|3rem// a t:|VVV{VV|\000\000\000\000} gite in\007\000lev, {\001\020{skiiiii// a :{e} -y>  a,j a "
     "gip:c --w deadline:msi// a  :/ a  :x|r -> +-\000 |at ie -> av deadline:m|-- -> av\017\000\000\000\n"s},
    {"HeadingGateFirstWhereTheNameKeepsABraceOpen",
     "## 0xctt:|3remembdui// a{wave}  -y>due:  a, b rioj nde@ops} git:c --wait:|VVVVVVVV--{iiilep|-\000\000} "
     "git:ce in.#ev, {\001\020{{{{tac// a  :ure_eff:use $:  -y>due: - --la ---wrz0iiii// a  :x$f--{warove} "
     "-y>du\000\000\000\000\000 git:x\001\000\000\003\000, {\001\020{{{{tacts, %pr---wapr :/ a :;skiz1iiiii// "
     "a  :x$f--{wove} wait:|-use $erh\n"s},
    {"HeadingWhoseSlashesAGateHidAmongWords", "# a {x |} b //c | d\n"},
    // A filler inside the group that the name's own "{" leaves open keeps its
    // "}" from closing it.
    {"SyncNameWhoseBraceWouldClose", "#Sync\n #:\" }//{ :{ }\n"},
    // Three slashes: a gate between two, the closing reference between two.
    {"TaskSlashesAroundAGateAndTheClosingReference", "[ ] \\/{}/git:closes #1/\n"},
    // Only the first of the entity's " from "s parted, so that a mark after
    // the second hides its "//".
    {"DefineEntityFromsPartedInPart", "define:@x\u00a0from \" :// \" from :\" //\n"},
};

TEST(RoundTrip, PlacedPieces) {
  for (const Placing& f : kPlacings) {
    ASSERT_TRUE(parse_source(f.source).ok()) << f.name;
    EXPECT_EQ(check_render_properties(f.source), "") << f.name;
  }
}

// Sync declarations written as headings under a "Sync" heading, itself
// under up to two others, their values holding "//" or not; indented with
// spaces or tabs, lines ending in CRLF or not. Declaration k is named "dk".
std::string sync_headings(varn::testing::Interlocking& r, std::vector<bool>& slashes) {
  const std::string unit(r.pick({"  ", "    ", "\t"}));
  const std::string_view end = r.pick({"\n", "\r\n"});
  std::string doc;
  std::string indent;
  auto line = [&](std::string_view text) { doc.append(indent).append(text).append(end); };
  for (std::size_t outer = r.below(3); outer > 0; --outer, indent += unit) line("# Outer");
  line(std::string(1 + r.below(3), '#') + " Sync");
  indent += unit;
  slashes.assign(1 + r.below(3), false);
  for (std::size_t k = 0; k < slashes.size(); ++k) {
    line(std::string(2 + r.below(3), '#') + " d" + std::to_string(k));
    indent += unit;
    if (r.coin()) line(varn::testing::cat({"class: ", r.pick({"ops", "canon", "data"})}));
    if (r.coin()) line("mode: stream");
    for (std::string_view key : {"source: ", "identity: "}) {
      const std::string_view value = r.pick({"http://crm.example.com/api", "kafka://raw_events", "urn://ids//x",
                                             "db // primary", "warehouse", "", "id"});
      slashes[k] = slashes[k] || value.find("//") != std::string_view::npos;
      if (!value.empty()) line(varn::testing::cat({key, value}));
    }
    indent.resize(indent.size() - unit.size());
  }
  return doc;
}

TEST(RoundTrip, SyncHeadingsKeepTheirSlashes) {
  varn::testing::Interlocking r(31);
  for (int i = 0; i < 300; ++i) {
    std::vector<bool> slashes;
    const std::string source = sync_headings(r, slashes);
    auto doc = parse_source(source);
    ASSERT_TRUE(doc.ok()) << source;
    EXPECT_EQ(check_render_properties(source), "") << source;
    // Only a declaration that the line form would cut goes as a heading.
    const std::string rendered = render_document(doc.value()) + "\n";
    for (std::size_t k = 0; k < slashes.size(); ++k) {
      const bool line_form = rendered.find("sync:d" + std::to_string(k) + "\n") != std::string::npos;
      EXPECT_EQ(line_form, !slashes[k]) << rendered;
    }
  }
}

TEST(RoundTrip, FuzzFindings) {
  for (const Finding& f : kFindings) {
    auto doc = parse_source(f.source);
    ASSERT_TRUE(doc.ok()) << f.name;
    EXPECT_EQ(render_document(doc.value()), f.rendered) << f.name;
    EXPECT_EQ(check_render_properties(f.source), "") << f.name;
  }
}

}  // namespace
}  // namespace varn::render::testing
