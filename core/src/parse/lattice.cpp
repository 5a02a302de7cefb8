// The lattice line forms: a keyword line over a child block indented four
// columns deeper, read into one lattice record.
#include "parse/lattice.hpp"

#include <string>

#include "parse/handlers.hpp"
#include "parse/text.hpp"
#include "text/unicode.hpp"

namespace varn::parse {

std::optional<std::string_view> key_line(const Node& node) {
  const auto* prose = node.get_if<Prose>();
  if (!prose) return std::nullopt;
  return text::trim(prose->text);
}

std::optional<std::string_view> key_value(const Node& node, std::string_view prefix) {
  const auto line = key_line(node);
  if (!line || !line->starts_with(prefix)) return std::nullopt;
  return text::trim(line->substr(prefix.size()));
}

LatticeSchemaDef build_lattice_schema(Nodes children) {
  LatticeSchemaDef schema;
  std::optional<std::string> name;
  std::optional<std::string> type;
  bool required = false;
  const auto append_pending = [&] {
    schema.fields.push_back({std::move(*name), type.value_or(""), required});
    type.reset();
    required = false;
  };
  for (Node& child : children) {
    if (auto v = key_value(child, "name:")) {
      if (name) append_pending();
      name = std::string(*v);
    } else if (auto v = key_value(child, "type:")) {
      type = std::string(*v);
    } else if (auto v = key_value(child, "required:")) {
      required = *v == "true";
    } else {
      schema.children.push_back(std::move(child));
    }
  }
  if (name) append_pending();
  return schema;
}

LatticeFrontierDef build_lattice_frontier(Nodes children) {
  LatticeFrontierDef frontier;
  for (Node& child : children) {
    if (auto v = key_value(child, "expected_schema:")) {
      frontier.expected_schema = std::string(*v);
    } else if (auto v = key_value(child, "missing_field:")) {
      frontier.missing_fields.emplace_back(*v);
    } else if (auto v = key_value(child, "strategy:")) {
      frontier.exploration_strategy.emplace_back(*v);
    } else {
      frontier.children.push_back(std::move(child));
    }
  }
  return frontier;
}

LatticeValidatesDef build_lattice_validates(Nodes children) {
  LatticeValidatesDef validates;
  for (Node& child : children) {
    auto artifact = key_value(child, "- artifact:");
    if (!artifact) artifact = key_value(child, "artifact:");
    if (artifact) {
      validates.artifacts.push_back({std::string(*artifact), std::nullopt, {}});
      continue;
    }
    // A schema line before any artifact has nothing to describe.
    auto schema = key_value(child, "schema:");
    if (schema && !validates.artifacts.empty()) {
      validates.artifacts.back().schema = std::string(*schema);
      continue;
    }
    validates.children.push_back(std::move(child));
  }
  return validates;
}

namespace {

// Consumes the keyword line and returns the child block below it: every line
// at least four columns deeper.
Nodes read_lattice_children(Parser& p, std::size_t depth, const Line& line) {
  ++p.pos;
  return parse_block(p, indentation(line.raw) + 4, depth + 1);
}

}  // namespace

std::optional<Node> parse_symmetry(Parser& p, std::size_t depth, const Line& line) {
  return SymmetryDef{read_lattice_children(p, depth, line)};
}

std::optional<Node> parse_unit_cell(Parser& p, std::size_t depth, const Line& line) {
  return UnitCellDef{read_lattice_children(p, depth, line)};
}

std::optional<Node> parse_lattice_schema(Parser& p, std::size_t depth, const Line& line) {
  return build_lattice_schema(read_lattice_children(p, depth, line));
}

std::optional<Node> parse_lattice_frontier(Parser& p, std::size_t depth, const Line& line) {
  return build_lattice_frontier(read_lattice_children(p, depth, line));
}

std::optional<Node> parse_lattice_validates(Parser& p, std::size_t depth, const Line& line) {
  return build_lattice_validates(read_lattice_children(p, depth, line));
}

std::optional<Node> parse_lattice_constraint(Parser& p, std::size_t depth, const Line& line) {
  LatticeConstraintDef constraint;
  // The opening line is not cut at a comment: all of it after the keyword is the type.
  const std::string_view type = statement_value(line.trimmed, "lattice_constraint:");
  if (!type.empty()) constraint.constraint_type = std::string(type);
  for (Node& child : read_lattice_children(p, depth, line)) {
    if (auto v = key_value(child, "rule:")) {
      constraint.rule = std::string(*v);
    } else if (auto v = key_value(child, "applies_to:")) {
      constraint.applies_to = collect_trimmed_strings(*v, ",");
    } else {
      constraint.children.push_back(std::move(child));
    }
  }
  return constraint;
}

std::optional<Node> parse_pressure_effect(Parser& p, std::size_t depth, const Line& line) {
  PressureEffectDef effect;
  // Only the two settings count; every other child is dropped.
  for (const Node& child : read_lattice_children(p, depth, line)) {
    if (auto v = key_value(child, "dynamic:")) effect.dynamic = std::string(*v);
    if (auto v = key_value(child, "target:")) effect.target = std::string(*v);
  }
  return effect;
}

}  // namespace varn::parse
