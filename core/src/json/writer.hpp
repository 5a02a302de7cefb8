#pragma once
// Pretty JSON text: two spaces per level, one member or element per line,
// ": " after a key, "[]" and "{}" for empty containers, no final line feed.
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "varn/text_sink.hpp"

namespace varn::json {

class Writer {
 public:
  explicit Writer(std::size_t reserve = 128) { next_piece(reserve); }
  // A writer that hands each full piece to `sink` and then reuses it; the
  // text goes nowhere else, and `flush` hands on the last piece.
  explicit Writer(TextSink sink);
  // Not copied: `cur_` points into the writer's own piece.
  Writer(const Writer&) = delete;
  Writer& operator=(const Writer&) = delete;

  void begin_object() { open('{'); }
  void end_object() { close('}'); }
  void begin_array() { open('['); }
  void end_array() { close(']'); }

  // Starts a member of the current object; the value follows.
  void key(std::string_view name);
  // The same for a name that needs no escaping (no control byte, '"' or
  // '\\'), like the field names of the tables: written without a scan.
  void plain_key(std::string_view name);

  void string(std::string_view s);
  // A string that needs no escaping, like a kind's name.
  void plain_string(std::string_view s);
  void integer(int64_t v);
  void unsigned_integer(uint64_t v);
  void number(double v);  // shortest round-trip digits; null when not finite
  void boolean(bool b);
  void null();

  // The whole text written; the writer is left empty.
  std::string take();
  // The bytes written so far.
  std::size_t size() const { return done_size_ + written_in_piece(); }
  // Appends the whole text written to `out`, freeing each piece once copied;
  // the writer is left empty.
  void take_into(std::string& out);
  // Hands what is written and not yet handed on to the sink.
  void flush();

 private:
  struct Frame {
    bool empty = true;
  };
  // Writes what goes before a value (the separator, line feed and
  // indentation of a member or element; nothing after a key) and returns
  // where the value goes, with room for `n` bytes there.
  char* begin_value(std::size_t n);
  void open(char c);
  void close(char c);
  // Where the next `n` bytes go; the caller moves `cur_` past what it writes.
  char* room(std::size_t n) {
    if (static_cast<std::size_t>(end_ - cur_) < n) next_piece(n);
    return cur_;
  }
  void put(char c) {
    *room(1) = c;
    ++cur_;
  }
  void put(std::string_view s);
  void put_escaped(std::string_view s);
  void next_piece(std::size_t n);
  std::size_t written_in_piece() const { return cur_ ? static_cast<std::size_t>(cur_ - piece_.text.get()) : 0; }

  // A piece's bytes are left uninitialised: every byte kept is written.
  struct Piece {
    std::unique_ptr<char[]> text;
    std::size_t size = 0;
  };
  // The text is written in pieces that are never reallocated: a full piece is
  // set aside and the next one started. One buffer grown by doubling would
  // copy the text at every step and hold it twice while it does; the pieces
  // are joined once, each freed as soon as it is copied. The piece being
  // written is filled through `cur_`.
  std::vector<Piece> done_;
  TextSink sink_;  // when set, full pieces go here instead of to `done_`
  std::size_t done_size_ = 0;
  Piece piece_;
  char* cur_ = nullptr;
  char* end_ = nullptr;
  std::string number_;  // a number's digits before they are put
  std::vector<Frame> frames_;
  bool after_key_ = false;
};

// The bytes of `s` written as the inside of a JSON string literal.
std::size_t escaped_size(std::string_view s);

// The size of the text that a Writer writes for the same calls, counted
// without writing it. A text whose escaped size is known already is counted
// by that size alone, so that a text that stands many times in the output is
// measured once. Sums that would pass the largest size stay at it.
class Measure {
 public:
  void begin_object() { open(); }
  void end_object() { close(); }
  void begin_array() { open(); }
  void end_array() { close(); }
  void key(std::string_view name) { key_of_size(escaped_size(name)); }
  void plain_key(std::string_view name) { key_of_size(name.size()); }
  void key_of_size(std::size_t escaped) {
    value(4 + escaped);  // the quotes, ':' and ' '
    after_key_ = true;
  }
  void string(std::string_view s) { string_of_size(escaped_size(s)); }
  void plain_string(std::string_view s) { string_of_size(s.size()); }
  void string_of_size(std::size_t escaped) { value(2 + escaped); }
  void unsigned_integer(uint64_t v);
  void null() { value(4); }
  std::size_t size() const { return size_; }

 private:
  void add(std::size_t n) { size_ = n > SIZE_MAX - size_ ? SIZE_MAX : size_ + n; }
  // A value of `n` bytes with what goes before it, as the Writer's begin_value.
  void value(std::size_t n);
  void open() {
    value(1);
    empty_.push_back(true);
  }
  void close();

  std::size_t size_ = 0;
  std::vector<bool> empty_;  // per open container, whether it has no member yet
  bool after_key_ = false;
};

// Appends `s` as a JSON string literal: the standard escapes, other control
// bytes as \u00XX, everything else byte for byte.
void append_escaped(std::string& out, std::string_view s);

// Appends the number form of a double: the shortest digits that read back as
// the same value, plain from 1e-5 to below 1e16 (".0" when integral), else in
// exponent form like 1e+16; "null" for NaN and infinities.
void append_double(std::string& out, double v);

// Appends a finite double's shortest digits always in plain notation, ".0"
// when integral (1e20 gives 100000000000000000000.0).
void append_plain_double(std::string& out, double v);

}  // namespace varn::json
