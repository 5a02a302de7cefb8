// libFuzzer target: parse() on arbitrary text, as the module calls it: the
// text is handed on in pieces, and each must be valid UTF-8 on its own, since
// the module decodes them one after another.
#include "fuzz_common.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  if (!varn::fuzz::valid_utf8(input)) return -1;
  bool pieces_valid = true;
  const auto error = varn::ops::parse_to(input, [&](std::string_view piece) {
    pieces_valid = pieces_valid && varn::fuzz::valid_utf8(piece);
  });
  if (error ? !varn::fuzz::valid_utf8(*error) : !pieces_valid) std::abort();
  return 0;
}
