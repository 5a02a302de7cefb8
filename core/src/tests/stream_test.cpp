// A streamed parse hands on, member by member, what the whole parse holds:
// the events it gives, and the same tree, error and texts as a parse that
// reads every node whole and lowers it after.
#include <gtest/gtest.h>

#include <filesystem>

#include "convert/convert.hpp"
#include "format/format.hpp"
#include "index/index.hpp"
#include "parse/handlers.hpp"
#include "parse/parser.hpp"
#include "tests/golden.hpp"
#include "varn/ast.hpp"
#include "varn/operations.hpp"
#include "varn/parse.hpp"

namespace varn {
namespace {

namespace fs = std::filesystem;

// The parse as a whole: every top-level node read whole, then lowered, the
// first error winning.
Result<Document, ParseError> whole_parse(std::string_view source) {
  parse::Parser p;
  p.lines = parse::Lines(source);
  Document doc{parse::parse_block(p, 0, 0)};
  if (p.first_error) return err(*p.first_error);
  for (Node& node : doc.nodes) {
    if (auto e = parse::lower_node(node)) return err(*e);
  }
  return doc;
}

std::string tree_or_error(const Result<Document, ParseError>& doc) {
  return doc.ok() ? serialize_document(doc.value()) : display(doc.error());
}

std::string events(std::string_view source) {
  std::string out;
  auto add = [&](std::string event) { out += (out.empty() ? "" : " ") + event; };
  const TreeSink sink{[&](Node&& n) { add(std::string(node_kind_names[n.value.index()])); },
                      [&](const Node& g) { add("open:" + g.get<Group>().name); },
                      [&](std::size_t end) { add("close@" + std::to_string(end)); }};
  if (auto e = parse_stream(source, sink)) add("error: " + e->message);
  return out;
}

TEST(ParseStream, Events) {
  const struct {
    std::string_view source;
    std::string_view events;
  } cases[] = {
      {"", ""},
      {"# A\n  x\n\n# B\n", "open:A Prose close@9 open:B close@13"},
      {"# A\n  ## B\n    x\n  y\nz\n", "open:A open:B Prose close@17 Prose close@21 Prose"},
      // Another node is made of a lattice group and of a sub-group of a
      // "Sync" group: each comes whole. A task holds its members.
      {"# A\n  ## Schema\n    name: id\n  # Sync\n    ## s\n      class: ops\n    x\n  [ ] t\n    u\n",
       "open:A LatticeSchema open:Sync SyncDef Prose close@70 Task close@84"},
      {"### Schema\n  x\n", "open:Schema Prose close@15"},
      // An invalid declaration of a "Sync" group waits for the group's end:
      // a lowering error of a later member, found first by the pass, wins.
      {"# Sync\n  ## a\n    class: bad\nafter\n", "open:Sync error: Invalid sync class 'bad' in sync declaration 'a'; "
                                                "expected canon, ops, or data"},
      {"# Sync\n  ## a\n    class: bad\n  ## b\n    # Sync\n      ## c\n        class: worse\n",
       "open:Sync error: Invalid sync class 'worse' in sync declaration 'c'; expected canon, ops, or data"},
      // A parse error anywhere wins.
      {"# Sync\n  ## a\n    class: bad\nsync:\n", "open:Sync error: sync: declaration on line 4 has no name"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(events(c.source), c.events) << c.source;
    EXPECT_EQ(tree_or_error(parse_source(c.source)), tree_or_error(whole_parse(c.source))) << c.source;
  }
}

// Every document of the test folders, as it stands and under one heading,
// and headings nested past the depth limit.
std::vector<std::string> documents() {
  std::vector<std::string> docs;
  std::string nested;
  for (int i = 0; i < 130; ++i) nested += std::string(i, ' ') + "# h" + std::to_string(i) + "\n" + std::string(i + 1, ' ') + "x\n";
  docs.push_back(nested);
  for (const auto& entry : fs::recursive_directory_iterator(VARN_TEST_DATA)) {
    if (entry.path().extension() != ".varn") continue;
    const std::string text = testing::slurp(entry.path());
    docs.push_back(text);
    std::string held = "# All of it :owner:@ann\n";
    for (std::size_t at = 0; at < text.size();) {
      const std::size_t end = std::min(text.find('\n', at), text.size());
      held += "  " + text.substr(at, end - at) + "\n";
      at = end + 1;
    }
    docs.push_back(held);
  }
  return docs;
}

TEST(ParseStream, GivesTheWholeParse) {
  for (const std::string& doc : documents()) {
    EXPECT_EQ(tree_or_error(parse_source(doc)), tree_or_error(whole_parse(doc))) << doc;
  }
}

// The four operations that read source, from the events, against their
// writers of a whole tree.
TEST(ParseStream, OperationsWriteWhatTheWholeTreeGives) {
  for (const std::string& doc : documents()) {
    auto whole = whole_parse(doc);
    if (!whole.ok()) {
      EXPECT_EQ(ops::fmt(doc).error(), display(whole.error())) << doc;
      continue;
    }
    const Document& tree = whole.value();
    EXPECT_EQ(ops::parse(doc).value(), serialize_document(tree)) << doc;
    EXPECT_EQ(ops::fmt(doc).value(), format::format_document(tree, doc)) << doc;
    EXPECT_EQ(ops::to_json(doc).value(), convert::document_to_json(tree).value()) << doc;
    auto index = index::serialize_document_index(index::build_document_index(tree));
    EXPECT_EQ(ops::build_index(doc).value(), index.value()) << doc;
  }
}

}  // namespace
}  // namespace varn
