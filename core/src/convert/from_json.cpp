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
#include "json/reader.hpp"
#include "json/writer.hpp"

namespace varn::convert {
namespace {

using json::Kind;
using json::Member;
using json::Value;

// The members of an object by key, each key once with its last value.
std::vector<const Member*> sorted_members(const Value& object) {
  std::vector<const Member*> members;
  members.reserve(object.size);
  for (const Member& m : object.object()) members.push_back(&m);
  // Strictly ascending keys (as many writers emit them) need no sorting and
  // hold no repeats.
  auto ascending = [](const Member* a, const Member* b) { return a->key < b->key; };
  if (std::adjacent_find(members.begin(), members.end(), [](const Member* a, const Member* b) {
        return !(a->key < b->key);
      }) == members.end()) {
    return members;
  }
  std::stable_sort(members.begin(), members.end(), ascending);
  std::vector<const Member*> out;
  out.reserve(members.size());
  for (std::size_t i = 0; i < members.size(); ++i) {
    if (i + 1 < members.size() && members[i + 1]->key == members[i]->key) continue;
    out.push_back(members[i]);
  }
  return out;
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

std::optional<ConvertError> json_value_to_nodes(const Value& v, const NodeSink& out) {
  if (v.kind == Kind::Array) {
    for (const Value& item : v.array()) {
      if (auto e = json_value_to_nodes(item, out)) return e;
    }
    return std::nullopt;
  }
  if (v.kind != Kind::Object) {
    out(prose(json_scalar_text(v)));
    return std::nullopt;
  }
  auto add_define = [&](std::string_view key, const Value& x) -> std::optional<ConvertError> {
    auto node = json_object_to_define(key, x);
    if (!node) return std::move(node).error();
    out(std::move(node).value());
    return std::nullopt;
  };
  for (const Member* m : sorted_members(v)) {
    const Value& x = m->value;
    if (x.kind == Kind::Object) {
      if (auto e = add_define(m->key, x)) return e;
    } else if (x.kind == Kind::Array) {
      for (const Value& e : x.array()) {
        if (e.kind == Kind::Object) {
          if (auto failure = add_define(m->key, e)) return failure;
        } else {
          out(prose(member_line(m->key, compact_text(e))));
        }
      }
    } else {
      out(prose(member_line(m->key, json_scalar_text(x))));
    }
  }
  return std::nullopt;
}

}  // namespace

std::optional<ConvertError> json_to_nodes(std::string_view text, const NodeSink& sink) {
  auto parsed = json::parse(text);
  if (!parsed) return ConvertError{ConvertError::Variant::Json, display(parsed.error())};
  return json_value_to_nodes(parsed.value().root, sink);
}

Result<Nodes, ConvertError> json_to_document(std::string_view text) {
  Nodes out;
  if (auto e = json_to_nodes(text, [&](Node&& n) { out.push_back(std::move(n)); })) return err(std::move(*e));
  return out;
}

}  // namespace varn::convert
