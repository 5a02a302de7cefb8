#pragma once
// What both writers decide alike for the lattice nodes: which form holds a
// node's settings. A line form ("lattice_constraint:" …) takes a setting
// only from a line that starts with "key:", which a value beginning with
// '=' makes an assignment. A "Constraint" or "Pressure Effect" heading reads
// its settings from its members' lines split at their first ':', so
// "key : =x" says such a value there; under "Constraint" that line stays a
// member too, and only a "key:" line is the heading's own.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "varn/model.hpp"

namespace varn::write {

// The value that a lattice heading reads for `key` from its members' lines:
// that of the last prose line whose text splits at its first ':' into that
// key; none when no line gives it.
std::optional<std::string> heading_setting(const Nodes& members, std::string_view key);

// A constraint's targets as its "applies_to:" line writes them: joined by
// ", ", after an empty piece (which the reader drops) where the first begins
// with '=' and would make the line an assignment.
std::string applies_to_text(const Strings& applies_to);

// True when the "lattice_constraint:" form holds the rule and the targets.
bool constraint_line_form_holds(const LatticeConstraintDef& constraint);

// A lattice heading's own lines, around its members.
struct HeadingLines {
  std::vector<std::string> before;
  std::vector<std::string> after;
};

// The "Constraint" heading that holds the rule and the targets where the
// "lattice_constraint:" form cannot: each setting that no member's line
// gives as it is in a "key: value" line before the members, and after them
// where a member's line gives it otherwise (the last line wins). None where
// the line form holds them, or the heading cannot (a type, which only the
// line form says, or a value that no "key:" line says and no member gives).
std::optional<HeadingLines> constraint_heading(const LatticeConstraintDef& constraint);

// The lines under a "Pressure Effect" heading ("dynamic : value", then
// "target : value" when there is one) where the "pressure_effect:" form
// cannot hold the settings; none where it can.
std::optional<std::vector<std::string>> pressure_effect_heading(const PressureEffectDef& effect);

// True when a validation's members go before its artifact lines: a "schema:"
// line among them, after an artifact, would describe that artifact.
bool validates_members_first(const LatticeValidatesDef& validates);

}  // namespace varn::write
