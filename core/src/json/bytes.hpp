#pragma once
// Eight bytes of a JSON string tested at once, for the writer's escaping and
// the reader's strings and white space alike.
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace varn::json {

inline constexpr std::uint64_t kOnes = 0x0101010101010101ull;

inline std::uint64_t load8(const char* p) {
  std::uint64_t w;
  std::memcpy(&w, p, 8);
  return w;
}

// The bytes of `w` that need an escape (a control byte, '"' or '\\'), each
// marked by its high bit. Inside a string these are also the bytes a reader
// must stop at. A borrow across bytes only follows a byte that is found, so
// the first marked byte is exact; later marks may be false.
constexpr std::uint64_t escape_mask(std::uint64_t w) {
  constexpr std::uint64_t high = 0x8080808080808080ull;
  auto has_zero_byte = [](std::uint64_t v) { return (v - kOnes) & ~v & high; };
  return ((w - kOnes * 0x20) & ~w & high) | has_zero_byte(w ^ (kOnes * '"')) | has_zero_byte(w ^ (kOnes * '\\'));
}

constexpr bool needs_escape(std::uint64_t w) { return escape_mask(w) != 0; }

// Index in the text of the first of the eight bytes with a bit set in
// `mask` (not zero).
inline unsigned first_marked(std::uint64_t mask) {
  if constexpr (std::endian::native == std::endian::little) {
    return static_cast<unsigned>(std::countr_zero(mask)) / 8;
  } else {
    return static_cast<unsigned>(std::countl_zero(mask)) / 8;
  }
}

// Eight bytes of `s` from `from` as one number that orders as the bytes do,
// the bytes past the end of `s` taken as zeros.
constexpr std::uint64_t head8(std::string_view s, std::size_t from = 0) {
  std::uint64_t h = 0;
  for (std::size_t i = 0; i < 8; ++i) {
    h <<= 8;
    if (from + i < s.size()) h |= static_cast<unsigned char>(s[from + i]);
  }
  return h;
}

// How many of the `n` bytes at `p` come before the first one that is not a
// space: a reader's run of indentation.
inline std::size_t space_run(const char* p, std::size_t n) {
  std::size_t i = 0;
#if defined(__SSE2__)
  const __m128i space = _mm_set1_epi8(' ');
  for (; n - i >= 16; i += 16) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i));
    if (const unsigned other = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(v, space))) ^ 0xFFFFu) {
      return i + static_cast<std::size_t>(std::countr_zero(other));
    }
  }
#endif
  for (; n - i >= 8; i += 8) {
    if (const std::uint64_t other = load8(p + i) ^ (kOnes * ' ')) return i + first_marked(other);
  }
  while (i < n && p[i] == ' ') ++i;
  return i;
}

// How many of the `n` bytes at `p` come before the first one that a string
// must stop at (see `escape_mask`).
inline std::size_t plain_run(const char* p, std::size_t n) {
  std::size_t i = 0;
#if defined(__SSE2__)
  const __m128i quote = _mm_set1_epi8('"');
  const __m128i backslash = _mm_set1_epi8('\\');
  const __m128i control = _mm_set1_epi8(0x1F);
  for (; n - i >= 16; i += 16) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i));
    // A byte is a control byte when the unsigned maximum of it and 0x1F is 0x1F.
    const __m128i stop = _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(v, quote), _mm_cmpeq_epi8(v, backslash)),
                                      _mm_cmpeq_epi8(_mm_max_epu8(v, control), control));
    if (const unsigned m = static_cast<unsigned>(_mm_movemask_epi8(stop))) {
      return i + static_cast<std::size_t>(std::countr_zero(m));
    }
  }
#endif
  for (; n - i >= 8; i += 8) {
    if (const std::uint64_t stop = escape_mask(load8(p + i))) return i + first_marked(stop);
  }
  for (; i < n; ++i) {
    const unsigned char c = static_cast<unsigned char>(p[i]);
    if (c < 0x20 || c == '"' || c == '\\') break;
  }
  return i;
}

}  // namespace varn::json
