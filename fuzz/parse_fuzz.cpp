// libFuzzer target: parse() on arbitrary text, as the module calls it: the
// text comes in pieces, and each must be valid UTF-8 on its own, since the
// module decodes them one after another.
#include "fuzz_common.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  if (!varn::fuzz::valid_utf8(input)) return -1;
  const auto result = varn::ops::parse_chunks(input);
  if (!result.ok()) {
    if (!varn::fuzz::valid_utf8(result.error())) std::abort();
    return 0;
  }
  for (const varn::TextChunk& piece : result.value()) {
    if (!varn::fuzz::valid_utf8(piece.view())) std::abort();
  }
  return 0;
}
