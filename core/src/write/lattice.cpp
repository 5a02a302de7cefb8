#include "write/lattice.hpp"

#include <algorithm>

#include "parse/lattice.hpp"
#include "parse/text.hpp"
#include "text/unicode.hpp"
#include "write/sink.hpp"
#include "write/values.hpp"

namespace varn::write {
std::optional<std::string> heading_setting(const Nodes& members, std::string_view key) {
  std::optional<std::string> value;
  for (const Node& member : members) {
    const auto line = parse::key_line(member);
    if (!line) continue;
    if (auto kv = parse::split_key_value(*line); kv && kv->first == key) value = std::move(kv->second);
  }
  return value;
}

std::string applies_to_text(const Strings& applies_to) {
  std::string s;
  if (!applies_to.empty() && applies_to.front().starts_with('=')) s.append(", ");
  append_joined(s, applies_to, ", ");
  return s;
}

bool constraint_line_form_holds(const LatticeConstraintDef& constraint) {
  const auto has_eq = [](std::string_view s) { return s.find('=') != std::string_view::npos; };
  // Without an '=', no key line is an assignment.
  if (!has_eq(constraint.rule) && std::none_of(constraint.applies_to.begin(), constraint.applies_to.end(), has_eq)) {
    return true;
  }
  return reads_as_key_line("rule", constraint.rule) &&
         reads_as_key_line("applies_to", applies_to_text(constraint.applies_to));
}

std::optional<HeadingLines> constraint_heading(const LatticeConstraintDef& constraint) {
  if (constraint_line_form_holds(constraint) || constraint.constraint_type) return std::nullopt;
  const std::string applies_to = applies_to_text(constraint.applies_to);
  HeadingLines lines;
  for (const auto& [key, value] : {std::pair{"rule", &constraint.rule}, std::pair{"applies_to", &applies_to}}) {
    const auto given = heading_setting(constraint.children, key);
    if (given && (value == &applies_to ? parse::collect_trimmed_strings(*given, ",") == constraint.applies_to
                                       : *given == *value)) {
      continue;
    }
    if (!given && value->empty()) continue;
    if (!reads_as_key_line(key, *value)) return std::nullopt;
    (given ? lines.after : lines.before).push_back(std::string(key) + ": " + *value);
  }
  return lines;
}

std::optional<std::vector<std::string>> pressure_effect_heading(const PressureEffectDef& effect) {
  if (reads_as_key_line("dynamic", effect.dynamic) && (!effect.target || reads_as_key_line("target", *effect.target))) {
    return std::nullopt;
  }
  std::vector<std::string> lines{"dynamic : " + effect.dynamic};
  if (effect.target) lines.push_back("target : " + *effect.target);
  return lines;
}

bool validates_members_first(const LatticeValidatesDef& validates) {
  return std::any_of(validates.children.begin(), validates.children.end(), [](const Node& member) {
    const auto line = parse::key_line(member);
    return line && line->starts_with("schema:");
  });
}

}  // namespace varn::write
