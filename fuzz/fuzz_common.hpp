#pragma once
// What every fuzz target checks: inputs as Python can give them (valid UTF-8
// only), and results that Python can take (a str, so valid UTF-8 too).
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "varn/operations.hpp"

namespace varn::fuzz {

// Strict UTF-8: no overlong forms, no surrogates, nothing above U+10FFFF.
inline bool valid_utf8(std::string_view s) {
  const auto* p = reinterpret_cast<const unsigned char*>(s.data());
  const auto* end = p + s.size();
  while (p < end) {
    unsigned char c = *p;
    if (c < 0x80) {
      ++p;
      continue;
    }
    std::size_t len;
    unsigned char lo = 0x80, hi = 0xBF;  // allowed range of the second byte
    if (c >= 0xC2 && c <= 0xDF) {
      len = 2;
    } else if (c >= 0xE0 && c <= 0xEF) {
      len = 3;
      if (c == 0xE0) lo = 0xA0;  // overlong
      if (c == 0xED) hi = 0x9F;  // surrogates
    } else if (c >= 0xF0 && c <= 0xF4) {
      len = 4;
      if (c == 0xF0) lo = 0x90;  // overlong
      if (c == 0xF4) hi = 0x8F;  // above U+10FFFF
    } else {
      return false;
    }
    if (static_cast<std::size_t>(end - p) < len) return false;
    if (p[1] < lo || p[1] > hi) return false;
    for (std::size_t i = 2; i < len; ++i) {
      if (p[i] < 0x80 || p[i] > 0xBF) return false;
    }
    p += len;
  }
  return true;
}


// Runs one operation on `data`; aborts when its result or error is not valid
// UTF-8. Returns -1 for inputs that Python could never pass, to keep them out
// of the corpus.
inline int run(varn::ops::TextResult (*op)(std::string_view), const std::uint8_t* data, std::size_t size) {
  std::string_view input(reinterpret_cast<const char*>(data), size);
  if (!valid_utf8(input)) return -1;
  auto result = op(input);
  const auto& text = result.ok() ? result.value() : result.error();
  if (!valid_utf8(text)) std::abort();
  return 0;
}

}  // namespace varn::fuzz
