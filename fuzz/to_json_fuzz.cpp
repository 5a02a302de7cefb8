// libFuzzer target: to_json() on arbitrary source text, which takes the tree
// member by member as the parse hands it on, gives the summary of the whole
// tree.
#include <cstdlib>

#include "convert/convert.hpp"
#include "fuzz_common.hpp"
#include "varn/parse.hpp"

namespace {

varn::ops::TextResult to_json(std::string_view source) {
  auto text = varn::ops::to_json(source);
  auto doc = varn::parse_source(source);
  if (text.ok() != doc.ok()) std::abort();
  if (text.ok() && varn::convert::document_to_json(doc.value()).value() != text.value()) std::abort();
  return text;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  return varn::fuzz::run(to_json, data, size);
}
