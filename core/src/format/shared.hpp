#pragma once
// Pieces that both source writers (the renderer and the formatter) write the
// same way: the text of a typed field value, of a scoped statement target, of
// a reference, of a multi-line value in block form, and the line sink that
// every line of their output passes through.
//
// Every text is written in the syntax the parser reads back, unescaped.
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "varn/model.hpp"

namespace varn::format {

// One output buffer written line by line. Each line starts with `unit`
// repeated `depth` times. With `trim_lines`, trailing whitespace is removed
// from each line as it closes, and a line left with nothing but indentation
// becomes an empty line.
class LineSink {
 public:
  explicit LineSink(std::string_view unit, bool trim_lines = false);

  // Opens a line at `depth`: the indentation is written and the buffer handed
  // back for the line's text; `close` ends the line.
  std::string& open(std::size_t depth);
  void close();

  void line(std::size_t depth, std::string_view text) {
    open(depth).append(text);
    close();
  }
  void blank();  // an empty line, without indentation

  // Appends text as it is, outside the line discipline (for example a code
  // block's content, whose lines are not indented).
  std::string& raw() { return out_; }

  bool empty() const { return out_.empty(); }
  // True when the last line written is an empty one.
  bool last_line_blank() const;

  // The whole text with trailing whitespace (Unicode White_Space) removed.
  std::string take_trimmed();

 private:
  void indent(std::size_t depth);

  std::string out_;
  std::string unit_;
  std::string indents_;  // grown on demand, cut from for every indentation
  std::size_t line_start_ = 0;
  std::size_t text_start_ = 0;
  bool trim_lines_;
};

// "-" repeated, "#" repeated and the like.
void append_repeated(std::string& out, std::string_view s, std::size_t n);

// The items joined with `sep`, each with `prefix` before it and `suffix` after.
void append_joined(std::string& out, const Strings& items, std::string_view sep, std::string_view prefix = {},
                   std::string_view suffix = {});

// A number in the shortest digits that read back as the same double, never in
// exponent form; "NaN", "inf" and "-inf" for the values without digits. An
// integral value gets ".0" when `point` is set (so that it reads back as a
// fraction, not an integer), and no fraction part otherwise.
void append_number(std::string& out, double v, bool point);

// The value text of a field, as a field line reads it back:
// "text" (quoted, unescaped), 12, 1.0, true, :atom, :a/:b, @ref, [], |stamp|,
// nil, ~1. `lead` is the text that stands before the value on its line.
void append_field_value(std::string& out, const FieldValue& value, std::string_view lead = {});

// A field line's text without indent: name, "(s)" when plural, ": ", value.
void append_field(std::string& out, const FieldDef& field);

// A statement target: "$mod.@entity", "@workspace:ws.@entity" or "@entity".
// Only one scope is read back from source; the module scope wins when both
// are set.
// A query's entity, with the "(s)" that marks it plural. The reader takes
// the first " where " and " from snap:" of the expression as its clauses and
// only then drops every "(s)": in a plural entity that holds them, the marks
// go inside them, else at the end.
std::string query_entity_text(std::string_view entity, bool plural);
// Appends a query's snapshot and filter clauses to `line`, which holds its
// target from `start` on. The first " from snap:" starts the snapshot: where the target
// holds one, the clause goes in place of a " where " before it (which the
// reader puts back), and an empty snapshot goes last.
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
// A module's name after "mod:$": the reader drops each ":v" (the version
// mark) in one pass from the left, so each of the name's own is written
// "::vv", whose middle is the one dropped.
void append_mod_name(std::string& out, std::string_view name);
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

// Block form: the line `header_lead` + `key` + ": |" at `depth`, then one line
// `line_lead` + line at `depth` per line of `value` (cut at line feeds, a
// carriage return before one dropped, no empty line after a final one).
void write_block(LineSink& sink, std::size_t depth, std::string_view header_lead, std::string_view key,
                 std::string_view line_lead, std::string_view value);

}  // namespace varn::format
