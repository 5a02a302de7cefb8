// Lattice kinds: key lines four spaces deeper than the header, then children;
// a "Constraint" or "Pressure Effect" heading where the line form cannot
// hold a setting.
#include "render/writers.hpp"
#include "write/lattice.hpp"

namespace varn::render {

namespace {

// A heading with its own lines and its members, one depth deeper (after a
// blank line, as under every heading).
void heading_form(LineSink& out, std::size_t depth, std::string_view heading, const write::HeadingLines& lines,
                  const Nodes& members) {
  out.line(depth, heading);
  out.blank();
  for (const std::string& line : lines.before) out.line(depth + 1, line);
  render_nodes(members, depth + 1, out);
  for (const std::string& line : lines.after) out.line(depth + 1, line);
}

}  // namespace

void write(const LatticeValidatesDef& l, std::size_t depth, LineSink& out) {
  out.line(depth, "lattice_validates:");
  const bool children_first = write::validates_members_first(l);
  if (children_first) render_nodes(l.children, depth + 1, out);
  for (const LatticeArtifactRef& a : l.artifacts) {
    emit(out, depth, "    ", write::artifact_key(a.artifact), ": ", a.artifact);
    sub_line(out, depth, "    schema: ", a.schema);
    for (const LatticeCheck& c : a.checks) {
      sub_line(out, depth, "    field: ", c.field);
      if (c.required) out.line(depth, "    required: true");
      if (c.min_items) sub_line(out, depth, "    min_items: ", std::to_string(*c.min_items));
    }
  }
  if (!children_first) render_nodes(l.children, depth + 1, out);
}

void write(const LatticeConstraintDef& l, std::size_t depth, LineSink& out) {
  if (const auto heading = write::constraint_heading(l)) {
    return heading_form(out, depth, "## Constraint", *heading, l.children);
  }
  // The type is read from the header line only, and the targets from one
  // "applies_to:" line (a later one replaces an earlier).
  std::string& head = out.open(depth);
  head.append("lattice_constraint:");
  if (l.constraint_type) head.append(" ").append(*l.constraint_type);
  out.close();
  sub_line_unless_empty(out, depth, "    rule: ", l.rule);
  if (!l.applies_to.empty()) sub_line(out, depth, "    applies_to: ", write::applies_to_text(l.applies_to));
  render_nodes(l.children, depth + 1, out);
}

void write(const LatticeSchemaDef& l, std::size_t depth, LineSink& out) {
  out.line(depth, "lattice_schema:");
  for (const LatticeSchemaField& f : l.fields) {
    sub_line(out, depth, "    name: ", f.name);
    sub_line(out, depth, "    type: ", f.field_type);
    if (f.required) out.line(depth, "    required: true");
  }
  render_nodes(l.children, depth + 1, out);
}

void write(const LatticeFrontierDef& l, std::size_t depth, LineSink& out) {
  out.line(depth, "lattice_frontier:");
  sub_line(out, depth, "    expected_schema: ", l.expected_schema);
  for (const std::string& m : l.missing_fields) sub_line(out, depth, "    missing_field: ", m);
  for (const std::string& s : l.exploration_strategy) sub_line(out, depth, "    strategy: ", s);
  render_nodes(l.children, depth + 1, out);
}

void write(const PressureEffectDef& p, std::size_t depth, LineSink& out) {
  if (auto lines = write::pressure_effect_heading(p)) {
    return heading_form(out, depth, "## Pressure Effect", {std::move(*lines), {}}, {});
  }
  out.line(depth, "pressure_effect:");
  sub_line_unless_empty(out, depth, "    dynamic: ", p.dynamic);
  sub_line(out, depth, "    target: ", p.target);
}

void write(const UnitCellDef& u, std::size_t depth, LineSink& out) {
  named_block(out, depth, "unit_cell:", "", u.children);
}

void write(const SymmetryDef& s, std::size_t depth, LineSink& out) {
  named_block(out, depth, "symmetry:", "", s.children);
}

}  // namespace varn::render
