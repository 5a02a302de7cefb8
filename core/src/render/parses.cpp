#include "render/parses.hpp"

#include "parse/handlers.hpp"
#include "parse/parser.hpp"
#include "parse/text.hpp"
#include "text/unicode.hpp"
#include "varn/parse.hpp"

namespace varn::render {
namespace {

constexpr std::size_t npos = std::string_view::npos;
constexpr std::string_view kSync = "sync:";

// Where in `line` a nameless declaration's "sync" ends, or npos.
std::size_t nameless_sync_at(std::string_view line) {
  if (line.find(kSync) == npos) return npos;
  const std::string_view trimmed = text::trim(line);
  const std::string_view content = parse::cut_trailing_comment(trimmed);
  if (!content.starts_with(kSync) || !parse::statement_value(content, kSync).empty()) return npos;
  return static_cast<std::size_t>(trimmed.data() - line.data()) + kSync.size() - 1;
}

// Where in `line` its text starts when, as a prose line below a heading, it
// gives a class that a declaration may not have; else npos.
std::size_t refused_class_at(std::string_view line) {
  if (line.find("class") == npos) return npos;
  const std::string_view trimmed = text::trim(line);
  const auto kv = parse::split_key_value(trimmed);
  if (!kv || kv->first != "class" || parse::sync_class_accepted(kv->second)) return npos;
  return static_cast<std::size_t>(trimmed.data() - line.data());
}

// Inserts `what` into each line of text[from..] where `at` places it (npos:
// nowhere), in one pass.
template <class At>
void insert_in_lines(std::string& text, std::size_t from, std::string_view what, At at) {
  std::string rest;
  std::size_t copied = from;
  for (std::size_t start = from; start <= text.size();) {
    const std::size_t end = std::min(text.find('\n', start), text.size());
    const std::size_t place = at(std::string_view(text).substr(start, end - start));
    if (place != npos) {
      rest.append(text, copied, start + place - copied).append(what);
      copied = start + place;
    }
    start = end + 1;
  }
  if (copied == from) return;
  rest.append(text, copied);
  text.resize(from);
  text.append(rest);
}

// True when a line of `text` that holds `word` is placed by `at`.
template <class At>
bool any_line_holding(std::string_view text, std::string_view word, At at) {
  for (std::size_t found = text.find(word); found != npos; found = text.find(word, found)) {
    const std::size_t start = text.rfind('\n', found) + 1;  // npos + 1 is 0
    found = std::min(text.find('\n', found), text.size());
    if (at(text.substr(start, found - start)) != npos) return true;
  }
  return false;
}

// The parse's first error, without holding the tree.
std::optional<ParseError> parse_error(std::string_view text) {
  return parse_each(text, [](Node&&) {});
}

}  // namespace

bool nameless_sync_line(std::string_view line) { return nameless_sync_at(line) != npos; }

void accept_sync_classes(std::string& text, std::size_t from) {
  if (!any_line_holding(std::string_view(text).substr(from), "class", refused_class_at)) return;
  // The lines are at least one depth deeper than the heading put before
  // them, and a line at column 0 ends its block here as it does where they
  // stand.
  std::string below = "# Sync\n";
  below.append(text, from);
  const std::optional<ParseError> e = parse_error(below);
  if (e && e->code == "E_SYNC_INVALID_CLASS") insert_in_lines(text, from, "// ", refused_class_at);
}

std::string finish(write::LineSink& out) {
  std::string text = out.take_trimmed();
  // Neither refusal comes without such a line, and most lines hold neither
  // word.
  const bool doubtful =
      any_line_holding(text, kSync, nameless_sync_at) || any_line_holding(text, "class", refused_class_at);
  if (!doubtful || !parse_error(text)) return text;
  // A mended line stays where it was and reads as prose, which takes no
  // lines and closes nothing; so does a comment: no other line reads
  // otherwise, and neither step brings an error of its own.
  const std::vector<std::size_t> nameless = parse::nameless_sync_lines(text);
  std::size_t line = 0;
  std::size_t next = 0;  // of `nameless`
  insert_in_lines(text, 0, " ", [&](std::string_view l) {
    const bool read_so = next < nameless.size() && nameless[next] == line++;
    if (read_so) ++next;
    return read_so ? nameless_sync_at(l) : npos;
  });
  if (parse_error(text)) insert_in_lines(text, 0, "// ", refused_class_at);
  return text;
}

}  // namespace varn::render
