// libFuzzer target: render() of a parsed document parses back to the same
// tree, but for the fields left out on purpose, and renders to the same text
// again (see core/src/render/tests/properties.hpp).
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string_view>

#include "render/tests/properties.hpp"
#include "utf8.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string_view source(reinterpret_cast<const char*>(data), size);
  if (!varn::fuzz::valid_utf8(source)) return -1;  // Python only hands in valid UTF-8
  const std::string failure = varn::render::testing::check_render_properties(source);
  if (!failure.empty()) {
    std::fprintf(stderr, "%s\n", failure.c_str());
    std::abort();
  }
  return 0;
}
