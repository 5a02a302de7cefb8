#pragma once
// Source text to the document tree.
#include <string_view>

#include "varn/errors.hpp"
#include "varn/model.hpp"
#include "varn/result.hpp"

namespace varn {

// Parses one source text. Every text gives a Document or the first ParseError.
Result<Document, ParseError> parse_source(std::string_view source);

}  // namespace varn
