// The document index as JSON: fourteen members, always all present, records
// with every member written (absent values as null). The same code goes over
// the index twice: with a Measure, for the size of the text, then with a
// Writer, for the text itself.
#include <string_view>
#include <type_traits>

#include "index/index.hpp"
#include "json/writer.hpp"
#include "memory/pages.hpp"

namespace varn::index {
namespace {

constexpr std::string_view kMarkerKindNames[] = {"Open", "Required", "Optional", "Completed"};

// A text whose escaped size is known: it is measured by that size alone.
struct Sized {
  std::string_view text;
  std::size_t size;
};

template <class Out>
class IndexOut {
 public:
  IndexOut(Out& w, const DocumentIndex& x) : w_(w), x_(x) {
    contexts_.reserve(x.contexts.size());
    for (const std::string& c : x.contexts) contexts_.push_back({c, kMeasuring ? json::escaped_size(c) : 0});
  }

  void all() {
    object("groups", x_.groups, "tasks", x_.tasks, "refs", x_.refs, "mods", x_.mods, "flows", x_.flows,
           "validators", x_.validators, "forms", x_.forms, "variables", x_.variables, "remembers", x_.remembers,
           "recalls", x_.recalls, "embed_markers", x_.embed_markers, "file_scopes", x_.file_scopes, "policies",
           x_.policies, "escalations", x_.escalations);
  }

 private:
  static constexpr bool kMeasuring = std::is_same_v<Out, json::Measure>;

  void item(uint8_t v) { w_.unsigned_integer(v); }
  void item(const std::string& s) { w_.string(s); }
  void item(const std::optional<std::string>& s) { s ? w_.string(*s) : w_.null(); }
  void item(const Sized& s) {
    if constexpr (kMeasuring) {
      w_.string_of_size(s.size);
    } else {
      w_.string(s.text);
    }
  }
  void item(MarkerKind k) { w_.plain_string(kMarkerKindNames[static_cast<int>(k)]); }
  template <class A, class B>
  void item(const std::pair<A, B>& p) {
    w_.begin_array();
    item(p.first);
    item(p.second);
    w_.end_array();
  }
  template <class T>
  void item(const std::vector<T>& list) {
    w_.begin_array();
    for (const T& x : list) item(x);
    w_.end_array();
  }

  // The names of a group path, outermost first: each is held once and
  // measured once, however many records stand under it.
  void item(const PathNode* at) {
    chain(at);
    w_.begin_array();
    for (auto n = chain_.rbegin(); n != chain_.rend(); ++n) item(Sized{(*n)->name, (*n)->name_size});
    w_.end_array();
  }

  void item(const std::map<VariableKey, std::string, KeyOrder>& variables) {
    w_.begin_object();
    for (const auto& [key, value] : variables) {
      variable_key(key);
      item(value);
    }
    w_.end_object();
  }

  // A key's text is its path's names and its own, joined by ':'.
  void variable_key(const VariableKey& k) {
    chain(k.path);
    if constexpr (kMeasuring) {
      std::size_t size = json::escaped_size(k.name) + chain_.size();
      for (const PathNode* n : chain_) size += n->name_size;
      w_.key_of_size(size);
    } else {
      key_.clear();
      for (auto n = chain_.rbegin(); n != chain_.rend(); ++n) key_.append((*n)->name).push_back(':');
      w_.key(key_.append(k.name));
    }
  }

  void chain(const PathNode* at) {
    chain_.clear();
    for (; at; at = at->parent) chain_.push_back(at);
  }

  // An object of the members given as name, value, name, value, ...
  template <class... Members>
  void object(const Members&... members) {
    w_.begin_object();
    fields(members...);
    w_.end_object();
  }
  void fields() {}
  template <class V, class... Rest>
  void fields(std::string_view name, const V& value, const Rest&... rest) {
    w_.plain_key(name);
    item(value);
    fields(rest...);
  }

  void item(const IndexGroup& g) {
    object("name", Sized{g.path->name, g.path->name_size}, "depth", g.depth, "path", g.path, "atoms", g.atoms,
           "assignee", g.assignee);
  }
  void item(const IndexTask& t) {
    object("text", t.text, "label", t.label, "kind", t.kind, "group_path", t.group_path, "assignee", t.assignee,
           "gates", t.gates);
  }
  void item(const IndexRef& r) { object("path", r.path, "context", contexts_[r.context]); }
  void item(const IndexMod& m) { object("name", m.name, "kind", m.kind); }
  void item(const IndexFlow& f) { object("edges", f.edges); }
  void item(const IndexFileScope& f) { object("paths", f.paths, "group_path", f.group_path); }
  void item(const IndexPolicy& p) { object("rules", p.rules, "group_path", p.group_path); }

  Out& w_;
  const DocumentIndex& x_;
  std::vector<Sized> contexts_;
  std::vector<const PathNode*> chain_;  // innermost first
  std::string key_;
};

}  // namespace

std::size_t index_text_size(const DocumentIndex& index) {
  json::Measure m;
  IndexOut(m, index).all();
  return m.size();
}

Result<std::string, SizeError> serialize_document_index(const DocumentIndex& index, std::size_t limit) {
  const std::size_t size = index_text_size(index);
  if (size > limit) return err(SizeError{size, limit});
  std::string out;
  memory::reserve_for_fill(out, size);
  json::Writer w([&out](std::string_view piece) { out.append(piece); });
  IndexOut(w, index).all();
  w.flush();
  return out;
}

}  // namespace varn::index
