#pragma once
// The error records of the core. They leave the core only as display text.
#include <cstddef>
#include <optional>
#include <string>

namespace varn {

struct ParseError {
  std::string code;  // "E_SYNC_MISSING_NAME" or "E_SYNC_INVALID_CLASS"
  std::string kind = "parse_error";
  std::string message;
  std::optional<std::string> detail;  // the declaration's name, for an invalid class
  std::size_t line = 0;               // counted from 1; 0 when not tied to a line
};

struct ConvertError {
  enum class Variant { Json, Markdown, Serialization };
  Variant variant = Variant::Json;
  std::string message;
};

// A failure of the JSON text reader or writer, with its position when it has one.
struct JsonError {
  std::string message;
  std::size_t line = 0;
  std::size_t column = 0;
};

std::string display(const ParseError& e);
std::string display(const ConvertError& e);
std::string display(const JsonError& e);

}  // namespace varn
