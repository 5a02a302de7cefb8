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

// What goes into a line, and where in it (npos: nothing).
struct Insert {
  std::size_t place = npos;
  std::string_view what;
};

// Makes the insert that `at` gives each line of text[from..], given the
// line and where it starts, in one pass.
template <class At>
void insert_in_lines(std::string& text, std::size_t from, At at) {
  std::string rest;
  std::size_t copied = from;
  for (std::size_t start = from; start <= text.size();) {
    const std::size_t end = std::min(text.find('\n', start), text.size());
    const Insert insert = at(std::string_view(text).substr(start, end - start), start);
    if (insert.place != npos) {
      rest.append(text, copied, start + insert.place - copied).append(insert.what);
      copied = start + insert.place;
    }
    start = end + 1;
  }
  if (copied == from) return;
  rest.append(text, copied);
  text.resize(from);
  text.append(rest);
}

// The mends of the lines of text[from..] that the parse of a text holding
// it from `offset` on notes: a space after the "sync" of a nameless
// declaration, a comment mark before a refused class.
void mend_refusals(std::string& text, std::size_t from, const parse::SyncRefusals& refusals, std::size_t offset) {
  std::size_t nameless = 0;
  std::size_t refused = 0;
  auto noted = [&](const std::vector<std::size_t>& starts, std::size_t& next, std::size_t at) {
    while (next < starts.size() && starts[next] < at) ++next;
    return next < starts.size() && starts[next] == at;
  };
  insert_in_lines(text, from, [&](std::string_view line, std::size_t start) {
    const std::size_t at = start - from + offset;
    if (noted(refusals.nameless, nameless, at)) return Insert{nameless_sync_at(line), " "};
    if (noted(refusals.refused_classes, refused, at)) return Insert{refused_class_at(line), "// "};
    return Insert{};
  });
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
  constexpr std::string_view kHeading = "# Sync\n";
  std::string below(kHeading);
  below.append(text, from);
  mend_refusals(text, from, parse::sync_refusals(below), kHeading.size());
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
  mend_refusals(text, 0, parse::sync_refusals(text), 0);
  return text;
}

}  // namespace varn::render
