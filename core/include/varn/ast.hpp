#pragma once
// The JSON AST: the text form of a Document that `parse` returns.
#include <string>

#include "varn/model.hpp"

namespace varn {

// Writes the whole document as pretty JSON text (no final line feed).
std::string serialize_document(const Document& doc);

}  // namespace varn
