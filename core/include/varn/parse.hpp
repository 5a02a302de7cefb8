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

// The same parse, one top-level node at a time: each node goes to `sink` as
// soon as it is complete, so that a large text is never held as one tree.
// Gives the same error as parse_source; the nodes handed over before it was
// found are then to be dropped.
std::optional<ParseError> parse_each(std::string_view source, const NodeSink& sink, const Consumed& consumed = {},
                                     Spans spans = Spans::All);

}  // namespace varn
