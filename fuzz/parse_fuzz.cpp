// libFuzzer target: parse() on arbitrary text, as the module calls it: the
// text is handed on in pieces, and each must be valid UTF-8 on its own, since
// the module decodes them one after another. Written member by member as the
// parse hands the tree on, it is the text of the whole tree.
#include "fuzz_common.hpp"
#include "varn/ast.hpp"
#include "varn/parse.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  if (!varn::fuzz::valid_utf8(input)) return -1;
  bool pieces_valid = true;
  std::string text;
  const auto error = varn::ops::parse_to(input, [&](std::string_view piece) {
    pieces_valid = pieces_valid && varn::fuzz::valid_utf8(piece);
    text.append(piece);
  });
  if (error ? !varn::fuzz::valid_utf8(*error) : !pieces_valid) std::abort();
  const auto doc = varn::parse_source(input);
  if (doc.ok() == error.has_value() || (doc.ok() && varn::serialize_document(doc.value()) != text)) std::abort();
  return 0;
}
