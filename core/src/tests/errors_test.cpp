#include <gtest/gtest.h>

#include "varn/errors.hpp"

namespace varn {
namespace {

TEST(Errors, DisplayTexts) {
  ParseError missing{"E_SYNC_MISSING_NAME", "parse_error", "sync: declaration on line 7 has no name", std::nullopt, 7};
  EXPECT_EQ(display(missing), "parse_error: sync: declaration on line 7 has no name");
  ParseError invalid{"E_SYNC_INVALID_CLASS", "parse_error",
                     "Invalid sync class 'weekly' in sync declaration 'orders'; expected canon, ops, or data",
                     "orders", 0};
  EXPECT_EQ(display(invalid),
            "parse_error: Invalid sync class 'weekly' in sync declaration 'orders'; expected canon, ops, or data");

  EXPECT_EQ(display(ConvertError{ConvertError::Variant::Json, "x: y at line 1 column 2"}),
            "JSON conversion error: x: y at line 1 column 2");
  EXPECT_EQ(display(ConvertError{ConvertError::Variant::Markdown, "m"}), "Markdown conversion error: m");
  EXPECT_EQ(display(ConvertError{ConvertError::Variant::Serialization, ""}), "Serialization error: ");

  EXPECT_EQ(display(JsonError{"expected value", 3, 14}), "expected value at line 3 column 14");
}

}  // namespace
}  // namespace varn
