// Typed field values: a field line "name: value" becomes a `FieldDef` whose
// default's variant also names the field's type.
#include <charconv>
#include <cmath>
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

bool equals_ignoring_case(std::string_view s, std::string_view lower) {
  if (s.size() != lower.size()) return false;
  for (std::size_t i = 0; i < s.size(); ++i) {
    const char c = (s[i] >= 'A' && s[i] <= 'Z') ? static_cast<char>(s[i] - 'A' + 'a') : s[i];
    if (c != lower[i]) return false;
  }
  return true;
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

// For a number out of the double range: whether it lies above the largest
// double (infinity) rather than below the smallest (zero). Compares the
// decimal magnitude of the first significant digit plus the exponent.
bool beyond_largest(std::string_view mantissa, std::string_view exponent) {
  const std::size_t point = std::min(mantissa.find('.'), mantissa.size());
  const std::size_t first = mantissa.find_first_not_of("0.");
  if (first == std::string_view::npos) return false;
  const int64_t magnitude = first < point ? static_cast<int64_t>(point - first) - 1 : -static_cast<int64_t>(first - point);
  int64_t exp = 0;
  bool negative = false;
  if (!exponent.empty() && (exponent.front() == '+' || exponent.front() == '-')) {
    negative = exponent.front() == '-';
    exponent.remove_prefix(1);
  }
  // Saturates: any exponent this large is far past the double range.
  for (const char c : exponent) exp = std::min<int64_t>(exp * 10 + (c - '0'), 1'000'000'000);
  return magnitude + (negative ? -exp : exp) > 0;
}

// A decimal floating-point number: optional sign, digits with an optional
// fraction, an optional exponent; or "inf", "infinity", "nan" in any case.
std::optional<double> read_float(std::string_view v) {
  bool negative = false;
  if (!v.empty() && (v.front() == '+' || v.front() == '-')) {
    negative = v.front() == '-';
    v.remove_prefix(1);
  }
  const double sign = negative ? -1.0 : 1.0;
  if (equals_ignoring_case(v, "inf") || equals_ignoring_case(v, "infinity")) {
    return sign * std::numeric_limits<double>::infinity();
  }
  if (equals_ignoring_case(v, "nan")) return std::numeric_limits<double>::quiet_NaN();

  std::size_t i = skip_digits(v, 0);
  std::size_t digits = i;
  if (i < v.size() && v[i] == '.') {
    const std::size_t after = skip_digits(v, i + 1);
    digits += after - (i + 1);
    i = after;
  }
  if (digits == 0) return std::nullopt;
  const std::size_t mantissa_end = i;
  if (i < v.size() && (v[i] == 'e' || v[i] == 'E')) {
    std::size_t j = i + 1;
    if (j < v.size() && (v[j] == '+' || v[j] == '-')) ++j;
    const std::size_t end = skip_digits(v, j);
    if (end == j) return std::nullopt;
    i = end;
  }
  if (i != v.size()) return std::nullopt;

  double value = 0;
  const auto [end, ec] = std::from_chars(v.data(), v.data() + v.size(), value, std::chars_format::general);
  if (ec == std::errc::result_out_of_range) {
    const std::string_view exponent = mantissa_end < v.size() ? v.substr(mantissa_end + 1) : std::string_view();
    value = beyond_largest(v.substr(0, mantissa_end), exponent) ? std::numeric_limits<double>::infinity() : 0.0;
  } else if (ec != std::errc() || end != v.data() + v.size()) {
    return std::nullopt;
  }
  return sign * value;
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
  if (auto f = read_float(v)) return fv::Float{*f};
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
