#pragma once
// What keeps the renderer's text one that the parser accepts. The parser
// refuses two things only: a "sync:" line without a name, and, below a
// "Sync" heading, a sub-heading whose lines give a class other than canon,
// ops or data. No source gives a tree that says either, but a tree from JSON
// may (a prose "sync:", a variable named "sync://", a text holding a line
// feed): such lines are written so that they read as something else.
#include <cstddef>
#include <string>
#include <string_view>

#include "write/sink.hpp"

namespace varn::render {

// True when the parser reads `line` as a sync declaration without a name:
// trimmed and cut at its comment, it is "sync:" and nothing else, once or
// more.
bool nameless_sync_line(std::string_view line);

// Each line of text[from..] that reads so gets a space after its "sync":
// "sync :" is prose.
void mend_nameless_sync(std::string& text, std::size_t from);

// text[from..] holds the lines of one node below a "Sync" heading: where
// they make a declaration whose class the lowering refuses, each of their
// lines that gives a refused class is written as a comment.
void accept_sync_classes(std::string& text, std::size_t from);

// The text of `out`, its trailing white space trimmed. The node writers
// keep their own lines from the two refusals, but a line may read otherwise
// than written: a text that holds a line feed, or one that starts with
// "```" and so opens a code block, which takes the lines after it however
// deep, leaves the lines after it to stand as any line may. A text holding
// a line that could be refused is parsed: where it is refused, every line
// that reads as a nameless declaration is mended, and then, if a class is
// still refused, every line that gives a refused class is written as a
// comment.
std::string finish(write::LineSink& out);

}  // namespace varn::render
