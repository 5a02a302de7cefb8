// The lattice constructs. Their readers take only lines indented four columns
// deeper than the head line, so every sub-line and child sits two depths in.
#include <algorithm>

#include "format/format.hpp"
#include "parse/handlers.hpp"
#include "parse/lattice.hpp"
#include "parse/text.hpp"
#include "text/unicode.hpp"

namespace varn::format {
namespace {

void write_key(Out& out, std::size_t depth, std::string_view key, std::string_view value) {
  write_pair(out, depth, key, value);
}


// The value of the last prose child with `key` (the key trimmed), as a
// lattice heading reads its settings.
std::optional<std::string> heading_setting(const Nodes& children, std::string_view key) {
  std::optional<std::string> value;
  for (const Node& child : children) {
    const auto line = parse::key_line(child);
    if (!line) continue;
    if (auto kv = parse::split_key_value(*line); kv && kv->first == key) value = std::move(kv->second);
  }
  return value;
}

}  // namespace


namespace {

bool is_schema_line(const Node& node) {
  const Prose* prose = node.get_if<Prose>();
  return prose && prose->text.starts_with("schema:");
}

}  // namespace

void write(Out& out, const LatticeValidatesDef& lattice, std::size_t depth) {
  out.line(depth, "lattice_validates:");
  const std::size_t d = depth + 2;
  // A "schema:" child stays a child only before the first artifact line.
  const bool children_first = std::any_of(lattice.children.begin(), lattice.children.end(), is_schema_line);
  if (children_first) format_children(out, lattice.children, d);
  for (const LatticeArtifactRef& artifact : lattice.artifacts) {
    write_key(out, d, artifact_key(artifact.artifact), artifact.artifact);
    if (artifact.schema) write_key(out, d + 1, "schema", *artifact.schema);
    for (const LatticeCheck& check : artifact.checks) {
      std::string& s = out.open(d + 1);
      s.append("check: ");
      s.append(check.field);
      s.append(" required: ");
      s.append(check.required ? "true" : "false");
      if (check.min_items) {
        s.append(" min_items: ");
        s.append(std::to_string(*check.min_items));
      }
      out.close();
    }
  }
  if (!children_first) format_children(out, lattice.children, d);
}

void write(Out& out, const LatticeConstraintDef& lattice, std::size_t depth) {
  std::string applies_to;
  append_joined(applies_to, lattice.applies_to, ", ");
  // A rule or target list that a key line cannot hold is read back from the
  // children of a "Constraint" heading, where the line that holds it stays
  // a child too.
  if (!lattice.constraint_type &&
      (!reads_as_key_line("rule", lattice.rule) || !reads_as_key_line("applies_to", applies_to)) &&
      heading_setting(lattice.children, "rule").value_or("") == lattice.rule &&
      parse::collect_trimmed_strings(heading_setting(lattice.children, "applies_to").value_or(""), ",") ==
          lattice.applies_to) {
    out.line(depth, "## Constraint");
    format_children(out, lattice.children, depth + 1);
    return;
  }
  std::string& s = out.open(depth);
  s.append("lattice_constraint:");
  if (lattice.constraint_type && !lattice.constraint_type->empty()) {
    s.push_back(' ');
    s.append(*lattice.constraint_type);
  }
  out.close();
  const std::size_t d = depth + 2;
  write_key(out, d, "rule", lattice.rule);
  if (!lattice.applies_to.empty()) write_key(out, d, "applies_to", applies_to);
  format_children(out, lattice.children, d);
}

void write(Out& out, const LatticeSchemaDef& lattice, std::size_t depth) {
  out.line(depth, "lattice_schema:");
  const std::size_t d = depth + 2;
  for (const LatticeSchemaField& field : lattice.fields) {
    write_key(out, d, "name", field.name);
    write_key(out, d + 1, "type", field.field_type);
    if (field.required) out.line(d + 1, "required: true");
  }
  format_children(out, lattice.children, d);
}

void write(Out& out, const LatticeFrontierDef& lattice, std::size_t depth) {
  out.line(depth, "lattice_frontier:");
  const std::size_t d = depth + 2;
  if (lattice.expected_schema) write_key(out, d, "expected_schema", *lattice.expected_schema);
  for (const std::string& field : lattice.missing_fields) write_key(out, d, "missing_field", field);
  for (const std::string& strategy : lattice.exploration_strategy) write_key(out, d, "strategy", strategy);
  format_children(out, lattice.children, d);
}

void write(Out& out, const PressureEffectDef& lattice, std::size_t depth) {
  // Under a "Pressure Effect" heading the keys may stand apart from their
  // colons, which keeps a value such as "=x" from reading as an assignment.
  if (!reads_as_key_line("dynamic", lattice.dynamic) ||
      (lattice.target && !reads_as_key_line("target", *lattice.target))) {
    out.line(depth, "## Pressure Effect");
    out.line(depth + 1, "dynamic : " + lattice.dynamic);
    if (lattice.target) out.line(depth + 1, "target : " + *lattice.target);
    return;
  }
  out.line(depth, "pressure_effect:");
  write_key(out, depth + 2, "dynamic", lattice.dynamic);
  if (lattice.target) write_key(out, depth + 2, "target", *lattice.target);
}

void write(Out& out, const UnitCellDef& lattice, std::size_t depth) {
  out.line(depth, "unit_cell:");
  format_children(out, lattice.children, depth + 2);
}

void write(Out& out, const SymmetryDef& lattice, std::size_t depth) {
  out.line(depth, "symmetry:");
  format_children(out, lattice.children, depth + 2);
}

}  // namespace varn::format
