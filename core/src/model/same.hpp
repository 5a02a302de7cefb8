#pragma once
// Whether two values hold the same tree, field by field from the records'
// tables: what the JSON AST would show of them, so that a NaN equals a NaN
// (both are written null) and where a node's line starts does not count.
// A line's inline spans are read from its text, which is compared, so they
// are not: a tree read without its spans equals one read with them.
#include <cmath>
#include <optional>
#include <tuple>
#include <type_traits>
#include <utility>
#include <variant>
#include <vector>

#include "model/fields.hpp"
#include "varn/model.hpp"

namespace varn {

template <class T>
bool same(const T& a, const T& b);

namespace same_detail {

template <class T>
struct Shape {
  static constexpr int kind = 0;
};
template <class T>
struct Shape<std::optional<T>> {
  static constexpr int kind = 1;
};
template <class T>
struct Shape<std::vector<T>> {
  static constexpr int kind = 2;
};
template <class... T>
struct Shape<std::variant<T...>> {
  static constexpr int kind = 3;
};
template <class T>
struct Shape<Box<T>> {
  static constexpr int kind = 4;
};
template <class A, class B>
struct Shape<std::pair<A, B>> {
  static constexpr int kind = 5;
};

}  // namespace same_detail

template <class T>
bool same(const T& a, const T& b) {
  constexpr int shape = same_detail::Shape<T>::kind;
  if constexpr (std::is_same_v<T, Node>) {
    return same(a.value, b.value);
  } else if constexpr (std::is_same_v<T, Inlines>) {
    return true;
  } else if constexpr (std::is_floating_point_v<T>) {
    return a == b ? std::signbit(a) == std::signbit(b) : std::isnan(a) && std::isnan(b);
  } else if constexpr (HasFields<T>) {
    return std::apply([&](const auto&... f) { return (same(a.*(f.member), b.*(f.member)) && ...); },
                      Fields<T>::table.fields);
  } else if constexpr (shape == 1) {
    return a.has_value() == b.has_value() && (!a || same(*a, *b));
  } else if constexpr (shape == 2) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
      if (!same(a[i], b[i])) return false;
    }
    return true;
  } else if constexpr (shape == 3) {
    return a.index() == b.index() && std::visit(
                                         [&](const auto& x) {
                                           using X = std::decay_t<decltype(x)>;
                                           return same(x, std::get<X>(b));
                                         },
                                         a);
  } else if constexpr (shape == 4) {
    return same(*a, *b);
  } else if constexpr (shape == 5) {
    return same(a.first, b.first) && same(a.second, b.second);
  } else if constexpr (std::is_empty_v<T>) {
    return true;
  } else if constexpr (requires { a.value; }) {  // the typed field values
    return same(a.value, b.value);
  } else if constexpr (requires { a.count; }) {  // a subtask's dashes
    return a.count == b.count;
  } else {
    return a == b;
  }
}

}  // namespace varn
