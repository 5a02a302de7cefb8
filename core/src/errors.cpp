#include "varn/errors.hpp"

namespace varn {

std::string display(const ParseError& e) { return e.kind + ": " + e.message; }

std::string display(const ConvertError& e) {
  switch (e.variant) {
    case ConvertError::Variant::Json: return "JSON conversion error: " + e.message;
    case ConvertError::Variant::Markdown: return "Markdown conversion error: " + e.message;
    case ConvertError::Variant::Serialization: return "Serialization error: " + e.message;
  }
  return e.message;
}

std::string display(const JsonError& e) {
  if (e.line == 0) return e.message;
  return e.message + " at line " + std::to_string(e.line) + " column " + std::to_string(e.column);
}

std::string display(const SizeError& e) {
  return "the result would take " + std::to_string(e.needed) + " bytes, more than the " + std::to_string(e.available) +
         " bytes this process can get";
}

}  // namespace varn
