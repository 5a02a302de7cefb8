#pragma once
// Texts made of the tokens that bring a written line near the two that the
// parser refuses (a "sync:" line without a name; below a "Sync" heading, a
// sub-heading whose lines give a class other than canon, ops or data), drawn
// by a seeded generator, so every run draws the same texts.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "varn/parse.hpp"

namespace varn::testing {

inline const std::vector<std::string_view> kNearRefused = {
    "sync:", "sync: // x", "sync", ":", "//", "#", "###", "Sync", "class: x", "class: ops", "class", "[ ]",
    "---",   "=",          " ",    "\r", "\t", "|", "\"",  "{",    "}",        "\n",         "\n    ", "\n        ",
    "x",     "- ",         "```",  "%",  "@",  "**"};

class Draw {
 public:
  explicit Draw(std::uint64_t seed) : state_(seed * 0x9e3779b97f4a7c15u + 1) {}

  std::size_t below(std::size_t n) {
    state_ ^= state_ << 13;
    state_ ^= state_ >> 7;
    state_ ^= state_ << 17;
    return static_cast<std::size_t>(state_ % n);
  }
  bool one_in(std::size_t n) { return below(n) == 0; }

  // One to `most` tokens.
  std::string text(std::size_t most) {
    std::string t;
    for (std::size_t n = 1 + below(most); n > 0; --n) t.append(kNearRefused[below(kNearRefused.size())]);
    return t;
  }

 private:
  std::uint64_t state_;
};

// Empty when `text` parses, else the error and the text.
inline std::string refused(const std::string& text) {
  const auto e = parse_each(text, [](Node&&) {});
  return e ? e->message + " in:\n" + text : std::string();
}

}  // namespace varn::testing
