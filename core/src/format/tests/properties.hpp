#pragma once
// The two properties of `fmt`, shared by the corpus test and the fuzz target:
// formatting keeps the tree (parse(fmt(x)) == parse(x)) and is idempotent
// (fmt(fmt(x)) == fmt(x)); and the streamed `fmt` writes the whole tree's text.
//
// The one difference allowed is the one the layout means to make: trailing
// whitespace of a code block's content lines is removed with every other
// line's.
#include <string>
#include <string_view>

#include "format/format.hpp"
#include "tests/compare.hpp"
#include "text/unicode.hpp"
#include "varn/ast.hpp"
#include "varn/operations.hpp"
#include "varn/parse.hpp"

namespace varn::format::testing {

using varn::testing::first_difference;

inline void trim_code_lines(Nodes& nodes);

inline void trim_code_lines(Node& node) {
  node.visit([](auto& v) {
    using T = std::decay_t<decltype(v)>;
    if constexpr (std::is_same_v<T, CodeBlock>) {
      std::string out;
      std::string_view rest = v.content;
      while (true) {
        const std::size_t nl = rest.find('\n');
        out.append(text::trim_end(rest.substr(0, nl)));
        if (nl == std::string_view::npos) break;
        out.push_back('\n');
        rest.remove_prefix(nl + 1);
      }
      v.content = std::move(out);
    } else if constexpr (std::is_same_v<T, Task>) {
      trim_code_lines(v.children);
      if (v.on_pass) trim_code_lines(*v.on_pass);
      if (v.on_fail) trim_code_lines(*v.on_fail);
      if (v.match_arms) {
        for (MatchArm& arm : *v.match_arms) trim_code_lines(arm.children);
      }
    } else if constexpr (requires { v.children; }) {
      trim_code_lines(v.children);
    }
  });
}

inline void trim_code_lines(Nodes& nodes) {
  for (Node& node : nodes) trim_code_lines(node);
}

// Empty when both properties hold for `source` (or it does not parse), and
// `fmt`, which takes the tree member by member without inline spans, writes
// what the whole tree gives; otherwise what went wrong, with the texts
// involved.
inline std::string check_fmt_properties(std::string_view source) {
  auto doc = parse_source(source);
  if (!doc) return {};
  const std::string formatted = format_document(doc.value(), source);
  const auto streamed = ops::fmt(source);
  if (!streamed.ok() || streamed.value() != formatted) {
    return "fmt differs from the whole tree's text" +
           first_difference(formatted, streamed.ok() ? streamed.value() : streamed.error());
  }
  auto again = parse_source(formatted);
  if (!again) return "formatted text does not parse:\n" + formatted;
  trim_code_lines(doc.value().nodes);
  const std::string before = serialize_document(doc.value());
  const std::string after = serialize_document(again.value());
  if (before != after) {
    return "tree changed" + first_difference(before, after) + "\n--- formatted:\n" + formatted;
  }
  const std::string twice = format_document(again.value(), formatted);
  if (twice != formatted) return "not idempotent" + first_difference(formatted, twice);
  return {};
}

}  // namespace varn::format::testing
