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

// text[from..] holds the lines of one node below a "Sync" heading: where
// they make a declaration whose class the lowering refuses, that
// declaration's lines that give a refused class are written as comments.
void accept_sync_classes(std::string& text, std::size_t from);

// The text of `out`, its trailing white space trimmed. Where a line would
// read as a nameless declaration (a prose or variable text, a match arm's
// pattern, a line of a text that holds a line feed), the space after its
// "sync" makes it prose ("sync :"), which takes no lines and closes
// nothing; only where the parser reads it so, not inside a code block. A
// text holding a line that could be refused is parsed: where it is refused,
// one more parse notes the lines that it reads as nameless declarations or
// as refused classes, and only those are mended, the classes written as
// comments.
std::string finish(write::LineSink& out);

}  // namespace varn::render
