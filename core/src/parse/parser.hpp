#pragma once
// The state of one parse and the block walk that every construct handler uses.
#include <algorithm>
#include <cstddef>
#include <initializer_list>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "parse/text.hpp"
#include "varn/errors.hpp"
#include "varn/model.hpp"
#include "varn/parse.hpp"

namespace varn::parse {

// A queue taken from the front: a vector and the index of its first item,
// compacted once half of it is taken. Unlike a deque, an empty one holds no
// memory, which matters for the many one-line parses of the writers.
template <class T>
class FrontQueue {
 public:
  bool empty() const { return first_ == items_.size(); }
  std::size_t size() const { return items_.size() - first_; }
  const T& front() const { return items_[first_]; }
  T& back() { return items_.back(); }
  const T& operator[](std::size_t i) const { return items_[first_ + i]; }
  T& push_back(T item) { return items_.emplace_back(std::move(item)); }
  void pop_front() {
    if (++first_ == items_.size()) {
      items_.clear();
      first_ = 0;
    } else if (first_ >= 64 && first_ * 2 >= items_.size()) {
      items_.erase(items_.begin(), items_.begin() + static_cast<std::ptrdiff_t>(first_));
      first_ = 0;
    }
  }

 private:
  std::vector<T> items_;
  std::size_t first_ = 0;
};

// The lines of the text, split as they are first read, so that a large text
// never has a table of all its lines: only the lines from the start of the
// current top-level node on are kept, the driver forgets the ones before it
// once the node is handed over. A run of two or more blank lines is kept as
// one entry, each of its lines found again in the text when read, so that
// blank lines cost nothing however many there are. Every tab reads as four
// spaces; a line that holds one is read from an expanded copy of its own or,
// when it is blank and all spaces and tabs, from a run of spaces shared by
// all such lines.
class Lines {
 public:
  Lines() = default;
  explicit Lines(std::string_view text);
  // Lines taken as they are, even when one holds a line feed.
  static Lines as_given(std::initializer_list<std::string_view> given) {
    Lines lines;
    for (const std::string_view line : given) {
      lines.window_.push_back({line.data(), line.size(), lines.next_});
      lines.next_ += line.size();
    }
    lines.count_ = lines.end_ = given.size();
    return lines;
  }
  std::size_t size() const { return count_; }
  // Line `i`, which is below `size()` and not forgotten (an empty line if it was).
  std::string_view operator[](std::size_t i) const {
    while (i >= end_ && i < count_) split_next();
    if (i < base_ || i >= end_) return {};
    if (runs_ > 0) return among_runs(i);
    const Entry& e = window_[i - base_];
    return {e.data, e.size};
  }
  // Where line `i`, which is below `size()` and not forgotten, starts in the text.
  std::size_t start(std::size_t i) const {
    operator[](i);
    if (runs_ == 0) return window_[i - base_].start;
    // The lookup among runs left its entry at hand, and the line itself
    // where it is one of a run.
    const Entry& e = window_[at_];
    return e.data == &kRun ? blank_.start : e.start;
  }
  // Where line `i` starts, or the size of the text when there is none.
  std::size_t start_or_end(std::size_t i) const { return i < count_ ? start(i) : std::max(next_, text_.size()); }
  // Lines before `i` are not read again.
  void forget_before(std::size_t i);
  // The bytes of the text before the first line not forgotten.
  std::size_t kept_from() const { return window_.empty() ? next_ : window_.front().start; }

 private:
  static constexpr char kRun = 0;  // the address that marks a run of blank lines
  struct Entry {
    const char* data;   // into the text or `expanded_`; &kRun for a run of blank lines
    std::size_t size;   // the line's length, or the number of lines of a run
    std::size_t start;  // where the line, or the run's first line, starts in the text
  };
  static std::size_t lines_in(const Entry& e) { return e.data == &kRun ? e.size : 1; }
  std::string_view among_runs(std::size_t i) const;
  std::string_view spaces(std::size_t n) const;
  void split_next() const;
  std::string_view text_;
  std::size_t count_ = 0;
  std::size_t base_ = 0;                         // the number of the first kept line
  mutable std::size_t end_ = 0;                  // the number of lines split
  mutable LineCursor cursor_;                    // at the next line to split
  mutable std::size_t next_ = 0;                 // where that line starts
  mutable FrontQueue<Entry> window_;             // lines base_ to end_
  mutable bool last_blank_ = false;              // the last entry is a blank line of its own
  // The entries that are runs; while there is none, line i is entry i - base_.
  mutable std::size_t runs_ = 0;
  // Among runs: the entry last looked up and the number of its first line,
  // and the blank line last read from a run, its number and where it starts.
  mutable std::size_t at_ = 0;
  mutable std::size_t at_first_ = 0;
  struct Blank {
    std::size_t line = static_cast<std::size_t>(-1);
    std::size_t start = 0;
  };
  mutable Blank blank_;
  // The kept lines that hold a tab, in order; each on the heap, so that it
  // stays where the window's view of it points.
  mutable FrontQueue<std::unique_ptr<std::string>> expanded_;
  // Runs of spaces for blank lines that hold a tab, each twice the one
  // before; the older ones stay, as lines read from them may be in use.
  mutable std::vector<std::unique_ptr<std::string>> spaces_;
};

// What a parse notes in place of failing, where asked to: where each line
// starts in the text, of the "sync:" declarations without a name (read as
// lines that give no node), and of the class lines of the declarations
// under a "Sync" heading whose class is refused (read as accepted). No
// other line is read otherwise for them, so one parse finds them all.
struct SyncRefusals {
  std::vector<std::size_t> nameless;
  std::vector<std::size_t> refused_classes;
};

struct Parser {
  std::optional<ParseError> first_error;  // only the first diagnostic survives
  Lines lines;
  std::size_t pos = 0;                    // the next line to read; only grows
  Spans spans = Spans::All;               // the inline spans that prose and tasks keep
  SyncRefusals* refusals = nullptr;  // where set, noted there instead of failing
};

// Blocks deeper than this are empty; their lines fall to the enclosing block.
inline constexpr std::size_t kMaxDepth = 127;

// Bytes of leading Unicode whitespace.
std::size_t indentation(std::string_view line);

// The nodes of the block starting at `pos`: every non-blank line indented at
// least `min_indent`. Leaves `pos` at the first line that is not in the block.
Nodes parse_block(Parser& p, std::size_t min_indent, std::size_t depth);

// Every refusal of a parse of `source`, not only the first, in order.
SyncRefusals sync_refusals(std::string_view source);

// One node from the line at `pos` (and the lines it owns), or none.
std::optional<Node> parse_node(Parser& p, std::size_t depth);

// The two texts of a line that the dispatcher and the handlers read.
struct Line {
  std::string_view raw;      // the line as split, indentation included
  std::string_view trimmed;  // without surrounding whitespace
  std::string_view content;  // `trimmed` without its trailing comment
};

// The scan that finds a line's trailing comment: a "//" outside double quotes
// and outside a '|' span. Inside quotes a backslash hides the byte after it,
// and a bar opens or closes no span. The state carries from one piece of a
// line to the next, so that a writer can tell, piece by piece, whether the
// line it builds keeps every "//" of its own.
struct CommentScan {
  bool in_quotes = false;
  bool in_pipes = false;
  bool escaped = false;  // the first byte of the next piece is skipped
  bool slash = false;    // the last piece ended in a '/' that a second one makes a comment mark

  // Scans the next piece: where in it a comment starts (0 also when its mark
  // began with the piece before), or npos when none does.
  std::size_t feed(std::string_view piece);
};

// `trimmed` up to a "//" outside double quotes and outside a '|' span, with the
// whitespace before it; `trimmed` itself when there is no such comment.
std::string_view cut_trailing_comment(std::string_view trimmed);

Line read_line(std::string_view raw);

// The raw body of a construct that reads its nested lines itself: from `pos`,
// every line indented deeper than `opener_indent`, blank lines skipped, each
// given as its `content`. Leaves `pos` at the first line of the enclosing
// block.
std::vector<std::string_view> read_body_lines(Parser& p, std::size_t opener_indent);
// The same lines one at a time, for a handler whose lines may take in more
// lines after them; none at the end of the body.
std::optional<Line> next_body_line(Parser& p, std::size_t opener_indent);
// The body lines that hold a ':', split at the first one into a trimmed key
// and value; the other lines are dropped.
Pairs read_body_pairs(Parser& p, std::size_t opener_indent);

}  // namespace varn::parse
