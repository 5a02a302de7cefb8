#pragma once
// Character classes and trimming over UTF-8 text. Whitespace is Unicode
// White_Space; alphanumeric is Unicode Alphabetic or Numeric.
// A byte that does not start a valid UTF-8 sequence counts as one character
// of its own (U+FFFD), so no text ever makes these functions fail.
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace varn::text {

struct Decoded {
  char32_t cp;
  uint8_t len;  // bytes used, 1 to 4
};

namespace detail {
// The out-of-line halves of the functions below, for characters beyond ASCII.
Decoded decode_multibyte(std::string_view s, std::size_t pos);
bool is_white_space_beyond_ascii(char32_t c);
bool is_alphabetic_beyond_ascii(char32_t c);
bool is_numeric_beyond_ascii(char32_t c);
}  // namespace detail

// The character that starts at byte `pos` (pos < s.size()).
inline Decoded decode(std::string_view s, std::size_t pos) {
  const auto b0 = static_cast<unsigned char>(s[pos]);
  if (b0 < 0x80) return {b0, 1};
  return detail::decode_multibyte(s, pos);
}

// The byte length of the character that ends at byte `end` (0 < end <= s.size()).
std::size_t last_char_len(std::string_view s, std::size_t end);

inline bool is_white_space(char32_t c) {
  if (c < 0x80) return c == ' ' || (c >= 0x09 && c <= 0x0D);
  return detail::is_white_space_beyond_ascii(c);
}
inline bool is_alphabetic(char32_t c) {
  if (c < 0x80) return (c | 0x20) >= 'a' && (c | 0x20) <= 'z';
  return detail::is_alphabetic_beyond_ascii(c);
}
inline bool is_numeric(char32_t c) {
  if (c < 0x80) return c >= '0' && c <= '9';
  return detail::is_numeric_beyond_ascii(c);
}
inline bool is_alphanumeric(char32_t c) { return is_alphabetic(c) || is_numeric(c); }

namespace detail {
std::string_view trim_start_from(std::string_view s, std::size_t i);
std::string_view trim_end_from(std::string_view s, std::size_t end);
}  // namespace detail

// Most texts start and end with a plain ASCII character, which is decided
// here without a call.
inline std::string_view trim_start(std::string_view s) {
  std::size_t i = 0;
  for (; i < s.size() && static_cast<unsigned char>(s[i]) < 0x80; ++i) {
    if (!is_white_space(static_cast<unsigned char>(s[i]))) return s.substr(i);
  }
  return i == s.size() ? s.substr(i) : detail::trim_start_from(s, i);
}
inline std::string_view trim_end(std::string_view s) {
  std::size_t end = s.size();
  for (; end > 0 && static_cast<unsigned char>(s[end - 1]) < 0x80; --end) {
    if (!is_white_space(static_cast<unsigned char>(s[end - 1]))) return s.substr(0, end);
  }
  return end == 0 ? s.substr(0, 0) : detail::trim_end_from(s, end);
}
inline std::string_view trim(std::string_view s) { return trim_end(trim_start(s)); }

// Bytes from the start of `s` up to its first whitespace character (or its end).
std::size_t word_length(std::string_view s);

}  // namespace varn::text
