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
std::optional<Node> build_delete(Parser& p, std::size_t depth, const Line& line);
std::optional<Node> build_mod_line(Parser& p, std::size_t depth, const Line& line);
std::optional<Node> build_snap(Parser& p, std::size_t depth, const Line& line);
std::optional<Node> build_diff(Parser& p, std::size_t depth, const Line& line);
std::optional<Node> build_history(Parser& p, std::size_t depth, const Line& line);
std::optional<Node> build_status(Parser& p, std::size_t depth, const Line& line);
std::optional<Node> build_bold(Parser& p, std::size_t depth, const Line& line);
std::optional<Node> build_remember(Parser& p, std::size_t depth, const Line& line);
std::optional<Node> build_recall(Parser& p, std::size_t depth, const Line& line);
std::optional<Node> build_embed(Parser& p, std::size_t depth, const Line& line);
std::optional<Node> build_escalate(Parser& p, std::size_t depth, const Line& line);
std::optional<Node> build_routine(Parser& p, std::size_t depth, const Line& line);
std::optional<Node> build_prose(Parser& p, std::size_t depth, const Line& line);

// blocks.cpp: fenced code blocks and entity headers with their bodies.
std::optional<Node> build_code_block(Parser& p, std::size_t depth, const Line& line);
std::optional<Node> build_entity(Parser& p, std::size_t depth, const Line& line);

// variables.cpp: the refusals and the '=' test of a variable assignment, and
// its node.
bool is_variable_line(std::string_view content);
std::optional<Node> build_variable(Parser& p, std::size_t depth, const Line& line);
VariableValue read_variable_value(std::string_view value);

// tasks.cpp
std::optional<Node> parse_task(Parser& p, std::size_t depth, const Line& line);

// flows.cpp: flows and state machines share the edge-line reader.
std::optional<Node> parse_flow(Parser& p, std::size_t depth, const Line& line);
std::optional<Node> parse_states(Parser& p, std::size_t depth, const Line& line);
std::vector<FlowEdge> parse_flow_edge(std::string_view line);

// checks.cpp: validations, checks and conditionals.
std::optional<Node> parse_validate(Parser& p, std::size_t depth, const Line& line);
std::optional<Node> parse_check(Parser& p, std::size_t depth, const Line& line);
std::optional<Node> parse_conditional(Parser& p, std::size_t depth, const Line& line);

// headings.cpp
std::optional<Node> parse_heading(Parser& p, std::size_t depth, const Line& line);

}  // namespace varn::parse
