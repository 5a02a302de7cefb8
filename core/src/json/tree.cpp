#include "json/tree.hpp"

namespace varn::json {

void write_tree(Writer& w, const Tree& t) {
  std::visit(
      [&](const auto& v) {
        using T = std::decay_t<decltype(v)>;
        if constexpr (std::is_same_v<T, std::nullptr_t>) {
          w.null();
        } else if constexpr (std::is_same_v<T, bool>) {
          w.boolean(v);
        } else if constexpr (std::is_same_v<T, int64_t>) {
          w.integer(v);
        } else if constexpr (std::is_same_v<T, double>) {
          w.number(v);
        } else if constexpr (std::is_same_v<T, std::string>) {
          w.string(v);
        } else if constexpr (std::is_same_v<T, TreeArray>) {
          w.begin_array();
          for (const Tree& item : v) write_tree(w, item);
          w.end_array();
        } else {
          w.begin_object();
          for (const auto& [key, item] : v) {
            w.key(key);
            write_tree(w, item);
          }
          w.end_object();
        }
      },
      t.value);
}

}  // namespace varn::json
