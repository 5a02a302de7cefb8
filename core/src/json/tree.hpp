#pragma once
// A JSON value built in memory, for output whose objects are generic: keys
// are kept once and in sorted byte order, so the written text shows them
// sorted whatever the order of insertion.
#include <cstdint>
#include <map>
#include <string>
#include <variant>
#include <vector>

#include "json/writer.hpp"

namespace varn::json {

struct Tree;
using TreeArray = std::vector<Tree>;
using TreeObject = std::map<std::string, Tree, std::less<>>;

struct Tree {
  std::variant<std::nullptr_t, bool, int64_t, double, std::string, TreeArray, TreeObject> value;
};

// Writes the tree as one value (pretty, as the writer lays it out).
void write_tree(Writer& w, const Tree& t);

}  // namespace varn::json
