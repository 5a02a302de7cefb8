// The plain JSON summary of a document: for each node list, its tasks, prose
// and code blocks in three arrays, each group's summary under the group's
// name, and the fields of define blocks under their entity names. Only these
// five kinds contribute; nothing beneath any other node is visited.
#include <unordered_map>

#include "convert/convert.hpp"
#include "json/tree.hpp"

namespace varn::convert {
namespace {

using json::Tree;
using json::TreeArray;
using json::TreeObject;

constexpr std::string_view kStatusWords[] = {"open", "pending", "optional", "completed"};

Tree string_tree(std::string s) { return Tree{std::move(s)}; }

Tree field_value(const FieldValue& v) {
  return std::visit(
      [](const auto& x) -> Tree {
        using T = std::decay_t<decltype(x)>;
        if constexpr (std::is_same_v<T, fv::Str> || std::is_same_v<T, fv::Atom> || std::is_same_v<T, fv::Timestamp>) {
          return string_tree(x.value);
        } else if constexpr (std::is_same_v<T, fv::Int>) {
          return Tree{x.value};
        } else if constexpr (std::is_same_v<T, fv::Float>) {
          return Tree{x.value};  // the writer turns NaN and infinities into null
        } else if constexpr (std::is_same_v<T, fv::Bool>) {
          return Tree{x.value};
        } else if constexpr (std::is_same_v<T, fv::Enum>) {
          TreeArray items;
          for (const std::string& s : x.value) items.push_back(string_tree(s));
          return Tree{std::move(items)};
        } else if constexpr (std::is_same_v<T, fv::Ref>) {
          return string_tree("@" + x.value);
        } else if constexpr (std::is_same_v<T, fv::List>) {
          return Tree{TreeArray{}};
        } else if constexpr (std::is_same_v<T, fv::Nil>) {
          return Tree{nullptr};
        } else {
          static_assert(std::is_same_v<T, fv::Trit>);
          return Tree{int64_t{x.value}};
        }
      },
      v);
}

// Appends to the array under `key`, creating it when absent; an item meant for
// a key that holds something else (a group's summary) is dropped.
void add_item(TreeObject& r, std::string_view key, Tree item) {
  auto it = r.find(key);
  if (it == r.end()) it = r.emplace(std::string(key), Tree{TreeArray{}}).first;
  if (auto* items = std::get_if<TreeArray>(&it->second.value)) items->push_back(std::move(item));
}

TreeObject nodes_to_json_value(const Nodes& nodes) {
  JsonSummary summary;
  for (const Node& n : nodes) summary.node(n);
  return summary.take();
}

}  // namespace

void JsonSummary::node(const Node& n) {
  TreeObject& r = members;
  if (const auto* g = n.get_if<Group>()) {
    r.insert_or_assign(g->name, Tree{nodes_to_json_value(g->children)});
  } else if (const auto* t = n.get_if<Task>()) {
    TreeObject task;
    task.emplace("status", string_tree(std::string(kStatusWords[static_cast<int>(t->marker.kind)])));
    task.emplace("text", string_tree(t->text));
    add_item(r, "tasks", Tree{std::move(task)});
  } else if (const auto* p = n.get_if<Prose>()) {
    add_item(r, "prose", string_tree(p->text));
  } else if (const auto* c = n.get_if<CodeBlock>()) {
    TreeObject block;
    block.emplace("content", string_tree(c->content));
    if (c->lang) block.emplace("lang", string_tree(*c->lang));
    add_item(r, "code_blocks", Tree{std::move(block)});
  } else if (const auto* d = n.get_if<Define>()) {
    TreeObject fields;
    for (const FieldDef& f : d->fields) fields.insert_or_assign(f.name, field_value(f.default_));
    entities[d->entity].push_back(Tree{std::move(fields)});
  }
}

TreeObject JsonSummary::take() {
  // Entities come last and win over any group or array of the same name.
  for (auto& [entity, objects] : entities) {
    Tree value = objects.size() == 1 ? std::move(objects.front()) : Tree{std::move(objects)};
    members.insert_or_assign(entity, std::move(value));
  }
  entities.clear();
  TreeObject out;
  out.swap(members);
  return out;
}

std::string JsonSummary::text() {
  json::Writer w;
  json::write_tree(w, Tree{take()});
  return w.take();
}

Result<std::string, ConvertError> document_to_json(const Document& doc) {
  JsonSummary summary;
  for (const Node& n : doc.nodes) summary.node(n);
  return summary.text();
}

}  // namespace varn::convert
