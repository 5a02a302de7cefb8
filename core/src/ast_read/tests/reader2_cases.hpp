#pragma once
// Table-driven cases for node records: one node as JSON text, read inside a
// document and written back, or the exact error that the reading gives.
#include <gtest/gtest.h>

#include <string>
#include <string_view>

#include "varn/ast.hpp"
#include "varn/errors.hpp"

namespace varn::testing {

struct ReadCase {
  std::string_view input;    // one node
  std::string_view written;  // the node as the writer gives it back, compact; empty: the input itself
};

struct FailCase {
  std::string_view input;    // one node
  std::string_view message;  // the error without its position
};

// The node stands alone on the second line, so an error found in its
// buffered value is placed just after the "]" that closes `nodes`.
inline std::string document_of(std::string_view node) {
  return "{\"nodes\": [\n" + std::string(node) + "\n]}";
}

// The writer's pretty text without the white space between tokens.
inline std::string compact(std::string_view json) {
  std::string out;
  bool in_string = false;
  for (size_t i = 0; i < json.size(); ++i) {
    char c = json[i];
    if (in_string) {
      out += c;
      if (c == '\\' && i + 1 < json.size()) {
        out += json[++i];
      } else if (c == '"') {
        in_string = false;
      }
    } else if (c == '"') {
      in_string = true;
      out += c;
    } else if (c != ' ' && c != '\n' && c != '\t' && c != '\r') {
      out += c;
    }
  }
  return out;
}

inline void expect_reads(const ReadCase& c) {
  SCOPED_TRACE(std::string(c.input));
  auto doc = deserialize_document(document_of(c.input));
  ASSERT_TRUE(doc.ok()) << display(doc.error());
  std::string_view want = c.written.empty() ? c.input : c.written;
  EXPECT_EQ(compact(serialize_document(doc.value())), "{\"nodes\":[" + std::string(want) + "]}");
}

inline void expect_fails(const FailCase& c) {
  SCOPED_TRACE(std::string(c.input));
  auto doc = deserialize_document(document_of(c.input));
  ASSERT_FALSE(doc.ok());
  EXPECT_EQ(display(doc.error()), std::string(c.message) + " at line 3 column 1");
}

}  // namespace varn::testing
