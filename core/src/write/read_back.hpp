#pragma once
// Reading one written line back with the parser's own dispatcher, for the
// few one-line kinds whose spelling the writer chooses among several.
#include <functional>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "parse/parser.hpp"
#include "varn/model.hpp"

namespace varn::write {

// `line` parsed alone, with no line below it.
std::optional<Node> read_alone(std::string_view line);

// True when `line`, parsed alone, gives a T for which `same(const T&)` holds.
template <class T, class Same>
bool reads_back_as(std::string_view line, Same same) {
  const std::optional<Node> node = read_alone(line);
  const T* t = node ? node->get_if<T>() : nullptr;
  return t && same(*t);
}

// The first of `candidates` that reads back so; else the first candidate.
template <class T, class Same>
std::string first_reading_back(std::initializer_list<std::string> candidates, Same same) {
  for (const std::string& c : candidates) {
    if (reads_back_as<T>(c, same)) return c;
  }
  return *candidates.begin();
}

// A conditional's head line: the condition between bars, or bare where the
// bars would close early on a bar inside it and leave a "//" to the comment
// cut (the bare form reads back as a condition that is not live).
std::string condition_line(const Compute& condition);

// True when `line`, parsed alone, gives exactly this node.
bool rereads_as(std::string_view line, const Webhook& webhook);
bool rereads_as(std::string_view line, const ModInvoke& invoke);
bool rereads_as(std::string_view line, const Define& define);

// An invocation line (without indent): "$name.method(args)", or the "mod:"
// form when only that one reads back (an invocation read from a "mod:" line
// keeps its arguments as its name, which the "$" form cannot always say).
std::string mod_invoke_line(const ModInvoke& invoke);

}  // namespace varn::write
