#pragma once
// The construct handlers the dispatcher hands a line to. Each is entered with
// `pos` on its opening line, consumes that line and whatever it owns, and
// returns its node or none.
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "parse/parser.hpp"

namespace varn::parse {

using Handler = std::optional<Node> (*)(Parser& p, std::size_t depth, const Line& line);

// dispatch.cpp: the handler of the first rule that takes `line` (which is
// not blank), else the prose fallback; and the node that a handler reads
// from the line at `pos`, with where its lines start and end.
Handler handler_for(const Line& line);
std::optional<Node> read_node(Parser& p, std::size_t depth, const Line& line, Handler handler);

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
// Sets the one field of `edge` that the text between "--" and "-->" gives.
void set_segment(FlowEdge& edge, std::string_view segment);

// checks.cpp: validations, checks and conditionals.
std::optional<Node> parse_validate(Parser& p, std::size_t depth, const Line& line);
std::optional<Node> parse_check(Parser& p, std::size_t depth, const Line& line);
std::optional<Node> parse_conditional(Parser& p, std::size_t depth, const Line& line);

// headings.cpp: a heading and the block below it; `read_heading` reads the
// heading line alone, the group without children.
std::optional<Node> parse_heading(Parser& p, std::size_t depth, const Line& line);
Group read_heading(const Line& line);

// values.cpp: typed field values, shared by define statements and forms.
FieldValue parse_field_value(std::string_view value);
std::optional<FieldDef> parse_field_def(std::string_view line);

// data.cpp: define and mutate statements.
std::optional<Node> parse_define(Parser& p, std::size_t depth, const Line& line);
std::optional<Node> parse_mutate(Parser& p, std::size_t depth, const Line& line);

// queries.cpp: the expression line first, then clause lines; none for no lines.
std::optional<Query> parse_query_expr(const std::vector<std::string_view>& lines);
std::optional<Node> parse_query_line(Parser& p, std::size_t depth, const Line& line);
std::optional<Node> parse_query_shorthand(Parser& p, std::size_t depth, const Line& line);

// modules.cpp: module definitions, invocations and use blocks.
std::optional<Node> parse_mod_def(Parser& p, std::size_t depth, const Line& line);
ModInvoke parse_mod_invoke(std::string_view text);
std::optional<Node> build_mod_invoke(Parser& p, std::size_t depth, const Line& line);
std::optional<Node> parse_use_block(Parser& p, std::size_t depth, const Line& line);

// forms.cpp: forms and metrics. The metric body is entered on its opener with
// the name already read from it.
std::optional<Node> parse_form(Parser& p, std::size_t depth, const Line& line);
Node parse_metric_body(Parser& p, std::string name);
std::optional<Node> build_metric(Parser& p, std::size_t depth, const Line& line);

// automation.cpp: webhooks, file scopes, policies and gate blocks.
std::optional<Node> parse_webhook(Parser& p, std::size_t depth, const Line& line);
std::optional<Node> parse_files(Parser& p, std::size_t depth, const Line& line);
std::optional<Node> parse_policy(Parser& p, std::size_t depth, const Line& line);
// One rule line of a policy (its `content`): "@path", then the gates after a colon.
std::optional<PolicyRule> parse_policy_rule(std::string_view content);
std::optional<Node> parse_gate(Parser& p, std::size_t depth, const Line& line);

// git.cpp
std::optional<Node> parse_git(Parser& p, std::size_t depth, const Line& line);
// ---- issues, projects, sync declarations, lattice lines, lowering

// issues.cpp
std::optional<Node> parse_issue(Parser& p, std::size_t depth, const Line& line);
std::optional<Node> parse_thread_comment(Parser& p, std::size_t depth, const Line& line);

// projects.cpp
std::optional<Node> parse_project(Parser& p, std::size_t depth, const Line& line);
std::optional<Node> parse_commands(Parser& p, std::size_t depth, const Line& line);
std::optional<Node> parse_serve(Parser& p, std::size_t depth, const Line& line);
std::optional<Node> parse_project_scope(Parser& p, std::size_t depth, const Line& line);
// The command list and the serve line at `pos`; a project reads its nested
// ones through these too.
CommandsDef read_commands(Parser& p, bool in_project);
ServeDef read_serve(Parser& p);

// sync.cpp
std::optional<Node> parse_sync_declaration(Parser& p, std::size_t depth, const Line& line);
// The settings of a sync declaration, by key, in the order they are read.
inline constexpr std::pair<std::string_view, std::string SyncDef::*> kSyncSettings[] = {
    {"class", &SyncDef::class_}, {"source", &SyncDef::source}, {"identity", &SyncDef::identity},
    {"mode", &SyncDef::mode},    {"target", &SyncDef::target}, {"schedule", &SyncDef::schedule},
    {"scope", &SyncDef::scope},
};

// lattice.cpp
std::optional<Node> parse_symmetry(Parser& p, std::size_t depth, const Line& line);
std::optional<Node> parse_unit_cell(Parser& p, std::size_t depth, const Line& line);
std::optional<Node> parse_lattice_schema(Parser& p, std::size_t depth, const Line& line);
std::optional<Node> parse_lattice_frontier(Parser& p, std::size_t depth, const Line& line);
std::optional<Node> parse_lattice_validates(Parser& p, std::size_t depth, const Line& line);
std::optional<Node> parse_lattice_constraint(Parser& p, std::size_t depth, const Line& line);
std::optional<Node> parse_pressure_effect(Parser& p, std::size_t depth, const Line& line);

// lowering.cpp: rewrites the specially titled groups in a parsed node in
// place, its children first; the first invalid sync class stops it, unless
// `refusals` notes its lines.
std::optional<ParseError> lower_node(Node& node, SyncRefusals* refusals = nullptr);
// A class that a declaration under a "Sync" heading may have: none, "canon",
// "ops" or "data".
bool sync_class_accepted(std::string_view class_);
// A group titled "Sync", whose sub-groups become sync declarations.
bool is_sync_group(const Group& group);
// A level-two group with a lattice title, which becomes a lattice node.
bool lowers_to_lattice(const Group& group);
// A member of a "Sync" group, itself lowered already: a group becomes a sync
// declaration (the first invalid class is the error); any other node stays.
std::optional<ParseError> lower_sync_member(Node& node, SyncRefusals* refusals = nullptr);

// ---- end of issues, projects, sync declarations, lattice lines, lowering

}  // namespace varn::parse
