// Typed field values: a field line "name: value" becomes a `FieldDef` whose
// default's variant also names the field's type.
#include <charconv>
#include <limits>

#include "parse/handlers.hpp"
#include "parse/text.hpp"
#include "text/unicode.hpp"

namespace varn::parse {
namespace {

bool is_digit(char c) { return c >= '0' && c <= '9'; }

std::size_t skip_digits(std::string_view s, std::size_t i) {
  while (i < s.size() && is_digit(s[i])) ++i;
  return i;
}

// An optional sign and one or more ASCII digits, within the signed 64-bit range.
std::optional<int64_t> read_int(std::string_view v) {
  std::string_view digits = v;
  if (!digits.empty() && (digits.front() == '+' || digits.front() == '-')) digits.remove_prefix(1);
  if (digits.empty() || skip_digits(digits, 0) != digits.size()) return std::nullopt;
  // from_chars takes a '-' but not a '+'.
  if (v.front() == '+') v.remove_prefix(1);
  int64_t value = 0;
  const auto [end, ec] = std::from_chars(v.data(), v.data() + v.size(), value);
  if (ec != std::errc() || end != v.data() + v.size()) return std::nullopt;
  return value;
}

bool wrapped_in(std::string_view v, char c) { return v.size() >= 2 && v.front() == c && v.back() == c; }

}  // namespace

FieldValue parse_field_value(std::string_view v) {
  if (v.empty()) return fv::Str{};
  if (v == "[]") return fv::List{};
  if (v == "false" || v == "true") return fv::Bool{v == "true"};
  if (v == "nil") return fv::Nil{};
  if (wrapped_in(v, '"')) return fv::Str{std::string(v.substr(1, v.size() - 2))};
  if (v.front() == '@') return fv::Ref{std::string(v.substr(1))};
  if (wrapped_in(v, '|')) return fv::Timestamp{std::string(v.substr(1, v.size() - 2))};
  if (v.front() == ':') {
    if (v.find('/') != std::string_view::npos) return fv::Enum{collect_atom_names(v, "/")};
    return fv::Atom{std::string(v.substr(1))};
  }
  if (auto i = read_int(v)) return fv::Int{*i};
  if (auto f = parse_f64(v)) return fv::Float{*f};
  // Also a lone '"' or '|', which the quoted and bar forms need two of.
  return fv::Str{std::string(v)};
}

std::optional<FieldDef> parse_field_def(std::string_view line) {
  const std::size_t colon = line.find(':');
  if (colon == std::string_view::npos) return std::nullopt;
  const std::string_view name = text::trim(line.substr(0, colon));
  FieldDef def;
  def.plural = name.find("(s)") != std::string_view::npos;
  def.name = def.plural ? remove_all(name, "(s)") : std::string(name);
  def.default_ = parse_field_value(text::trim(line.substr(colon + 1)));
  return def;
}

}  // namespace varn::parse
