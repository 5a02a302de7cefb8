// Variable assignments: a name without spaces, a single '=', and a value that
// is a literal, a computed expression between bars, or a reference.
#include "parse/handlers.hpp"
#include "parse/inline.hpp"
#include "parse/text.hpp"
#include "text/unicode.hpp"

namespace varn::parse {

bool is_variable_line(std::string_view c) {
  static constexpr std::string_view kRefused[] = {
      "//",       "**",      "? ",      "if ",      "use ",     "mod:",     "git:",      "flow:",
      "form:",    "snap:",   "diff:",   "gate:",    "query:",   "files:",   "check:",    "define:",
      "mutate:",  "states:", "status:", "delete:",  "recall:",  "policy:",  "validate",  "history:",
      "routine:", "webhook:", "remember:", "escalate:",
  };
  // Most lines hold no '=': that test goes first.
  std::size_t eq = c.find('=');
  if (eq == std::string_view::npos || eq == 0) return false;
  if (std::string_view("#+-[$@^").find(c.front()) != std::string_view::npos) return false;
  for (std::string_view r : kRefused) {
    if (c.starts_with(r)) return false;
  }
  if (std::string_view("!<>~").find(c[eq - 1]) != std::string_view::npos) return false;
  if (eq + 1 < c.size() && c[eq + 1] == '=') return false;
  std::string_view name = text::trim(c.substr(0, eq));
  return name.find(' ') == std::string_view::npos;
}

VariableValue read_variable_value(std::string_view value) {
  if (value.empty()) return std::string();
  if (auto live = between_marks(value, "||")) return Compute{std::string(*live), true};
  if (value.starts_with('@')) {
    // Only a reference that takes the whole value is one; a value such as
    // "@task(s) where open" would otherwise lose its tail.
    auto [ref, used] = parse_ref(value);
    if (used == value.size()) return std::move(ref);
    return std::string(value);
  }
  if (auto plain = between_marks(value, "|")) return Compute{std::string(*plain), false};
  return std::string(value);
}

std::optional<Node> build_variable(Parser& p, std::size_t, const Line& line) {
  ++p.pos;
  // The rule has checked the line: there is an '=' and the name has no space.
  const std::size_t eq = line.content.find('=');
  return Variable{std::string(text::trim(line.content.substr(0, eq))),
                  read_variable_value(text::trim(line.content.substr(eq + 1)))};
}

}  // namespace varn::parse
