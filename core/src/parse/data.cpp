// The data statements `define:` and `mutate:`: a scoped entity on the
// statement line, and a body of field or pair lines read without dispatch.
#include <unordered_map>

#include "parse/handlers.hpp"
#include "parse/headings.hpp"
#include "parse/inline.hpp"
#include "parse/text.hpp"
#include "text/unicode.hpp"

namespace varn::parse {
namespace {

// The part of `s` before the first `sep`, or all of `s`.
std::string_view before(std::string_view s, std::string_view sep) { return s.substr(0, s.find(sep)); }

// A batch record id: non-empty, only alphanumerics, '-' and '_'.
bool is_record_id(std::string_view s) {
  if (s.empty()) return false;
  for (std::size_t i = 0; i < s.size();) {
    const text::Decoded d = text::decode(s, i);
    if (d.cp != '-' && d.cp != '_' && !text::is_alphanumeric(d.cp)) return false;
    i += d.len;
  }
  return true;
}

// Some line holds two colons and names a record before the first.
bool is_batch(const std::vector<std::string_view>& lines) {
  for (std::string_view line : lines) {
    const std::size_t first = line.find(':');
    if (first == std::string_view::npos || line.find(':', first + 1) == std::string_view::npos) continue;
    if (is_record_id(text::trim(line.substr(0, first)))) return true;
  }
  return false;
}

std::pair<std::string, std::string> trimmed_pair(std::string_view key, std::string_view value) {
  return {std::string(text::trim(key)), std::string(text::trim(value))};
}

// "id: key: value" lines open or extend the record of that id; a plain pair
// line joins the last record. Pairs before any record stay in `fields`
// rather than being dropped.
void read_batch(const std::vector<std::string_view>& lines, Mutate& m) {
  std::vector<BatchRecord> batch;
  std::unordered_map<std::string, std::size_t> by_id;  // first record of each id
  for (std::string_view line : lines) {
    const std::size_t first = line.find(':');
    if (first == std::string_view::npos) continue;
    const std::size_t second = line.find(':', first + 1);
    if (second == std::string_view::npos) {
      auto kv = trimmed_pair(line.substr(0, first), line.substr(first + 1));
      (batch.empty() ? m.fields : batch.back().fields).push_back(std::move(kv));
      continue;
    }
    std::string id(text::trim(line.substr(0, first)));
    auto kv = trimmed_pair(line.substr(first + 1, second - first - 1), line.substr(second + 1));
    auto [it, added] = by_id.try_emplace(id, batch.size());
    if (added) batch.push_back(BatchRecord{std::move(id), {}});
    batch[it->second].fields.push_back(std::move(kv));
  }
  m.batch = std::move(batch);
}

}  // namespace

std::optional<Node> parse_define(Parser& p, std::size_t, const Line& line) {
  ++p.pos;
  const ScopePrefix scope = parse_scope_prefix(strip_prefix_all(line.content, "define:"));
  const std::string_view rest = scope.rest;

  Define d;
  d.mod_scope = scope.mod_scope;
  d.workspace_scope = scope.workspace_scope;
  const std::size_t from_at = rest.find(" from @");
  if (from_at != std::string_view::npos) {
    d.entity = parse_title_atoms(rest.substr(0, from_at)).title;
    d.from_scope = std::string(text::trim(rest.substr(from_at + 6)));
  } else {
    d.entity = parse_title_atoms(rest).title;
  }
  d.atoms = parse_title_atoms(before(rest, " from ")).atoms;
  for (std::string_view body : read_body_lines(p, indentation(line.raw))) {
    if (auto field = parse_field_def(body)) d.fields.push_back(std::move(*field));
  }
  return d;
}

std::optional<Node> parse_mutate(Parser& p, std::size_t, const Line& line) {
  ++p.pos;
  const ScopePrefix scope = parse_scope_prefix(strip_prefix_all(line.content, "mutate:"));

  Mutate m;
  m.mod_scope = scope.mod_scope;
  m.workspace_scope = scope.workspace_scope;
  std::vector<Gate> gates = extract_gates(scope.rest);
  if (!gates.empty()) m.gate = std::move(gates.front());
  const std::string head = strip_gates(scope.rest);
  const std::size_t colon = head.find(':');
  m.entity = head.substr(0, colon);
  if (colon != std::string::npos) {
    const std::string_view id = text::trim(std::string_view(head).substr(colon + 1));
    if (!id.empty()) m.id = std::string(id);
  }

  const std::vector<std::string_view> lines = read_body_lines(p, indentation(line.raw));
  if (!m.id && is_batch(lines)) {
    read_batch(lines, m);
    return m;
  }
  for (std::string_view body : lines) {
    if (auto kv = split_key_value(body)) m.fields.push_back(std::move(*kv));
  }
  return m;
}

}  // namespace varn::parse
