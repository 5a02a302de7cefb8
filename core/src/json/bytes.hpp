#pragma once
// Eight bytes of a JSON string tested at once, for the writer's escaping and
// the reader's strings and white space alike.
#include <bit>
#include <cstdint>
#include <cstring>

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

}  // namespace varn::json
