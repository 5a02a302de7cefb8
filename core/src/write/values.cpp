#include "write/values.hpp"

#include "write/head_texts.hpp"
#include "write/read_back.hpp"

#include <double-conversion/double-conversion.h>

#include <algorithm>
#include <charconv>
#include <utility>
#include <cmath>

#include "parse/handlers.hpp"
#include "parse/inline.hpp"
#include "parse/parser.hpp"
#include "parse/text.hpp"
#include "text/unicode.hpp"

namespace varn::write {

void append_number(std::string& out, double v, bool point) {
  if (std::isnan(v)) {
    out.append("NaN");
    return;
  }
  if (std::signbit(v)) out.push_back('-');
  if (std::isinf(v)) {
    out.append("inf");
    return;
  }
  if (v == 0) {
    out.append(point ? "0.0" : "0");
    return;
  }
  using double_conversion::DoubleToStringConverter;
  char digits[DoubleToStringConverter::kBase10MaximalLength + 1];
  bool sign = false;
  int n = 0;
  int decimal_point = 0;  // the value is 0.d1d2...dn times ten to this power
  DoubleToStringConverter::DoubleToAscii(std::fabs(v), DoubleToStringConverter::SHORTEST, 0, digits, sizeof digits,
                                         &sign, &n, &decimal_point);
  if (decimal_point <= 0) {
    out.append("0.");
    out.append(static_cast<std::size_t>(-decimal_point), '0');
    out.append(digits, n);
  } else if (decimal_point >= n) {
    out.append(digits, n);
    out.append(static_cast<std::size_t>(decimal_point - n), '0');
    if (point) out.append(".0");
  } else {
    out.append(digits, decimal_point);
    out.push_back('.');
    out.append(digits + decimal_point, n - decimal_point);
  }
}

namespace {

void append_signed(std::string& out, int64_t v) {
  char buf[24];
  auto r = std::to_chars(buf, buf + sizeof buf, v);
  out.append(buf, r.ptr);
}

}  // namespace

void append_field_value(std::string& out, const FieldValue& value, std::string_view lead) {
  std::visit(
      [&](const auto& v) {
        using T = std::decay_t<decltype(v)>;
        if constexpr (std::is_same_v<T, fv::Str>) {
          const std::string quoted = '"' + v.value + '"';
          // Quotes of our own can shift the quotes inside the text (or in the
          // line before it) so that a "//" in it starts a comment: such a
          // text goes bare when it reads back bare as the same text.
          auto cut = [&](std::string_view text) {
            const std::string line = std::string(lead) + std::string(text);
            return parse::cut_trailing_comment(line).size() != line.size();
          };
          if (cut(quoted) && !cut(v.value)) {
            const FieldValue bare = parse::parse_field_value(v.value);
            const auto* s = std::get_if<fv::Str>(&bare);
            if (s && s->value == v.value) {
              out.append(v.value);
              return;
            }
          }
          out.append(quoted);
        } else if constexpr (std::is_same_v<T, fv::Int>) {
          append_signed(out, v.value);
        } else if constexpr (std::is_same_v<T, fv::Float>) {
          append_number(out, v.value, true);
        } else if constexpr (std::is_same_v<T, fv::Bool>) {
          out.append(v.value ? "true" : "false");
        } else if constexpr (std::is_same_v<T, fv::Atom>) {
          out.push_back(':');
          out.append(v.value);
        } else if constexpr (std::is_same_v<T, fv::Enum>) {
          append_joined(out, v.value, "/", ":");
        } else if constexpr (std::is_same_v<T, fv::Ref>) {
          out.push_back('@');
          out.append(v.value);
        } else if constexpr (std::is_same_v<T, fv::List>) {
          out.append("[]");
        } else if constexpr (std::is_same_v<T, fv::Timestamp>) {
          out.push_back('|');
          out.append(v.value);
          out.push_back('|');
        } else if constexpr (std::is_same_v<T, fv::Nil>) {
          out.append("nil");
        } else {
          static_assert(std::is_same_v<T, fv::Trit>);
          out.push_back('~');
          append_signed(out, v.value);
        }
      },
      value);
}

namespace {

// The reader removes every "(s)" in one pass: in a text that holds one of its
// own, each '(' is written "((s)", whose added mark alone goes.
void append_keeping_marks(std::string& out, std::string_view text, bool escape) {
  if (!escape) {
    out.append(text);
    return;
  }
  for (char c : text) {
    out.push_back(c);
    if (c == '(') out.append("(s)");
  }
}

bool holds_mark(std::string_view text) { return text.find("(s)") != std::string_view::npos; }

// Puts `mark`, which the reader drops, between every two slashes side by
// side in `s` from `from` on, so that none of them starts a comment. True
// when there was such a pair.
bool split_slashes(std::string& s, std::size_t from, std::string_view mark) {
  if (s.find("//", from > 0 ? from - 1 : 0) == std::string::npos) return false;
  // Only the tail is copied: `s` may be a whole document's text.
  const std::string tail = s.substr(from);
  s.resize(from);
  for (const char c : tail) {
    if (c == '/' && !s.empty() && s.back() == '/') s.append(mark);
    s.push_back(c);
  }
  return true;
}

bool has_colon(std::string_view text) { return text.find(':') != std::string_view::npos; }

}  // namespace

void append_field(std::string& out, const FieldDef& field) {
  const std::size_t start = out.size();
  auto append = [&](bool split) {
    if (!field.plural) {
      out.append(field.name);
    } else {
      // The reader trims the name, then removes the marks: a mark in front
      // keeps leading whitespace, one at the end trailing whitespace. A mark
      // between two slashes keeps them from starting a comment, and then
      // needs none at the end but for that.
      const std::string_view name = field.name;
      if (!name.empty() && text::trim_start(name).size() != name.size()) out.append("(s)");
      append_keeping_marks(out, name, holds_mark(name));
      if (!(split && split_slashes(out, start, "(s)")) || text::trim_end(name).size() != name.size()) out.append("(s)");
    }
    out.append(": ");
    append_field_value(out, field.default_, std::string_view(out).substr(start));
  };
  append(false);
  // The slashes are split only where the comment cut would take the line's.
  if (!field.plural || keeps_whole(std::string_view(out).substr(start))) return;
  out.resize(start);
  append(true);
}

std::string define_entity_text(std::string_view entity, bool scoped, std::string_view after) {
  constexpr std::string_view kFromAt = " from @";
  std::string out;
  const std::string_view whole = entity;
  for (std::size_t at; (at = entity.find(kFromAt)) != std::string_view::npos; entity.remove_prefix(at + kFromAt.size())) {
    out.append(entity.substr(0, at)).append(" from  @");
  }
  out.append(entity);
  if (!scoped && whole.starts_with("workspace:") &&
      parse::parse_scope_prefix("@" + out + std::string(after)).workspace_scope) {
    return " " + out;
  }
  return out;
}

std::string query_entity_text(std::string_view entity, bool plural, bool split) {
  if (!plural) return std::string(entity);
  std::string out;
  const bool escape = holds_mark(entity);
  bool marked = false;
  while (!entity.empty()) {
    const std::size_t where = entity.find(" where ");
    const std::size_t snap = entity.find(" from snap:");
    const std::size_t at = std::min(where, snap);
    if (at == std::string_view::npos) break;
    const std::size_t word = at + (at == where ? 6 : 5);  // " where" or " from"
    append_keeping_marks(out, entity.substr(0, word), escape);
    out.append("(s)");
    entity.remove_prefix(word);
    marked = true;
  }
  append_keeping_marks(out, entity, escape);
  // A mark between two slashes keeps them from starting a comment.
  if (!(split && split_slashes(out, 0, "(s)")) && !marked) out.append("(s)");
  return out;
}

bool query_reads_back(std::string_view expr, const Query& query) {
  const std::optional<Query> back = parse::parse_query_expr({parse::cut_trailing_comment(text::trim(expr))});
  return back && back->entity == query.entity && back->plural == query.plural && back->filter == query.filter &&
         back->from_snapshot == query.from_snapshot && back->mod_scope == query.mod_scope &&
         back->workspace_scope == query.workspace_scope;
}

void append_query_clauses(std::string& line, std::size_t start, const Query& query) {
  constexpr std::string_view kFromSnap = " from snap:";
  constexpr std::string_view kWhere = " where ";
  // Splits of the filter tried for the snapshot clause: each try reads the
  // line once, so a bounded number keeps the time linear.
  constexpr std::size_t kMostSplits = 16;
  const std::size_t end = line.size();
  if (query.from_snapshot) line.append(kFromSnap).append(*query.from_snapshot);
  if (query.filter) line.append(kWhere).append(*query.filter);
  if (!query.from_snapshot) return;
  auto reads_back = [&](std::string_view expr) { return query_reads_back(expr, query); };
  if (reads_back(std::string_view(line).substr(start))) return;
  std::string bare = line.substr(start, end - start);
  if (query.filter) bare.append(kWhere).append(*query.filter);
  auto take = [&](const std::string& expr) {
    if (!reads_back(expr)) return false;
    line.resize(start);
    line.append(expr);
    return true;
  };
  if (take(bare + std::string(kFromSnap) + *query.from_snapshot)) return;
  // The clause in place of a " where " before the line's first " from
  // snap:", which the reader puts back: the last such one first, then the
  // others in order, where quotes or bars opened before them keep a "//"
  // of the snapshot from the comment cut.
  // The space that starts that clause may end the last " where ".
  const std::size_t first_snap = bare.find(kFromSnap);
  const std::string_view before =
      std::string_view(bare).substr(0, first_snap == std::string::npos ? first_snap : first_snap + 1);
  auto inside = [&](std::size_t where) {
    std::string expr = bare.substr(0, where);
    expr.append(kFromSnap).append(*query.from_snapshot).append(std::string_view(bare).substr(where));
    return take(expr);
  };
  const std::size_t last = before.rfind(kWhere);
  if (last == std::string::npos || inside(last)) return;
  std::size_t tries = 0;
  for (std::size_t w = before.find(kWhere); w < last && tries < kMostSplits; w = before.find(kWhere, w + 1), ++tries) {
    if (inside(w)) return;
  }
}

std::string batch_field_line(const BatchRecord& record, std::size_t field, std::string_view sep) {
  const auto& [key, value] = record.fields[field];
  std::string line = record.id;
  line.append(sep).append(key).append(sep).append(value);
  if (field == 0 || keeps_whole(line) || has_colon(key) || has_colon(value)) return line;
  std::string alone = key;
  alone.append(sep).append(value);
  return keeps_whole(alone) ? alone : line;
}

std::string arm_pattern_line(std::string_view pattern) {
  constexpr std::string_view kOwnLines[] = {"match", "on_pass", "on_fail", "flow", "states"};
  const bool own = std::find(std::begin(kOwnLines), std::end(kOwnLines), pattern) != std::end(kOwnLines);
  return std::string(pattern) + (own ? "::" : ":");
}

void append_mod_name(std::string& out, std::size_t line_start, std::string_view name, bool versioned,
                     std::string_view tail) {
  const std::size_t start = out.size();
  for (std::size_t at; (at = name.find(":v")) != std::string_view::npos; name.remove_prefix(at + 2)) {
    out.append(name.substr(0, at)).append("::vv");
  }
  out.append(name);
  // Where the comment cut would take the name's slashes, a version mark
  // between them keeps them, and stands for the one in `tail`.
  const bool cut = versioned && !keeps_whole(std::string(std::string_view(out).substr(line_start)) + std::string(tail));
  if (!(cut && split_slashes(out, start, ":v"))) out.append(tail);
}

void append_target(std::string& out, std::string_view entity, const std::optional<std::string>& mod_scope,
                   const std::optional<std::string>& workspace_scope) {
  if (mod_scope) {
    out.push_back('$');
    out.append(*mod_scope);
    out.push_back('.');
  } else if (workspace_scope) {
    out.append("@workspace:");
    out.append(*workspace_scope);
    out.push_back('.');
  }
  out.push_back('@');
  out.append(entity);
}

void append_ref_path(std::string& out, const Strings& path) {
  out.push_back('@');
  append_joined(out, path, ":");
}

void append_ref(std::string& out, const Ref& ref) {
  if (ref.mod_scope) {
    out.push_back('$');
    out.append(*ref.mod_scope);
    out.push_back('.');
  }
  out.push_back('@');
  if (ref.workspace_scope) {
    out.append("workspace:");
    out.append(*ref.workspace_scope);
    out.append(".@");
  }
  append_joined(out, ref.path, ":");
  if (ref.plural) out.append("(s)");
}

bool needs_block_form(std::string_view value) { return value.find('\n') != std::string_view::npos; }

bool needs_text_block(std::string_view key, std::string_view value) {
  return needs_block_form(value) || value == "|" || !keeps_whole(std::string(key) + ": " + std::string(value));
}

void write_block(LineSink& sink, std::size_t depth, std::string_view header_lead, std::string_view key,
                 std::string_view line_lead, std::string_view value) {
  std::string& head = sink.open(depth);
  head.append(header_lead);
  head.append(key);
  head.append(": |");
  sink.close();
  for (std::string_view line : parse::split_lines(value)) {
    std::string& out = sink.open(depth);
    out.append(line_lead);
    out.append(line);
    sink.close();
  }
}

namespace {

// The id is read with leading colons, then surrounding quotes, then
// surrounding bars stripped.
std::string clean_issue_id(std::string_view v) {
  v = parse::strip_prefix_all(v, ":");
  while (!v.empty() && v.front() == '"') v.remove_prefix(1);
  while (!v.empty() && v.back() == '"') v.remove_suffix(1);
  while (!v.empty() && v.front() == '|') v.remove_prefix(1);
  while (!v.empty() && v.back() == '|') v.remove_suffix(1);
  return std::string(v);
}

}  // namespace

// A key line comes back as the prose line that the lattice readers take it
// from, unless it reads as an assignment ("rule: =x").
bool reads_as_key_line(std::string_view key, std::string_view value) {
  // Without an '=' no line is an assignment.
  if (value.find('=') == std::string_view::npos) return true;
  return !parse::is_variable_line(text::trim(std::string(key) + ": " + std::string(value)));
}

std::string clause_line(std::string_view key, std::string_view value) {
  const std::string k(key), v(value);
  // No clause key starts a construct, so only a '/' (status options) or an
  // '=' (an assignment) in the value, or white space that the split trims,
  // can keep "key: value" from reading back.
  if (!value.empty() && value.find_first_of("/=") == std::string_view::npos && text::trim(value) == value) {
    return k + ": " + v;
  }
  return first_reading_back<Prose>({k + ": " + v, k + " : " + v}, [&](const Prose& prose) {
    const auto kv = parse::split_key_value(prose.text);
    return kv && kv->first == key && kv->second == value;
  });
}

std::string heading_setting_line(std::string_view key, std::string_view value) {
  std::string line(key);
  line.append(reads_as_key_line(key, value) ? ": " : " : ").append(value);
  return line;
}

std::string quoted_text(std::string_view key, std::string_view value) {
  for (std::string_view open : {"\"", "\"\""}) {
    std::string quoted = std::string(open) + std::string(value) + "\"";
    if (keeps_whole(std::string(key) + ": " + quoted)) return quoted;
  }
  return {};
}

void append_quoted_value(std::string& out, std::string_view keyword, std::string_view value) {
  // The quotes before and after the text, in order.
  static constexpr std::pair<std::string_view, std::string_view> kSpellings[] = {
      {"\"", "\""}, {"", ""}, {"", "\""}, {"\"\"", "\""}};
  const std::size_t start = out.size();
  for (const auto& [open, close] : kSpellings) {
    out.append(keyword).append(" ").append(open).append(value).append(close);
    const std::string_view content = parse::cut_trailing_comment(text::trim(std::string_view(out).substr(start)));
    if (parse::strip_quotes(parse::statement_value(content, keyword)) == value) return;
    out.resize(start);
  }
  out.append(keyword).append(" \"").append(value).append("\"");
}

std::string barred_value(std::string_view key, std::string_view value) {
  const std::string v(value);
  // Two bars before it open no span of their own, yet keep the value's
  // leading white space from the trim.
  for (std::string candidate : {"|" + v + "|", v, "|" + v, v + "|", "||" + v + "|"}) {
    const std::string line = std::string(key) + ": " + candidate;
    const auto pair = parse::split_key_value(parse::cut_trailing_comment(text::trim(line)));
    if (pair && parse::strip_surrounding(pair->second, "|") == value) return candidate;
  }
  return "|" + v + "|";
}

std::string issue_id_value(const std::string& id) {
  // The reader strips every quote at the ends, then every bar: a second
  // opening quote or bar changes which of the id's own pair with ours.
  for (std::string candidate : {id, "\"" + id + "\"", "|" + id + "|", "\"\"" + id + "\"", "||" + id + "|",
                                "\"|" + id + "|\"", "\"\"|" + id + "|\""}) {
    if (clean_issue_id(text::trim(candidate)) == id && keeps_whole("id: " + candidate)) return candidate;
  }
  return id;
}

std::string_view artifact_key(std::string_view artifact) {
  return reads_as_key_line("artifact", artifact) ? "artifact" : "- artifact";
}

}  // namespace varn::write
