#pragma once
// The seven operations behind the Python functions: one text in, one text out,
// or the display text of the error that stopped them. Nothing here throws by
// design; the Python layer turns a failure into ValueError.
#include <optional>
#include <string>
#include <string_view>
#include <variant>

#include "varn/errors.hpp"
#include "varn/parse.hpp"
#include "varn/result.hpp"
#include "varn/text_sink.hpp"

namespace varn::ops {

// The error's display text, exactly as Python shows it.
using TextResult = Result<std::string, std::string>;

// The four that read .varn source read it front to back, one node at a time
// (a group member by member, see parse_stream); `consumed`, when set, learns
// as they go how many leading bytes they will not read again, so that the
// caller may release them.
TextResult parse(std::string_view source, const Consumed& consumed = {});
// The text of `parse` handed to `sink` piece by piece as it is written, for a
// caller that copies it straight into its own buffer; the error, if any. The
// pieces handed on before an error is found are then to be dropped.
std::optional<std::string> parse_to(std::string_view source, const TextSink& sink, const Consumed& consumed = {});
TextResult fmt(std::string_view source, const Consumed& consumed = {});
TextResult render(std::string_view doc_json);
TextResult from_json(std::string_view json);
TextResult from_markdown(std::string_view md);
TextResult to_json(std::string_view source, const Consumed& consumed = {});
// Its text handed to `sink` as `parse_to` hands on its own. The summary is
// held whole until the source is read (its keys are sorted), then written.
std::optional<std::string> to_json_to(std::string_view source, const TextSink& sink, const Consumed& consumed = {});
// build_index fails as the others do, with a parse error's display text, or
// with a SizeError for an index larger than the memory the process can get
// (its address-space limit when one is set, else the machine's memory),
// found before any of it is written.
using IndexError = std::variant<std::string, SizeError>;
using IndexResult = Result<std::string, IndexError>;
IndexResult build_index(std::string_view source, const Consumed& consumed = {});

}  // namespace varn::ops
