#pragma once
// Texts that both source writers (the renderer and the formatter) write the
// same way: a typed field value, a scoped statement target, a reference, a
// query's clauses, a multi-line value in block form.
//
// Every text is written in the syntax the parser reads back, unescaped.
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "varn/model.hpp"
#include "write/sink.hpp"

namespace varn::write {

// A number in the shortest digits that read back as the same double, never in
// exponent form; "NaN", "inf" and "-inf" for the values without digits. An
// integral value gets ".0" when `point` is set (so that it reads back as a
// fraction, not an integer), and no fraction part otherwise.
void append_number(std::string& out, double v, bool point);

// The value text of a field, as a field line reads it back:
// "text" (quoted, unescaped), 12, 1.0, true, :atom, :a/:b, @ref, [], |stamp|,
// nil, ~1. `lead` is the text that stands before the value on its line.
void append_field_value(std::string& out, const FieldValue& value, std::string_view lead = {});

// A field line's text without indent: name, "(s)" when plural (between two
// slashes of the name where the comment cut would take them), ": ", value.
void append_field(std::string& out, const FieldDef& field);

// A statement target: "$mod.@entity", "@workspace:ws.@entity" or "@entity".
// Only one scope is read back from source; the module scope wins when both
// are set.
// A query's entity, with the "(s)" that marks it plural. The reader takes
// the first " where " and " from snap:" of the expression as its clauses and
// only then drops every "(s)": in a plural entity that holds them, the marks
// go inside them, else at the end; with `split`, between two slashes side by
// side (which they keep from starting a comment) where there are such.
std::string query_entity_text(std::string_view entity, bool plural, bool split = false);
// A define's entity as its line writes it after the "@", `after` following
// it: the reader joins the words by single spaces and starts the scope at
// the first " from @", so a second space keeps each of the entity's own; an
// entity without a scope that begins with "workspace:" goes after a space
// where a ".@" after it would make "@workspace:" a scope.
std::string define_entity_text(std::string_view entity, bool scoped, std::string_view after);
// True when a query expression line, as the reader takes it (trimmed and cut
// at its comment), gives the query's entity, scopes, filter and snapshot.
bool query_reads_back(std::string_view expr, const Query& query);
// Appends a query's snapshot and filter clauses to `line`, which holds its
// target from `start` on. The first " from snap:" starts the snapshot: where the target
// holds one, the clause goes in place of one of the " where "s before it
// (which the reader puts back), and an empty snapshot goes last.
void append_query_clauses(std::string& line, std::size_t start, const Query& query);
// The line of a batch record's field `field`: "id: key: value" (with `sep`
// for ": "), or, after the record's first field, "key: value" (which the
// reader gives to the last record) where the id's quotes or bars would leave
// a "//" of the value to the comment cut.
std::string batch_field_line(const BatchRecord& record, std::size_t field, std::string_view sep);
// A space to stand between `keyword` and `value` when the value itself starts
// with the keyword: the parser strips every leading repetition of it.
inline std::string_view keyword_gap(std::string_view keyword, std::string_view value) {
  return value.starts_with(keyword) ? " " : "";
}
// A match arm's pattern line: the pattern and a colon, or two colons where one
// would make a section's header ("match:", "on_pass:", "on_fail:") or an exact
// keyword line ("flow:", "states:"); the reader drops every ':' that ends it.
std::string arm_pattern_line(std::string_view pattern);
// A module's name after "mod:$", then `tail`: the reader drops each ":v"
// (the version mark) in one pass from the left, so each of the name's own is
// written "::vv", whose middle is the one dropped. Where the comment cut would
// take slashes of a versioned name from the line (which starts at
// `line_start` in `out`), the mark goes between them in place of `tail`.
void append_mod_name(std::string& out, std::size_t line_start, std::string_view name, bool versioned,
                     std::string_view tail);
void append_target(std::string& out, std::string_view entity, const std::optional<std::string>& mod_scope,
                   const std::optional<std::string>& workspace_scope);

// A reference as the inline scanner reads it: "$mod." when scoped to a
// module, "@", "workspace:ws.@" when scoped to a workspace, the path joined
// with ":", then "(s)" when plural.
void append_ref(std::string& out, const Ref& ref);

// A reference's path alone: "@" and the segments joined with ":".
void append_ref_path(std::string& out, const Strings& path);

// A multi-line value goes in block form when it holds a line feed.
bool needs_block_form(std::string_view value);

// Formulas and prompts that a "key: value" line would not give back whole
// (a line feed, a lone "|", which opens a block, or a "//" that the comment
// cut would take) go in block form, whose lines are kept whole.
bool needs_text_block(std::string_view key, std::string_view value);

// Block form: the line `header_lead` + `key` + ": |" at `depth`, then one line
// `line_lead` + line at `depth` per line of `value` (cut at line feeds, a
// carriage return before one dropped, no empty line after a final one).
void write_block(LineSink& sink, std::size_t depth, std::string_view header_lead, std::string_view key,
                 std::string_view line_lead, std::string_view value);

// A key line comes back as the prose line that the lattice readers take it
// from, unless it reads as an assignment ("rule: =x").
bool reads_as_key_line(std::string_view key, std::string_view value);
// A task's clause line, which the task takes from the prose line below it:
// "key: value", or "key : value" where that line would read as another
// construct (status options, an assignment) or split elsewhere.
std::string clause_line(std::string_view key, std::string_view value);
// A setting line under a heading that the lowering reads as key and value:
// "key: value", or "key : value" where that would read as an assignment.
std::string heading_setting_line(std::string_view key, std::string_view value);
// A text value between quotes on its "key: " line, which the reader takes
// with every quote at its ends stripped: one quote before it, or two where
// the value's own quotes would leave a "//" to the comment cut with one;
// empty when neither keeps the line whole.
std::string quoted_text(std::string_view key, std::string_view value);
// Appends `keyword`, a space and a text that its line's reader takes
// trimmed, with every quote at its ends stripped (the statements "snap:",
// "remember:" and "recall:", an issue's "milestone:"): between quotes; bare
// where those would pair with a quote inside and bare a "//" to the comment
// cut, with a lone closing quote where it ends in white space; after two
// opening quotes where it also starts with white space, so that its own
// quote opens again. The first that reads back, else between quotes.
void append_quoted_value(std::string& out, std::string_view keyword, std::string_view value);
// The value of a "key: |value|" attribute, which the reader takes without the
// bars at its ends: between bars unless those would close on a bar inside
// and leave a "//" to the comment cut; then bare, behind one bar, or behind
// two.
std::string barred_value(std::string_view key, std::string_view value);
// An issue's id as its line writes it: bare, or between quotes or bars where
// the reader would trim it or take its own quotes and bars away.
std::string issue_id_value(const std::string& id);
// The key of a lattice artifact line: "artifact", or the list item's
// "- artifact" for a value after which the line would read as an assignment.
std::string_view artifact_key(std::string_view artifact);

}  // namespace varn::write
