// Any JSON value to document nodes: an object-valued member becomes a define
// block named by its key, every other member a prose line "key: value".
// Objects are walked in sorted key order, a repeated key keeping its last
// value, whatever the order in the text. Nesting is bounded by the reader's
// limit, so the recursion here is too.
#include <algorithm>
#include <charconv>
#include <cstdint>
#include <limits>

#include "convert/convert.hpp"
#include "json/bytes.hpp"
#include "json/reader.hpp"
#include "json/writer.hpp"

namespace varn::convert {
namespace {

using json::Kind;
using json::Member;
using json::Value;

// A key to sort by and its place in the text. The first sixteen bytes of the
// key are held in the entry as two numbers that compare as the bytes do (a
// short key padded with zeros), so that most comparisons in a sort of many
// keys never leave the list for the text, wherever in it the keys lie.
struct SortKey {
  std::uint64_t head[2];
  std::string_view key;
  std::size_t place;

  SortKey(std::string_view k, std::size_t at) : head{json::head8(k), json::head8(k, 8)}, key(k), place(at) {}

  // Equal heads leave the order to the whole keys: zero padding ties a
  // short key with one that goes on in zero bytes.
  int compare(const SortKey& o) const {
    if (head[0] != o.head[0]) return head[0] < o.head[0] ? -1 : 1;
    if (head[1] != o.head[1]) return head[1] < o.head[1] ? -1 : 1;
    if (key.size() <= 16 && key.size() == o.key.size()) return 0;
    return key.compare(o.key);
  }
};

// Sorts by key, each key once with its last place: equal keys are ordered by
// their place and all but the last dropped. Done in place, as the list may
// be as long as the input has members.
void sort_keeping_last(std::vector<SortKey>& items) {
  // Strictly ascending keys (as many writers emit them) need no sorting and
  // hold no repeats.
  if (std::adjacent_find(items.begin(), items.end(),
                         [](const SortKey& a, const SortKey& b) { return a.compare(b) >= 0; }) == items.end()) {
    return;
  }
  std::sort(items.begin(), items.end(), [](const SortKey& a, const SortKey& b) {
    const int c = a.compare(b);
    return c != 0 ? c < 0 : a.place < b.place;
  });
  std::size_t kept = 0;
  for (std::size_t i = 0; i < items.size(); ++i) {
    if (i + 1 < items.size() && items[i + 1].compare(items[i]) == 0) continue;
    items[kept++] = items[i];
  }
  items.erase(items.begin() + static_cast<std::ptrdiff_t>(kept), items.end());
}

// The members of a held object by key, each key once with its last value.
std::vector<const Member*> sorted_members(const Value& object) {
  std::vector<SortKey> keys;
  keys.reserve(object.size);
  for (std::size_t i = 0; i < object.size; ++i) keys.emplace_back(object.members[i].key, i);
  sort_keeping_last(keys);
  std::vector<const Member*> members;
  members.reserve(keys.size());
  for (const SortKey& k : keys) members.push_back(&object.members[k.place]);
  return members;
}

template <class T>
void append_integer(std::string& out, T v) {
  char buf[24];
  auto r = std::to_chars(buf, buf + sizeof buf, v);
  out.append(buf, r.ptr);
}

void append_compact(std::string& out, const Value& v) {
  switch (v.kind) {
    case Kind::Null: out.append("null"); break;
    case Kind::Bool: out.append(v.boolean ? "true" : "false"); break;
    case Kind::UInt: append_integer(out, v.uint); break;
    case Kind::Int: append_integer(out, v.int_); break;
    case Kind::Float: json::append_double(out, v.number); break;
    case Kind::String: json::append_escaped(out, v.str()); break;
    case Kind::Array: {
      out.push_back('[');
      bool first = true;
      for (const Value& item : v.array()) {
        if (!first) out.push_back(',');
        first = false;
        append_compact(out, item);
      }
      out.push_back(']');
      break;
    }
    case Kind::Object: {
      out.push_back('{');
      bool first = true;
      for (const Member* m : sorted_members(v)) {
        if (!first) out.push_back(',');
        first = false;
        json::append_escaped(out, m->key);
        out.push_back(':');
        append_compact(out, m->value);
      }
      out.push_back('}');
      break;
    }
  }
}

std::string compact_text(const Value& v) {
  std::string out;
  append_compact(out, v);
  return out;
}

// Strings without quotes, null as "nil", containers as compact JSON.
std::string json_scalar_text(const Value& v) {
  switch (v.kind) {
    case Kind::Null: return "nil";
    case Kind::String: return std::string(v.str());
    default: return compact_text(v);
  }
}

FieldValue field_value(const Value& v) {
  switch (v.kind) {
    case Kind::Null: return fv::Nil{};
    case Kind::Bool: return fv::Bool{v.boolean};
    case Kind::UInt:
      if (v.uint > static_cast<uint64_t>(std::numeric_limits<int64_t>::max())) {
        return fv::Float{static_cast<double>(v.uint)};
      }
      return fv::Int{static_cast<int64_t>(v.uint)};
    case Kind::Int: return fv::Int{v.int_};
    case Kind::Float: return fv::Float{v.number};
    case Kind::String: return fv::Str{std::string(v.str())};
    case Kind::Array: return fv::List{};
    case Kind::Object: break;
  }
  return fv::Str{compact_text(v)};
}

Prose prose(std::string text) { return Prose{std::move(text), {}}; }

std::string member_line(std::string_view key, const std::string& value) {
  std::string line(key);
  line.append(": ");
  line.append(value);
  return line;
}

// The walk only hands it objects; anything else is refused all the same.
Result<Node, ConvertError> json_object_to_define(std::string_view name, const Value& x) {
  if (x.kind != Kind::Object) {
    return err(ConvertError{ConvertError::Variant::Json, "expected object for entity " + std::string(name)});
  }
  Define d;
  d.entity = std::string(name);
  for (const Member* m : sorted_members(x)) d.fields.push_back(FieldDef{std::string(m->key), false, field_value(m->value)});
  return Node(std::move(d));
}

ConvertError failed(JsonError e) { return ConvertError{ConvertError::Variant::Json, display(e)}; }

// The walk, read straight from the text. Arrays are walked as they are read;
// of an object only its keys and where their values start are held, to sort
// them, and each value is read again when its turn comes, held only while it
// is written (an array value one element at a time). Any failure is the
// reader's, found in the order that reading the whole value first would.
class Walk {
 public:
  Walk(std::string_view text, const NodeSink& out) : text_(text), r_(text), out_(out) {}

  std::optional<ConvertError> run() {
    if (auto e = value()) return e;
    if (auto s = r_.end(); !s) return failed(std::move(s).error());
    return std::nullopt;
  }

 private:
  std::optional<ConvertError> value();
  std::optional<ConvertError> object();
  std::optional<ConvertError> member(std::string_view key, std::size_t at);
  std::optional<ConvertError> define(std::string_view key, const Value& x);

  std::string_view text_;
  json::Reader r_;
  const NodeSink& out_;
  json::Arena held_;  // the one value being written
};

std::optional<ConvertError> Walk::value() {
  const int c = r_.peek();
  if (c == '{') return object();
  if (c == '[') {
    if (auto o = r_.open(); !o) return failed(std::move(o).error());
    for (bool first = true;; first = false) {
      auto more = r_.next_element(first);
      if (!more) return failed(std::move(more).error());
      if (!more.value()) break;
      if (auto e = value()) return e;
    }
    r_.end_container();
    return std::nullopt;
  }
  held_.reset();
  auto v = r_.value(held_);
  if (!v) return failed(std::move(v).error());
  out_(prose(json_scalar_text(v.value())));
  return std::nullopt;
}

std::optional<ConvertError> Walk::object() {
  if (auto o = r_.open(); !o) return failed(std::move(o).error());
  std::vector<SortKey> entries;  // each key with where its value starts in the text
  json::Arena keys;  // the keys that had escapes
  for (bool first = true;; first = false) {
    auto more = r_.next_member(first);
    if (!more) return failed(std::move(more).error());
    if (!more.value()) break;
    auto key = r_.string(keys);
    if (!key) return failed(std::move(key).error());
    if (auto s = r_.colon(); !s) return failed(std::move(s).error());
    r_.peek();
    entries.emplace_back(key.value(), r_.offset());
    if (auto s = r_.skip(true); !s) return failed(std::move(s).error());
  }
  r_.end_container();
  sort_keeping_last(entries);
  // In key order the values lie anywhere in the text: the ones a few places
  // ahead are asked for early, so that a large text is not waited on once
  // per member.
  constexpr std::size_t kAhead = 8;
  for (std::size_t i = 0; i < entries.size(); ++i) {
    if (i + kAhead < entries.size()) {
      const char* next = text_.data() + entries[i + kAhead].place;
      __builtin_prefetch(next);
      __builtin_prefetch(next + 64);
    }
    if (auto f = member(entries[i].key, entries[i].place)) return f;
  }
  return std::nullopt;
}

// A value read over once already: reading it again cannot fail.
std::optional<ConvertError> Walk::member(std::string_view key, std::size_t at) {
  json::Reader r(text_.substr(at));
  if (r.peek() == '[') {
    if (auto o = r.open(); !o) return failed(std::move(o).error());
    for (bool first = true;; first = false) {
      auto more = r.next_element(first);
      if (!more) return failed(std::move(more).error());
      if (!more.value()) break;
      held_.reset();
      auto e = r.value(held_);
      if (!e) return failed(std::move(e).error());
      if (e.value().kind == Kind::Object) {
        if (auto f = define(key, e.value())) return f;
      } else {
        out_(prose(member_line(key, compact_text(e.value()))));
      }
    }
    return std::nullopt;
  }
  held_.reset();
  auto x = r.value(held_);
  if (!x) return failed(std::move(x).error());
  if (x.value().kind == Kind::Object) return define(key, x.value());
  out_(prose(member_line(key, json_scalar_text(x.value()))));
  return std::nullopt;
}

std::optional<ConvertError> Walk::define(std::string_view key, const Value& x) {
  auto node = json_object_to_define(key, x);
  if (!node) return std::move(node).error();
  out_(std::move(node).value());
  return std::nullopt;
}

}  // namespace

std::optional<ConvertError> json_to_nodes(std::string_view text, const NodeSink& sink) {
  return Walk(text, sink).run();
}

Result<Nodes, ConvertError> json_to_document(std::string_view text) {
  Nodes out;
  if (auto e = json_to_nodes(text, [&](Node&& n) { out.push_back(std::move(n)); })) return err(std::move(*e));
  return out;
}

}  // namespace varn::convert
