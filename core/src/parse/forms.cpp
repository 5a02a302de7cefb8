// Forms (fields, storage, projections, pages) and metric definitions.
#include "parse/handlers.hpp"
#include "parse/inline.hpp"
#include "parse/text.hpp"
#include "text/unicode.hpp"

namespace varn::parse {
namespace {

// One form line by its key; a line of any other key, or without ':', is read
// as a field line.
void read_form_line(std::string_view line, FormDef& form) {
  auto kv = split_key_value(line);
  const std::string key = kv ? std::move(kv->first) : std::string();
  auto value = [&] { return unquote(kv->second); };
  if (key == "ui_page") {
    form.ui_pages.push_back(value());
  } else if (key == "ui_layout") {
    form.ui_layout = value();
  } else if (key == "schema_version") {
    // An unreadable version clears one set by an earlier line.
    form.schema_version = parse_u32(value());
  } else if (key == "storage_canonical") {
    form.storage.canonical = value();
  } else if (key == "storage_entity") {
    form.storage.entity = value();
  } else if (key == "storage_duckdb") {
    form.storage.duckdb = value();
  } else if (key == "projection_entity") {
    form.projections.push_back({"entity", value()});
  } else if (key == "projection_duckdb") {
    form.projections.push_back({"duckdb", value()});
  } else if (auto field = parse_field_def(line)) {
    form.fields.push_back(std::move(*field));
  }
}

void read_metric_line(std::string_view line, MetricDef& metric, std::string& formula, bool& in_formula) {
  const auto kv = split_key_value(line);
  if (!kv) return;
  const auto& [key, value] = *kv;
  if (key == "source") {
    metric.source = value;
  } else if (key == "grain") {
    metric.grain = value;
  } else if (key == "formula") {
    if (value.empty() || value == "|") {
      in_formula = true;
    } else {
      formula = value;
    }
  } else if (key == "dimensions") {
    metric.dimensions = collect_trimmed_strings(strip_suffix_all(strip_prefix_all(value, "["), "]"), ",");
  } else if (key == "cross_source") {
    metric.cross_source = value == "true";
  }
}

}  // namespace

std::optional<Node> parse_form(Parser& p, std::size_t, const Line& line) {
  ++p.pos;
  FormDef form;
  form.name = std::string(statement_value(line.content, "form:"));
  const std::size_t indent = indentation(line.raw);
  while (auto body = next_body_line(p, indent)) read_form_line(body->content, form);
  return form;
}

Node parse_metric_body(Parser& p, std::string name) {
  const std::size_t indent = indentation(p.lines[p.pos++]);
  MetricDef metric;
  metric.name = std::move(name);
  std::string formula;
  bool in_formula = false;
  while (p.pos < p.lines.size()) {
    const std::string_view raw = p.lines[p.pos];
    const std::string_view trimmed = text::trim(raw);
    if (trimmed.empty()) {
      // Blank lines inside a formula stay in it.
      if (in_formula) formula.push_back('\n');
      ++p.pos;
      continue;
    }
    if (indentation(raw) <= indent) break;
    ++p.pos;
    if (in_formula) {
      // Formula lines are kept whole: a "//" in them is not a comment.
      if (!formula.empty()) formula.push_back('\n');
      formula.append(trimmed);
      continue;
    }
    read_metric_line(cut_trailing_comment(trimmed), metric, formula, in_formula);
  }
  metric.formula = std::string(text::trim(formula));
  return metric;
}

std::optional<Node> build_metric(Parser& p, std::size_t, const Line& line) {
  std::string_view rest = line.content;
  rest.remove_prefix(rest.starts_with("## Metric:") ? 10 : 11);
  return parse_metric_body(p, std::string(text::trim(rest)));
}

}  // namespace varn::parse
