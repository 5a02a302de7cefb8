// libFuzzer target: fmt() on arbitrary text keeps the document's tree and is
// idempotent (see core/src/format/tests/properties.hpp).
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string_view>

#include "format/tests/properties.hpp"
#include "utf8.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string_view source(reinterpret_cast<const char*>(data), size);
  if (!varn::fuzz::valid_utf8(source)) return -1;  // Python only hands in valid UTF-8
  const std::string failure = varn::format::testing::check_fmt_properties(source);
  if (!failure.empty()) {
    std::fprintf(stderr, "%s\n", failure.c_str());
    std::abort();
  }
  return 0;
}
