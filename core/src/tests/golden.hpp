#pragma once
// Expected texts kept in files beside the tests. With VARN_BLESS=1 in the
// environment a mismatch rewrites the file instead (review the diff after).
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace varn::testing {

inline std::string slurp(const std::filesystem::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

inline void expect_golden(const std::string& actual, const std::filesystem::path& expected_file) {
  if (std::getenv("VARN_BLESS") && slurp(expected_file) != actual) {
    std::ofstream(expected_file, std::ios::binary) << actual;
    return;
  }
  ASSERT_TRUE(std::filesystem::exists(expected_file)) << expected_file;
  const std::string expected = slurp(expected_file);
  if (actual == expected) return;
  // Show the first line that differs rather than two whole documents.
  std::istringstream a(actual), e(expected);
  std::string la, le;
  int line = 1;
  while (std::getline(a, la) && std::getline(e, le) && la == le) ++line;
  ADD_FAILURE() << expected_file.filename() << " differs at line " << line << "\n  expected: " << le
                << "\n  actual:   " << la;
}

}  // namespace varn::testing
