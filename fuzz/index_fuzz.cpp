// libFuzzer target: build_index() on arbitrary source text. Its text must be
// valid UTF-8 and exactly as long as it was measured before it was written.
#include <cstdlib>
#include <string>
#include <variant>

#include "fuzz_common.hpp"
#include "index/index.hpp"
#include "varn/parse.hpp"

namespace {

varn::ops::TextResult build_index(std::string_view source) {
  auto text = varn::ops::build_index(source);
  if (!text) {
    // A parse error; an index of an input this small always fits.
    if (const auto* e = std::get_if<std::string>(&text.error())) return varn::err(*e);
    std::abort();
  }
  auto doc = varn::parse_source(source);
  if (!doc.ok()) std::abort();
  if (varn::index::index_text_size(varn::index::build_document_index(doc.value())) != text.value().size()) std::abort();
  return std::move(text).value();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  return varn::fuzz::run(build_index, data, size);
}
