#pragma once
// The construct handlers the dispatcher hands a line to. Each is entered with
// `pos` on its opening line, consumes that line and whatever it owns, and
// returns its node or none.
#include <cstddef>
#include <optional>

#include "parse/parser.hpp"

namespace varn::parse {

using Handler = std::optional<Node> (*)(Parser& p, std::size_t depth, const Line& line);

// statements.cpp: the one-line statements and the prose fallback.
std::optional<Node> build_comment(Parser& p, std::size_t depth, const Line& line);
std::optional<Node> build_divider(Parser& p, std::size_t depth, const Line& line);
std::optional<Node> build_spawn(Parser& p, std::size_t depth, const Line& line);
std::optional<Node> build_prose(Parser& p, std::size_t depth, const Line& line);

// headings.cpp
std::optional<Node> parse_heading(Parser& p, std::size_t depth, const Line& line);

// variables: the refusals and the '=' test of a variable assignment.
bool is_variable_line(std::string_view content);

}  // namespace varn::parse
