// Every record is read from its field table, so this file only knows the
// value forms (strings, numbers, lists, pairs, enums, unions with a `kind`)
// and the reading rules with their messages, once for all records.
#include <array>
#include <cstdint>
#include <limits>
#include <type_traits>
#include <utility>
#include <variant>

#include "ast_read/reader.hpp"
#include "model/fields.hpp"

namespace varn::ast_read {
namespace {

using json::Kind;
using json::Member;
using json::Value;

// ---------------------------------------------------------------- messages

std::string quoted(std::string_view name) { return "`" + std::string(name) + "`"; }

std::string invalid_type(const Value& v, std::string_view expected) {
  return "invalid type: " + json::describe(v) + ", expected " + std::string(expected);
}
std::string invalid_value(const Value& v, std::string_view expected) {
  return "invalid value: " + json::describe(v) + ", expected " + std::string(expected);
}
std::string invalid_length(std::size_t n, std::string_view expected) {
  return "invalid length " + std::to_string(n) + ", expected " + std::string(expected);
}
std::string count_of(std::size_t n, std::string_view what) {
  return std::to_string(n) + (n == 1 ? " element" : " elements") + std::string(what);
}
std::string in_sequence(std::size_t n) { return count_of(n, " in sequence"); }

// "unknown variant `x`, expected `A` or `B`" / "... expected one of `A`, `B`, `C`".
template <std::size_t N>
std::string unknown_variant(std::string_view found, const std::array<std::string_view, N>& names) {
  std::string out = "unknown variant " + quoted(found) + ", expected ";
  if constexpr (N == 2) {
    return out + quoted(names[0]) + " or " + quoted(names[1]);
  } else {
    out += "one of ";
    for (std::size_t i = 0; i < N; ++i) out += (i ? ", " : "") + quoted(names[i]);
    return out;
  }
}

// The places of a list of names in a small open hash table, built once at
// compile time: a name is found with one comparison, however long the list.
template <const auto& Names>
struct NameTable {
  static_assert(Names.size() < 128);
  static constexpr std::size_t kSlots = 256;
  static constexpr std::size_t hash(std::string_view s) {
    if (s.empty()) return 0;
    auto byte = [&](std::size_t i) { return static_cast<std::size_t>(static_cast<unsigned char>(s[i])); };
    return (s.size() * 131 + byte(0) * 31 + byte(s.size() / 2) * 11 + byte(s.size() - 1) * 7) % kSlots;
  }
  // Each slot holds a place plus one, or zero when free.
  static constexpr auto slots = [] {
    std::array<std::uint8_t, kSlots> t{};
    for (std::size_t i = 0; i < Names.size(); ++i) {
      std::size_t h = hash(Names[i]);
      while (t[h] != 0) h = (h + 1) % kSlots;
      t[h] = static_cast<std::uint8_t>(i + 1);
    }
    return t;
  }();
};

template <const auto& Names>
Result<std::size_t, std::string> match_variant(std::string_view name) {
  using T = NameTable<Names>;
  for (std::size_t h = T::hash(name); T::slots[h] != 0; h = (h + 1) % T::kSlots) {
    const std::size_t i = T::slots[h] - 1u;
    if (Names[i] == name) return i;
  }
  return err(unknown_variant(name, Names));
}

// ---------------------------------------------------------------- value readers
// Declared up front: the templates below call them for member types whose
// namespaces argument-dependent lookup would not search.

Failure read(const Value& v, std::string& out);
Failure read(const Value& v, bool& out);
Failure read(const Value& v, uint8_t& out);
Failure read(const Value& v, uint32_t& out);
Failure read(const Value& v, int64_t& out);
Failure read(const Value& v, int8_t& out);
Failure read(const Value& v, double& out);
Failure read(const Value& v, std::pair<std::string, std::string>& out);
Failure read(const Value& v, Node& out);
Failure read(const Value& v, Inline& out);
Failure read(const Value& v, MarkerKind& out);
Failure read(const Value& v, MarkerPriority& out);
Failure read(const Value& v, MarkerPrefix& out);
Failure read(const Value& v, VariableValue& out);
Failure read(const Value& v, FieldValue& out);
template <class T>
Failure read(const Value& v, std::optional<T>& out);
template <class T>
Failure read(const Value& v, std::vector<T>& out);
template <HasFields T>
Failure read(const Value& v, T& out);

// ---------------------------------------------------------------- checking only

// Whether inline items are kept in the nodes read, and whether the value
// being read is only checked: then strings are not copied into it. Both hold
// for one reading on one thread.
thread_local bool t_keep_inline = true;
thread_local bool t_checking = false;

// Checks a value as `read` would read it, keeping nothing of it.
class CheckingOnly {
 public:
  CheckingOnly() : was_(t_checking) { t_checking = true; }
  ~CheckingOnly() { t_checking = was_; }
  CheckingOnly(const CheckingOnly&) = delete;
  CheckingOnly& operator=(const CheckingOnly&) = delete;

 private:
  bool was_;
};

Failure read(const Value& v, std::string& out) {
  if (v.kind != Kind::String) return invalid_type(v, "a string");
  if (!t_checking) out.assign(v.str());
  return {};
}

Failure read(const Value& v, bool& out) {
  if (v.kind != Kind::Bool) return invalid_type(v, "a boolean");
  out = v.boolean;
  return {};
}

// Integers only: a number with a fraction or an exponent is a float, even when whole.
template <class I>
Failure read_integer(const Value& v, I& out, std::string_view name) {
  using L = std::numeric_limits<I>;
  if (v.kind == Kind::UInt) {
    if (v.uint > static_cast<uint64_t>(L::max())) return invalid_value(v, name);
    out = static_cast<I>(v.uint);
    return {};
  }
  if (v.kind == Kind::Int) {
    if constexpr (L::is_signed) {
      if (v.int_ >= static_cast<int64_t>(L::min())) {
        out = static_cast<I>(v.int_);
        return {};
      }
    }
    return invalid_value(v, name);
  }
  return invalid_type(v, name);
}

Failure read(const Value& v, uint8_t& out) { return read_integer(v, out, "u8"); }
Failure read(const Value& v, uint32_t& out) { return read_integer(v, out, "u32"); }
Failure read(const Value& v, int64_t& out) { return read_integer(v, out, "i64"); }
Failure read(const Value& v, int8_t& out) { return read_integer(v, out, "i8"); }

// Null is what the writer makes of NaN and the infinities, where a number must
// stand (a `Float` field value): it reads back as NaN rather than failing.
Failure read(const Value& v, double& out) {
  switch (v.kind) {
    case Kind::Null: out = std::numeric_limits<double>::quiet_NaN(); return {};
    case Kind::UInt: out = static_cast<double>(v.uint); return {};
    case Kind::Int: out = static_cast<double>(v.int_); return {};
    case Kind::Float: out = v.number; return {};
    default: return invalid_type(v, "f64");
  }
}

// Reads `count` positions from an array; a missing one that is not defaulted
// fails with the text of `too_short`, and so do elements beyond them with
// their count.
template <class Read, class Defaulted, class TooShort>
Failure read_positions(std::span<const Value> items, std::size_t count, Read&& read_at, Defaulted&& defaulted,
                       TooShort&& too_short) {
  for (std::size_t i = 0; i < count; ++i) {
    if (i >= items.size()) {
      if (defaulted(i)) continue;
      return invalid_length(i, too_short());
    }
    if (auto f = read_at(i, items[i])) return f;
  }
  if (items.size() > count) return invalid_length(items.size(), in_sequence(count));
  return {};
}

Failure read(const Value& v, std::pair<std::string, std::string>& out) {
  if (v.kind != Kind::Array) return invalid_type(v, "a tuple of size 2");
  return read_positions(
      v.array(), 2, [&](std::size_t i, const Value& x) { return read(x, i == 0 ? out.first : out.second); },
      [](std::size_t) { return false; }, [] { return "a tuple of size 2"; });
}

template <class T>
Failure read(const Value& v, std::optional<T>& out) {
  if (v.kind == Kind::Null) {
    out.reset();
    return {};
  }
  out.emplace();
  return read(v, *out);
}

template <class T>
T blank() {
  if constexpr (std::is_same_v<T, Node>) {
    return Node(Divider{});
  } else {
    return T{};
  }
}

template <class T>
Failure read(const Value& v, std::vector<T>& out) {
  if (v.kind != Kind::Array) return invalid_type(v, "a sequence");
  if constexpr (std::is_same_v<T, Inline>) {
    if (!t_keep_inline) {
      CheckingOnly checking;
      Inline item;
      for (const Value& x : v.array()) {
        if (auto f = read(x, item)) return f;
      }
      return {};
    }
  }
  // Room for the elements, but never more than a mebibyte ahead of them.
  out.reserve(std::min<std::size_t>(v.size, (std::size_t{1} << 20) / sizeof(T)));
  for (const Value& item : v.array()) {
    out.push_back(blank<T>());
    if (auto f = read(item, out.back())) return f;
  }
  return {};
}

// ---------------------------------------------------------------- records

template <HasFields T>
struct Table {
  static constexpr const auto& table = Fields<T>::table;
  static constexpr std::size_t size = table.size;
  static_assert(size <= 64, "seen fields are kept in one 64-bit mask");
  using Reader = Failure (*)(const Value&, T&);

  template <std::size_t I>
  static Failure read_field(const Value& v, T& rec) {
    return read(v, rec.*(std::get<I>(table.fields).member));
  }

  template <std::size_t... I>
  static constexpr std::array<Reader, size> make_readers(std::index_sequence<I...>) {
    return {&read_field<I>...};
  }
  template <std::size_t... I>
  static constexpr std::array<std::string_view, size> make_names(std::index_sequence<I...>) {
    return {std::get<I>(table.fields).name...};
  }
  template <std::size_t... I>
  static constexpr std::array<ReadRule, size> make_rules(std::index_sequence<I...>) {
    return {std::get<I>(table.fields).read...};
  }

  static constexpr auto readers = make_readers(std::make_index_sequence<size>());
  static constexpr auto names = make_names(std::make_index_sequence<size>());
  static constexpr auto rules = make_rules(std::make_index_sequence<size>());

  // "struct Group" / "struct variant Inline::Text"
  static std::string expecting() { return std::string(table.word) + " " + std::string(table.name); }
};

template <HasFields T>
Failure read_map(std::span<const Member> members, std::size_t tag, T& rec) {
  using Tb = Table<T>;
  uint64_t seen = 0;
  // Members mostly come in the table's order: each name is looked for from
  // the field after the last one found, round to it again.
  std::size_t next = 0;
  for (std::size_t m = 0; m < members.size(); ++m) {
    if (m == tag) continue;
    std::size_t i = next, tried = 0;
    for (; tried < Tb::size && Tb::names[i] != members[m].key; ++tried) i = i + 1 == Tb::size ? 0 : i + 1;
    if (tried == Tb::size) continue;  // not a field of this record: skipped
    next = i + 1 == Tb::size ? 0 : i + 1;
    if (seen >> i & 1) return "duplicate field " + quoted(Tb::names[i]);
    seen |= uint64_t{1} << i;
    if (auto f = Tb::readers[i](members[m].value, rec)) return f;
  }
  for (std::size_t i = 0; i < Tb::size; ++i) {
    if (!(seen >> i & 1) && Tb::rules[i] == ReadRule::Required) return "missing field " + quoted(Tb::names[i]);
  }
  return {};
}

template <HasFields T>
Failure read_seq(std::span<const Value> items, T& rec) {
  using Tb = Table<T>;
  return read_positions(
      items, Tb::size, [&](std::size_t i, const Value& x) { return Tb::readers[i](x, rec); },
      [](std::size_t i) { return Tb::rules[i] == ReadRule::Defaulted; },
      [] { return Tb::expecting() + " with " + count_of(Tb::size, ""); });
}

template <HasFields T>
Failure read(const Value& v, T& out) {
  if (v.kind == Kind::Object) return read_map(v.object(), kNone, out);
  if (v.kind == Kind::Array) return read_seq(v.array(), out);
  return invalid_type(v, Table<T>::expecting());
}

template <HasFields T>
Failure read_rest(const Rest& rest, T& out) {
  return rest.is_map ? read_map(rest.members, rest.tag, out) : read_seq(rest.items, out);
}

// ---------------------------------------------------------------- small enums
// A bare string names a variant without payload; an object of one member
// names it by its key and holds the payload as its value.

struct Pick {
  std::string_view name;
  const Value* payload = nullptr;  // none for the bare string
};

const std::string kSingleKey = "invalid value: map, expected map with a single key";

Result<Pick, std::string> pick(const Value& v) {
  if (v.kind == Kind::String) return Pick{v.str()};
  if (v.kind != Kind::Object) return err(invalid_type(v, "string or map"));
  if (v.size != 1) return err(kSingleKey);
  return Pick{v.members[0].key, &v.members[0].value};
}

Failure read_unit(const Value* payload) {
  if (!payload || payload->kind == Kind::Null || (payload->kind == Kind::Object && payload->size == 0)) return {};
  return invalid_type(*payload, "unit");
}

template <class E>
struct Variants;
template <>
struct Variants<SpawnMode> {
  static constexpr std::array<std::string_view, 2> names = {"Parallel", "Sequential"};
};
template <>
struct Variants<MarkerKind> {
  static constexpr std::array<std::string_view, 4> names = {"Open", "Required", "Optional", "Completed"};
};
template <>
struct Variants<MarkerPriority> {
  static constexpr std::array<std::string_view, 4> names = {"None", "Required", "Optional", "Decision"};
};
template <>
struct Variants<MarkerPrefix> {
  static constexpr std::array<std::string_view, 4> names = {"None", "Parallel", "Subtask", "ParallelSubtask"};
};
template <>
struct Variants<VariableValue> {
  static constexpr std::array<std::string_view, 3> names = {"Literal", "Compute", "Ref"};
};
template <>
struct Variants<FieldValue> {
  static constexpr std::array<std::string_view, 11> names = {"Str",  "Int",  "Float",     "Bool", "Atom", "Enum",
                                                              "Ref",  "List", "Timestamp", "Nil",  "Trit"};
};

// An enum of variants without payload.
template <class E>
Failure read_plain_enum(const Result<Pick, std::string>& p, E& out) {
  if (!p) return p.error();
  auto i = match_variant<Variants<E>::names>(p.value().name);
  if (!i) return i.error();
  if (auto f = read_unit(p.value().payload)) return f;
  out = static_cast<E>(i.value());
  return {};
}

Failure read(const Value& v, MarkerKind& out) { return read_plain_enum(pick(v), out); }
Failure read(const Value& v, MarkerPriority& out) { return read_plain_enum(pick(v), out); }

// The member that holds a variant's payload.
template <class A>
auto& payload_of(A& a) {
  if constexpr (requires { a.value; }) {
    return a.value;
  } else if constexpr (requires { a.count; }) {
    return a.count;
  } else {
    return a;
  }
}

template <class V, std::size_t I>
Failure read_alternative(const Value* payload, V& out) {
  using A = std::variant_alternative_t<I, V>;
  A a{};
  if constexpr (std::is_empty_v<A>) {
    if (auto f = read_unit(payload)) return f;
  } else {
    if (!payload) return "invalid type: unit variant, expected newtype variant";
    if (auto f = read(*payload, payload_of(a))) return f;
  }
  out.template emplace<I>(std::move(a));
  return {};
}

// An enum whose variants may carry a payload (a std::variant in the tree).
template <class V>
Failure read_variant_enum(const Value& v, V& out) {
  auto p = pick(v);
  if (!p) return p.error();
  auto i = match_variant<Variants<V>::names>(p.value().name);
  if (!i) return i.error();
  using Reader = Failure (*)(const Value*, V&);
  static constexpr auto readers = []<std::size_t... I>(std::index_sequence<I...>) {
    return std::array<Reader, sizeof...(I)>{&read_alternative<V, I>...};
  }(std::make_index_sequence<std::variant_size_v<V>>());
  return readers[i.value()](p.value().payload, out);
}

Failure read(const Value& v, MarkerPrefix& out) { return read_variant_enum(v, out); }
Failure read(const Value& v, VariableValue& out) { return read_variant_enum(v, out); }
Failure read(const Value& v, FieldValue& out) { return read_variant_enum(v, out); }

// ---------------------------------------------------------------- unions with a kind

template <std::size_t I>
Failure read_node_kind(const Rest& rest, Node& out) {
  using T = NodeKind<I>;
  if constexpr (std::is_same_v<T, Divider>) {
    // No payload: an object's other members are ignored, an array must end.
    if (!rest.is_map && !rest.items.empty()) return invalid_length(rest.items.size(), in_sequence(0));
    out.value.template emplace<I>();
  } else if constexpr (std::is_same_v<T, SpawnMode>) {
    // The node's other members are the mode, as one enum value.
    Result<Pick, std::string> p = err(std::string("invalid type: sequence, expected string or map"));
    if (rest.is_map) {
      std::size_t count = rest.members.size() - (rest.tag == kNone ? 0 : 1);
      if (count != 1) {
        p = err(kSingleKey);
      } else {
        const Member& m = rest.members[rest.tag == 0 ? 1 : 0];
        p = Pick{m.key, &m.value};
      }
    }
    SpawnMode mode{};
    if (auto f = read_plain_enum(p, mode)) return f;
    out.value.template emplace<I>(mode);
  } else {
    T rec{};
    if (auto f = read_rest(rest, rec)) return f;
    out.value.template emplace<I>(std::move(rec));
  }
  return {};
}

template <std::size_t I>
Failure read_inline_kind(const Rest& rest, Inline& out) {
  typename Unboxed<std::variant_alternative_t<I, Inline>>::type rec{};
  if (auto f = read_rest(rest, rec)) return f;
  out.template emplace<I>(std::move(rec));
  return {};
}

constexpr auto kNodeReaders = []<std::size_t... I>(std::index_sequence<I...>) {
  return std::array{&read_node_kind<I>...};
}(std::make_index_sequence<kNodeKindCount>());

constexpr auto kInlineReaders = []<std::size_t... I>(std::index_sequence<I...>) {
  return std::array{&read_inline_kind<I>...};
}(std::make_index_sequence<std::variant_size_v<Inline>>());

template <class T>
constexpr bool has_kind_field() {
  if constexpr (HasFields<T>) {
    return std::apply([](const auto&... f) { return ((f.name == "kind") || ...); }, Fields<T>::table.fields);
  } else {
    return false;
  }
}

constexpr auto kPayloadHasKind = []<std::size_t... I>(std::index_sequence<I...>) {
  return std::array<bool, sizeof...(I)>{has_kind_field<NodeKind<I>>()...};
}(std::make_index_sequence<kNodeKindCount>());

// A tag held in a value: a name, or (inside a node) the variant's index.
template <const auto& Names>
Result<std::size_t, std::string> read_tag(const Value& tag) {
  constexpr std::size_t N = Names.size();
  if (tag.kind == Kind::String) return match_variant<Names>(tag.str());
  if (tag.kind == Kind::UInt) {
    if (tag.uint < N) return static_cast<std::size_t>(tag.uint);
    return err(invalid_value(tag, "variant index 0 <= i < " + std::to_string(N)));
  }
  return err(invalid_type(tag, "variant identifier"));
}

// Splits a held node or inline item into its tag and the rest, then reads
// the rest as the tagged variant.
template <const auto& Names, class Out, class Readers>
Failure read_tagged(const Value& v, std::string_view union_name, const Readers& readers, Out& out) {
  Rest rest;
  std::size_t kind = kNone;
  if (v.kind == Kind::Object) {
    rest.members = v.object();
    bool second_kind = false;
    for (std::size_t m = 0; m < v.size; ++m) {
      if (v.members[m].key != "kind") continue;
      if (rest.tag == kNone) {
        auto k = read_tag<Names>(v.members[m].value);
        if (!k) return k.error();
        kind = k.value();
        rest.tag = m;
      } else if constexpr (std::is_same_v<Out, Node>) {
        // The payload's own `kind` follows the tag; a third is refused.
        if (second_kind || !kPayloadHasKind[kind]) return "duplicate field `kind`";
        second_kind = true;
      } else {
        return "duplicate field `kind`";
      }
    }
    if (rest.tag == kNone) return "missing field `kind`";
  } else if (v.kind == Kind::Array) {
    if (v.size == 0) return "missing field `kind`";
    auto k = read_tag<Names>(v.items[0]);
    if (!k) return k.error();
    kind = k.value();
    rest.is_map = false;
    rest.items = v.array().subspan(1);
  } else {
    return invalid_type(v, "internally tagged enum " + std::string(union_name));
  }
  return readers[kind](rest, out);
}

Failure read(const Value& v, Node& out) { return deserialize_node_from_content(v, out); }
Failure read(const Value& v, Inline& out) { return deserialize_inline_from_content(v, out); }

}  // namespace

KeepInline::KeepInline(bool keep) : was_(t_keep_inline) { t_keep_inline = keep; }
KeepInline::~KeepInline() { t_keep_inline = was_; }

Result<std::size_t, std::string> match_node_variant_str(std::string_view name) {
  return match_variant<node_kind_names>(name);
}

bool node_payload_has_kind(std::size_t kind) { return kPayloadHasKind[kind]; }

Failure read_node(std::size_t kind, const Rest& rest, Node& out) { return kNodeReaders[kind](rest, out); }

Failure deserialize_node_from_content(const Value& v, Node& out) {
  return read_tagged<node_kind_names>(v, "Node", kNodeReaders, out);
}

Failure deserialize_inline_from_content(const Value& v, Inline& out) {
  return read_tagged<inline_kind_names>(v, "Inline", kInlineReaders, out);
}

}  // namespace varn::ast_read
