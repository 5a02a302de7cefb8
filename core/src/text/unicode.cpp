#include "text/unicode.hpp"

#include <unicode/uchar.h>

namespace varn::text {

namespace detail {

Decoded decode_multibyte(std::string_view s, std::size_t pos) {
  const auto* p = reinterpret_cast<const unsigned char*>(s.data()) + pos;
  const std::size_t left = s.size() - pos;
  const unsigned char b0 = p[0];
  constexpr Decoded bad{0xFFFD, 1};
  std::size_t len;
  char32_t cp;
  char32_t min;
  if (b0 >= 0xC2 && b0 <= 0xDF) {
    len = 2, cp = b0 & 0x1F, min = 0x80;
  } else if (b0 >= 0xE0 && b0 <= 0xEF) {
    len = 3, cp = b0 & 0x0F, min = 0x800;
  } else if (b0 >= 0xF0 && b0 <= 0xF4) {
    len = 4, cp = b0 & 0x07, min = 0x10000;
  } else {
    return bad;
  }
  if (left < len) return bad;
  for (std::size_t i = 1; i < len; ++i) {
    if ((p[i] & 0xC0) != 0x80) return bad;
    cp = (cp << 6) | (p[i] & 0x3F);
  }
  if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return bad;
  return {cp, static_cast<uint8_t>(len)};
}

bool is_white_space_beyond_ascii(char32_t c) {
  return u_hasBinaryProperty(static_cast<UChar32>(c), UCHAR_WHITE_SPACE);
}

bool is_alphabetic_beyond_ascii(char32_t c) {
  return u_hasBinaryProperty(static_cast<UChar32>(c), UCHAR_ALPHABETIC);
}

bool is_numeric_beyond_ascii(char32_t c) {
  switch (u_charType(static_cast<UChar32>(c))) {
    case U_DECIMAL_DIGIT_NUMBER:
    case U_LETTER_NUMBER:
    case U_OTHER_NUMBER:
      return true;
    default:
      return false;
  }
}

}  // namespace detail

std::size_t last_char_len(std::string_view s, std::size_t end) {
  std::size_t start = end - 1;
  const auto* p = reinterpret_cast<const unsigned char*>(s.data());
  if (p[start] < 0x80) return 1;
  while (start > 0 && end - start < 4 && (p[start] & 0xC0) == 0x80) --start;
  if (decode(s, start).len == end - start) return end - start;
  return 1;
}

namespace detail {

std::string_view trim_start_from(std::string_view s, std::size_t i) {
  while (i < s.size()) {
    Decoded d = decode(s, i);
    if (!is_white_space(d.cp)) break;
    i += d.len;
  }
  return s.substr(i);
}

}  // namespace detail

std::size_t word_length(std::string_view s) {
  std::size_t i = 0;
  while (i < s.size()) {
    Decoded d = decode(s, i);
    if (is_white_space(d.cp)) break;
    i += d.len;
  }
  return i;
}

namespace detail {

std::string_view trim_end_from(std::string_view s, std::size_t end) {
  while (end > 0) {
    std::size_t len = last_char_len(s, end);
    if (!is_white_space(decode(s, end - len).cp)) break;
    end -= len;
  }
  return s.substr(0, end);
}

}  // namespace detail

}  // namespace varn::text
