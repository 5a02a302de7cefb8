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

// The code block opened at lines[i]; returns the index after its closing line.
std::size_t fenced_block(const std::vector<string_view>& lines, std::size_t i, const NodeSink& out) {
  string_view opening = text::trim_start(lines[i]);
  std::size_t ticks = opening.find_first_not_of('`');
  CodeBlock block;
  if (ticks != string_view::npos) block.lang = std::string(opening.substr(ticks));
  for (++i; i < lines.size(); ++i) {
    if (text::trim_start(lines[i]).starts_with(kFence)) {
      ++i;
      break;
    }
    // Empty lines before the first content are lost; later ones are kept.
    if (!block.content.empty()) block.content.push_back('\n');
    block.content.append(lines[i]);
  }
  out(std::move(block));
  return i;
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

void markdown_to_nodes(string_view text, const NodeSink& out) {
  const std::vector<string_view> lines = parse::split_lines(text);
  std::size_t i = 0;
  while (i < lines.size()) {
    string_view line = lines[i];
    string_view start_trimmed = text::trim_start(line);
    if (start_trimmed.starts_with(kFence)) {
      i = fenced_block(lines, i, out);
      continue;
    }
    if (line.starts_with('#')) {
      if (auto g = heading(line)) {
        out(std::move(*g));
        ++i;
        continue;
      }
    }
    if (start_trimmed.empty()) {
      ++i;
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
      ++i;
      continue;
    }
    // A paragraph. Its first line is always taken, even one that starts with
    // '#' without being a heading, so that the line keeps its text and the
    // loop moves on.
    std::string paragraph(text::trim(line));
    for (++i; i < lines.size(); ++i) {
      string_view next = text::trim(lines[i]);
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
