#pragma once
// Where two long texts first differ, for the messages of property tests.
#include <algorithm>
#include <string>
#include <string_view>

namespace varn::testing {

// Where two texts first differ: the line of each, after a few lines of the
// context they share.
inline std::string first_difference(std::string_view a, std::string_view b) {
  std::size_t i = 0;
  while (i < a.size() && i < b.size() && a[i] == b[i]) ++i;
  std::size_t start = i;
  for (int lines = 0; start > 0 && lines < 4; --start) lines += a[start - 1] == '\n';
  auto upto_line_end = [](std::string_view s, std::size_t from, std::size_t at) {
    return std::string(s.substr(from, s.find('\n', std::min(at, s.size())) - from));
  };
  return "\n--- before:\n" + upto_line_end(a, start, i) + "\n--- after:\n" + upto_line_end(b, start, i);
}

}  // namespace varn::testing
