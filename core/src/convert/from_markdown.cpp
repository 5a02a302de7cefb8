// Markdown to document nodes: a small line-oriented subset. Fenced code,
// headings of levels 1 to 6, checklist and bullet items, and paragraphs of
// other lines, in a flat list in input order. Every pass of the loop takes at
// least one line, so any input ends.
#include "convert/convert.hpp"
#include "parse/text.hpp"
#include "text/unicode.hpp"

namespace varn::convert {
namespace {

using std::string_view;

constexpr string_view kFence = "```";

struct ItemForm {
  string_view prefix;
  MarkerKind kind;
};

// Tested in this order: an unchecked box is the same state as a plain bullet.
constexpr ItemForm kItemForms[] = {
    {"- [ ] ", MarkerKind::Required},
    {"- [x] ", MarkerKind::Completed},
    {"- [X] ", MarkerKind::Completed},
    {"- ", MarkerKind::Required},
};

// A paragraph ends before a line that would open something else.
bool stops_paragraph(string_view trimmed) {
  return trimmed.empty() || trimmed.starts_with('#') || trimmed.starts_with("- ") || trimmed.starts_with(kFence);
}

Task item_task(MarkerKind kind, string_view text) {
  Task t;
  t.marker.kind = kind;
  t.text = std::string(text);
  return t;
}

// The code block opened at the current line; leaves the cursor after its
// closing line.
void fenced_block(parse::LineCursor& lines, const NodeSink& out) {
  string_view opening = text::trim_start(lines.line());
  std::size_t ticks = opening.find_first_not_of('`');
  CodeBlock block;
  if (ticks != string_view::npos) block.lang = std::string(opening.substr(ticks));
  for (lines.next(); !lines.done(); lines.next()) {
    if (text::trim_start(lines.line()).starts_with(kFence)) {
      lines.next();
      break;
    }
    // Empty lines before the first content are lost; later ones are kept.
    if (!block.content.empty()) block.content.push_back('\n');
    block.content.append(lines.line());
  }
  out(std::move(block));
}

// A heading: a run of one to six '#' at the very start, then a text that is
// not empty once trimmed. No space is needed after the run.
std::optional<Group> heading(string_view line) {
  std::size_t level = line.find_first_not_of('#');
  if (level == string_view::npos) level = line.size();
  string_view name = text::trim(line.substr(level));
  if (level < 1 || level > 6 || name.empty()) return std::nullopt;
  return Group{static_cast<uint8_t>(level), std::string(name), {}, {}, {}};
}

}  // namespace

// Lines are read one at a time, never held in a table.
void markdown_to_nodes(string_view text, const NodeSink& out) {
  parse::LineCursor lines(text);
  while (!lines.done()) {
    string_view line = lines.line();
    string_view start_trimmed = text::trim_start(line);
    if (start_trimmed.starts_with(kFence)) {
      fenced_block(lines, out);
      continue;
    }
    if (line.starts_with('#')) {
      if (auto g = heading(line)) {
        out(std::move(*g));
        lines.next();
        continue;
      }
    }
    if (start_trimmed.empty()) {
      lines.next();
      continue;
    }
    const ItemForm* form = nullptr;
    for (const ItemForm& f : kItemForms) {
      if (start_trimmed.starts_with(f.prefix)) {
        form = &f;
        break;
      }
    }
    if (form) {
      out(item_task(form->kind, start_trimmed.substr(form->prefix.size())));
      lines.next();
      continue;
    }
    // A paragraph. Its first line is always taken, even one that starts with
    // '#' without being a heading, so that the line keeps its text and the
    // loop moves on.
    std::string paragraph(text::trim(line));
    for (lines.next(); !lines.done(); lines.next()) {
      string_view next = text::trim(lines.line());
      if (stops_paragraph(next)) break;
      paragraph.push_back(' ');
      paragraph.append(next);
    }
    out(Prose{std::move(paragraph), {}});
  }
}

Nodes markdown_to_document(string_view text) {
  Nodes out;
  markdown_to_nodes(text, [&](Node&& n) { out.push_back(std::move(n)); });
  return out;
}

}  // namespace varn::convert
