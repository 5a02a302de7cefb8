#pragma once
// Source text to the document tree.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string_view>

#include "varn/errors.hpp"
#include "varn/model.hpp"
#include "varn/result.hpp"

namespace varn {

// What a parse builds of the inline spans of prose and task lines: every
// span for the JSON AST; only the references for the index, which reads
// nothing else of them; none for a caller that writes a line from its text.
// A tree of spans takes several times the bytes of its line.
enum class Spans : uint8_t { All, Refs, None };

// Parses one source text. Every text gives a Document or the first ParseError.
Result<Document, ParseError> parse_source(std::string_view source);

// Takes each node of a document as it is made.
using NodeSink = std::function<void(Node&&)>;
// Told that no byte of the source before the given offset will be read again.
using Consumed = std::function<void(std::size_t)>;

// The same parse, one top-level node at a time: each node goes to `sink`
// whole as soon as it is complete. Gives the same error as parse_source; the
// nodes handed over before it was found are then to be dropped.
std::optional<ParseError> parse_each(std::string_view source, const NodeSink& sink, const Consumed& consumed = {},
                                     Spans spans = Spans::All);

// Takes a document as it is read, each piece once it is complete and
// lowered, in document order. A group whose members can be handed on one at
// a time comes as `open` (its node, without children), its members, then
// `close`; every other node comes whole to `node`. A member belongs to the
// group opened last and not closed yet, or else to the top level.
//
// Which groups come member by member is the lowering's to say: a group that
// it makes another node of is read whole (a level-two group with a lattice
// title, and each sub-group of a "Sync" group), and so is every node that is
// not a group, as its reader sorts its lines into fields once it has them
// all (a task's clauses and sections, a validation's members, ...).
struct TreeSink {
  std::function<void(Node&&)> node;
  std::function<void(const Node&)> open;
  // Given where the line after the group's last starts in the source.
  std::function<void(std::size_t end)> close;
};

// The same parse handed on member by member, so that a heading that holds
// the whole document is never held as one tree. Gives the same error as
// parse_source; what was handed on before it was found is then to be dropped.
std::optional<ParseError> parse_stream(std::string_view source, const TreeSink& sink, const Consumed& consumed = {},
                                       Spans spans = Spans::All);

}  // namespace varn
