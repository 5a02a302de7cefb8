#pragma once
// Reading one written line back with the parser's own dispatcher: whether a
// writer's line says what it was written from.
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

// True when `line`, parsed alone, gives exactly this node.
bool rereads_as(std::string_view line, const Webhook& webhook);
bool rereads_as(std::string_view line, const ModInvoke& invoke);
bool rereads_as(std::string_view line, const Define& define);

}  // namespace varn::write
