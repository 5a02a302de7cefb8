// libFuzzer target: from_markdown() on arbitrary text; its text parses.
#include "fuzz_common.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  return varn::fuzz::run(varn::ops::from_markdown, data, size, true);
}
