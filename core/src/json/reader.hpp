#pragma once
// Strict JSON text reading with exact messages and positions.
//
// `parse` reads a whole text into a held value; `Reader` is the cursor under
// it, for callers that read part of a text themselves (the JSON AST frame
// reads its outer levels straight from the text and holds only one node at a
// time).
//
// A held value keeps an object's members in text order, repeated keys
// included, and tells apart null, booleans, non-negative and negative
// integers, floating-point numbers, strings, arrays and objects. Values live
// in an `Arena`; strings without escapes point into the text itself.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "json/bytes.hpp"
#include "varn/errors.hpp"
#include "varn/result.hpp"

namespace varn::json {

enum class Kind : uint8_t {
  Null,
  Bool,
  UInt,   // a non-negative integer that fits in 64 bits
  Int,    // a negative integer that fits in 64 bits
  Float,  // anything else numeric: a fraction, an exponent, or too large
  String,
  Array,
  Object,
};

struct Member;

struct Value {
  Kind kind = Kind::Null;
  std::size_t size = 0;  // bytes of a string, elements of an array, members of an object
  union {
    bool boolean;
    uint64_t uint;
    int64_t int_;
    double number;
    const char* chars;
    const Value* items;
    const Member* members;
  };

  Value() : uint(0) {}

  std::string_view str() const { return {chars, size}; }
  std::span<const Value> array() const { return {items, size}; }
  std::span<const Member> object() const;
};

struct Member {
  std::string_view key;
  Value value;
};

inline std::span<const Member> Value::object() const { return {members, size}; }

// Owns held values and decoded strings. Everything is trivially destructible,
// so values are dropped by dropping (or resetting) their arena.
class Arena {
 public:
  Arena() = default;
  Arena(Arena&&) = default;
  Arena& operator=(Arena&&) = default;

  void* allocate(std::size_t bytes, std::size_t align);
  template <class T>
  T* allocate_array(std::size_t n) {
    return static_cast<T*>(allocate(n * sizeof(T), alignof(T)));
  }
  // Drops every value, keeping the largest block for reuse.
  void reset();

 private:
  struct Block {
    std::unique_ptr<std::byte[]> data;
    std::size_t size = 0;
  };
  std::vector<Block> blocks_;
  std::size_t used_ = 0;  // bytes used in the last block
};

// Containers may nest this deep; opening one more fails.
inline constexpr std::size_t kMaxDepth = 127;

// Success of a step that yields nothing.
struct Ok {};
using Status = Result<Ok, JsonError>;

class Reader {
 public:
  explicit Reader(std::string_view text) : text_(text) {}

  // Skips white space and returns the next byte without taking it; -1 at the end.
  int peek() {
    // Most tokens follow one another or a run of white space already taken.
    if (pos_ < text_.size() && static_cast<unsigned char>(text_[pos_]) > ' ') {
      return static_cast<unsigned char>(text_[pos_]);
    }
    return skip_space();
  }
  bool at_end() const { return pos_ >= text_.size(); }
  void bump() { ++pos_; }
  std::size_t offset() const { return pos_; }

  // An error placed after the bytes taken so far, or after the next one too.
  JsonError error(std::string message) const;
  JsonError peek_error(std::string message) const;

  // Opens the array or object whose bracket is next, counting the nesting.
  Status open() {
    if (depth_ + 1 > kMaxDepth) return err(too_deep());
    ++depth_;
    ++pos_;
    return Ok{};
  }
  void close() { --depth_; }

  // After `[` (or after an element): whether another element follows,
  // taking the comma; the closing `]` is left for `end_array`.
  Result<bool, JsonError> next_element(bool first) {
    int c = peek();
    if (c == ']') return false;
    if (c >= 0 && first) return true;
    if (c != ',') return err(list_error(c));
    ++pos_;
    c = peek();
    if (c >= 0 && c != ']') return true;
    return err(after_comma_error(c, ']'));
  }
  // Likewise for objects; a key follows.
  Result<bool, JsonError> next_member(bool first) {
    int c = peek();
    if (c == '}') return false;
    if (c == '"' && first) return true;
    if (c != ',' || first) return err(object_error(first, c));
    ++pos_;
    c = peek();
    if (c == '"') return true;
    return err(after_comma_error(c, '}'));
  }
  // Takes the closing bracket that `next_element` or `next_member` stopped at.
  void end_container() {
    ++pos_;
    close();
  }
  Status colon() {
    if (peek() == ':') {
      ++pos_;
      return Ok{};
    }
    return err(colon_error());
  }

  // A string whose opening quote is next; escapes resolved into `arena` when
  // there are any, else a view into the text.
  Result<std::string_view, JsonError> string(Arena& arena) {
    // Most strings end before any byte that needs a closer look.
    const char* p = text_.data() + pos_ + 1;
    const std::size_t n = text_.size() - pos_ - 1;
    const std::size_t k = plain_run(p, n);
    if (k < n && p[k] == '"') {
      pos_ += k + 2;
      return std::string_view(p, k);
    }
    return held_string(arena);
  }
  // Any value, held in `arena`; its containers count towards the nesting.
  Result<Value, JsonError> value(Arena& arena);
  // Reads over any value without holding it. Its nesting is not limited
  // unless `limited`; then it counts towards the nesting as `value` would,
  // failing at the same place.
  Status skip(bool limited = false);
  // Only white space may follow.
  Status end();

  // For a value of the wrong type where a `want` was expected: the message
  // "invalid type: X, expected {want}", after reading over a scalar (whose
  // own malformation wins) or before a bracket.
  JsonError invalid_type(std::string_view want);

 private:
  int skip_space();  // `peek` past white space
  // The failures of the steps above, out of their way.
  JsonError too_deep() const;
  JsonError list_error(int c) const;
  JsonError object_error(bool first, int c) const;
  JsonError after_comma_error(int c, int close) const;
  JsonError colon_error() const;

  Result<std::string_view, JsonError> raw_string();  // into the text or into scratch_
  Result<std::string_view, JsonError> held_string(Arena& arena);  // `string` the long way
  Result<uint32_t, JsonError> hex_escape();
  Status number(Value& out);
  Status literal(std::string_view word);
  Status string_value(Arena& arena, Value& out) {
    auto s = string(arena);
    if (!s) return err(std::move(s).error());
    out.kind = Kind::String;
    out.chars = s.value().data();
    out.size = s.value().size();
    return Ok{};
  }
  Status scalar(Arena& arena, Value& out);

  std::string_view text_;
  std::size_t pos_ = 0;
  std::size_t depth_ = 0;
  std::vector<Value> item_stack_;    // elements of the arrays being held
  std::vector<Member> member_stack_;  // members of the objects being held
  std::string scratch_;               // the last string read that had escapes
};

// A whole text read into one held value.
struct Parsed {
  Arena arena;
  Value root;
};
Result<Parsed, JsonError> parse(std::string_view text);

// "null", "boolean `true`", "integer `5`", "floating point `1.5`",
// "string \"a\"", "sequence", "map": a found value in error messages.
std::string describe(const Value& v);

}  // namespace varn::json
