#pragma once
// The line sink that every line of both source writers' output passes
// through, and the small joins they build lines with.
#include <cstddef>
#include <string>
#include <string_view>

#include "varn/model.hpp"

namespace varn::write {

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
  // Removes the empty lines that end the text.
  void drop_blank_lines();

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

}  // namespace varn::write
