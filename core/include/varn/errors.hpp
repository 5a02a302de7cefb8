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

// An output that would take more memory than the process can get: refused
// before any of it is written.
struct SizeError {
  std::size_t needed = 0;     // bytes of the output
  std::size_t available = 0;  // bytes the process can get
};

std::string display(const ParseError& e);
std::string display(const ConvertError& e);
std::string display(const JsonError& e);
std::string display(const SizeError& e);

}  // namespace varn
