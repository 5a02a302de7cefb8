// The lattice constructs. Their readers take only lines indented four columns
// deeper than the head line, so every sub-line and child sits two depths in.
#include "format/format.hpp"
#include "write/lattice.hpp"

namespace varn::format {
namespace {

void write_key(Out& out, std::size_t depth, std::string_view key, std::string_view value) {
  write_pair(out, depth, key, value);
}

// A heading with its own lines and its members, one depth deeper.
void write_heading(Out& out, std::size_t depth, std::string_view heading, const HeadingLines& lines,
                   const Nodes& members) {
  out.line(depth, heading);
  for (const std::string& line : lines.before) out.line(depth + 1, line);
  format_children(out, members, depth + 1);
  for (const std::string& line : lines.after) out.line(depth + 1, line);
}

}  // namespace

void write(Out& out, const LatticeValidatesDef& lattice, std::size_t depth) {
  out.line(depth, "lattice_validates:");
  const std::size_t d = depth + 2;
  const bool children_first = validates_members_first(lattice);
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
  // A rule or target list that a key line cannot hold is read from the
  // lines of a "Constraint" heading.
  if (const auto heading = constraint_heading(lattice)) {
    return write_heading(out, depth, "## Constraint", *heading, lattice.children);
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
  if (!lattice.applies_to.empty()) write_key(out, d, "applies_to", applies_to_text(lattice.applies_to));
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
  if (auto lines = pressure_effect_heading(lattice)) {
    return write_heading(out, depth, "## Pressure Effect", {std::move(*lines), {}}, {});
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
