// libFuzzer target: render() and the JSON AST reader on arbitrary text.
//
// Every input gives a document or an error with its place; what render()
// returns must be valid UTF-8. A document that reads is written back as JSON,
// and that text must read again to the same document.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "utf8.hpp"
#include "varn/ast.hpp"
#include "varn/operations.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string_view json(reinterpret_cast<const char*>(data), size);
  if (!varn::fuzz::valid_utf8(json)) return -1;  // Python never hands such text over

  auto rendered = varn::ops::render(json);
  if (!varn::fuzz::valid_utf8(rendered.ok() ? rendered.value() : rendered.error())) std::abort();

  auto doc = varn::deserialize_document(json);
  if (!doc) {
    if (doc.error().line == 0) std::abort();  // every error carries its place
    return 0;
  }
  const std::string written = varn::serialize_document(doc.value());
  auto again = varn::deserialize_document(written);
  if (!again || varn::serialize_document(again.value()) != written) std::abort();
  return 0;
}
