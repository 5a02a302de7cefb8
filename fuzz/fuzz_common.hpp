#pragma once
// What every fuzz target checks: inputs as Python can give them (valid UTF-8
// only), and results that Python can take (a str, so valid UTF-8 too); for
// a conversion, a text that parses.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "utf8.hpp"
#include "varn/operations.hpp"
#include "varn/parse.hpp"

namespace varn::fuzz {

// Runs one operation on `data`; aborts when its result or error is not valid
// UTF-8, or, with `parses`, when the parser refuses its result. Returns -1
// for inputs that Python could never pass, to keep them out of the corpus.
inline int run(varn::ops::TextResult (*op)(std::string_view), const std::uint8_t* data, std::size_t size,
               bool parses = false) {
  std::string_view input(reinterpret_cast<const char*>(data), size);
  if (!valid_utf8(input)) return -1;
  auto result = op(input);
  const auto& text = result.ok() ? result.value() : result.error();
  if (!valid_utf8(text)) std::abort();
  if (parses && result.ok() && varn::parse_each(text, [](varn::Node&&) {})) std::abort();
  return 0;
}

}  // namespace varn::fuzz
