// libFuzzer target: parse() on arbitrary text.
//
// Python only ever hands the core valid UTF-8, so other inputs are skipped.
// Whatever parse() returns, the JSON or the error message, becomes a Python
// str and so must be valid UTF-8 itself.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "utf8.hpp"
#include "varn/operations.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string_view source(reinterpret_cast<const char*>(data), size);
  if (!varn::fuzz::valid_utf8(source)) return -1;  // keep such inputs out of the corpus

  auto result = varn::ops::parse(source);
  const auto& text = result.ok() ? result.value() : result.error();
  if (!varn::fuzz::valid_utf8(text)) std::abort();
  return 0;
}
