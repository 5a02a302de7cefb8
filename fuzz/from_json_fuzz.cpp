// libFuzzer target: from_json() on arbitrary text; its text parses.
#include "fuzz_common.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  return varn::fuzz::run(varn::ops::from_json, data, size, true);
}
