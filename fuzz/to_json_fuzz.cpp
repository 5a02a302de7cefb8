// libFuzzer target: to_json() on arbitrary source text.
#include "fuzz_common.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  return varn::fuzz::run([](std::string_view source) { return varn::ops::to_json(source); }, data, size);
}
