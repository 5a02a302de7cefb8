// The plain JSON summary of a document: for each node list, its tasks, prose
// and code blocks in three arrays, each group's summary under the group's
// name, and the fields of define blocks under their entity names. Only these
// five kinds contribute; nothing beneath any other node is visited.
#include <utility>

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

// Appends to the list under `key`, made when absent; an item meant for a key
// that holds something else (a group's summary) is dropped.
template <class List, class Item>
void add_item(ListSummary& r, std::string_view key, Item&& item) {
  auto it = r.members.find(key);
  if (it == r.members.end()) it = r.members.emplace(std::string(key), List{}).first;
  if (auto* list = std::get_if<List>(&it->second)) list->push_back(std::forward<Item>(item));
}

// Entities come last and win over any group or list of the same name.
void end_list(ListSummary& r) {
  for (auto& [entity, objects] : r.entities) {
    Tree value = objects.size() == 1 ? std::move(objects.front()) : Tree{std::move(objects)};
    r.members.insert_or_assign(entity, std::move(value));
  }
  r.entities.clear();
}

// Writes a list's summary, letting go of each text once it is written.
void write_summary(json::Writer& w, ListSummary& r) {
  w.begin_object();
  for (auto& [key, member] : r.members) {
    w.key(key);
    std::visit(
        [&](auto& m) {
          using M = std::decay_t<decltype(m)>;
          if constexpr (std::is_same_v<M, Strings>) {
            w.begin_array();
            for (std::string& text : m) w.string(std::exchange(text, {}));
            w.end_array();
          } else if constexpr (std::is_same_v<M, std::vector<ListSummary::Task>>) {
            w.begin_array();
            for (ListSummary::Task& task : m) {
              w.begin_object();
              w.plain_key("status");
              w.plain_string(kStatusWords[static_cast<int>(task.kind)]);
              w.plain_key("text");
              w.string(std::exchange(task.text, {}));
              w.end_object();
            }
            w.end_array();
          } else if constexpr (std::is_same_v<M, std::vector<CodeBlock>>) {
            w.begin_array();
            for (CodeBlock& code : m) {
              w.begin_object();
              w.plain_key("content");
              w.string(std::exchange(code.content, {}));
              if (code.lang) {
                w.plain_key("lang");
                w.string(*code.lang);
              }
              w.end_object();
            }
            w.end_array();
          } else if constexpr (std::is_same_v<M, std::unique_ptr<ListSummary>>) {
            write_summary(w, *m);
            m.reset();
          } else {
            json::write_tree(w, m);
          }
        },
        member);
  }
  w.end_object();
}

}  // namespace

JsonSummary::JsonSummary() { open_.emplace_back(); }

void JsonSummary::node(Node&& n) {
  if (n.holds<Group>()) {
    open(n);
    for (Node& child : n.get<Group>().children) node(std::move(child));
    close();
    return;
  }
  ListSummary& r = open_.back().summary;
  if (auto* t = n.get_if<Task>()) {
    add_item<std::vector<ListSummary::Task>>(r, "tasks", ListSummary::Task{t->marker.kind, std::move(t->text)});
  } else if (auto* p = n.get_if<Prose>()) {
    add_item<Strings>(r, "prose", std::move(p->text));
  } else if (auto* c = n.get_if<CodeBlock>()) {
    add_item<std::vector<CodeBlock>>(r, "code_blocks", std::move(*c));
  } else if (const auto* d = n.get_if<Define>()) {
    TreeObject fields;
    for (const FieldDef& f : d->fields) fields.insert_or_assign(f.name, field_value(f.default_));
    r.entities[d->entity].push_back(Tree{std::move(fields)});
  }
}

void JsonSummary::open(const Node& group) { open_.push_back({group.get<Group>().name, {}}); }

void JsonSummary::close() {
  Open group = std::move(open_.back());
  open_.pop_back();
  end_list(group.summary);
  open_.back().summary.members.insert_or_assign(std::move(group.name),
                                                std::make_unique<ListSummary>(std::move(group.summary)));
}

void JsonSummary::write(json::Writer& w) {
  ListSummary& document = open_.front().summary;
  end_list(document);
  write_summary(w, document);
}

std::string JsonSummary::text() {
  json::Writer w;
  write(w);
  return w.take();
}

Result<std::string, ConvertError> document_to_json(const Document& doc) {
  JsonSummary summary;
  for (const Node& n : doc.nodes) summary.node(Node(n));
  return summary.text();
}

}  // namespace varn::convert
