// The document index as JSON: fourteen members, always all present, records
// with every member written (absent values as null).
#include <map>
#include <memory>
#include <type_traits>

#include "index/index.hpp"
#include "json/writer.hpp"
#include "memory/pages.hpp"
#include "model/fields.hpp"

namespace varn {

using index::IndexFileScope;
using index::IndexFlow;
using index::IndexGroup;
using index::IndexMod;
using index::IndexPolicy;
using index::IndexRef;
using index::IndexTask;

#define VARN_FIELDS(T, ...)                                \
  template <>                                              \
  struct Fields<T> {                                       \
    static constexpr auto table = record(#T, __VA_ARGS__); \
  }

VARN_FIELDS(IndexGroup, field("name", &IndexGroup::name), field("depth", &IndexGroup::depth),
            field("path", &IndexGroup::path), field("atoms", &IndexGroup::atoms),
            field("assignee", &IndexGroup::assignee));
VARN_FIELDS(IndexTask, field("text", &IndexTask::text), field("label", &IndexTask::label),
            field("kind", &IndexTask::kind), field("group_path", &IndexTask::group_path),
            field("assignee", &IndexTask::assignee), field("gates", &IndexTask::gates));
VARN_FIELDS(IndexRef, field("path", &IndexRef::path), field("context", &IndexRef::context));
VARN_FIELDS(IndexMod, field("name", &IndexMod::name), field("kind", &IndexMod::kind));
VARN_FIELDS(IndexFlow, field("edges", &IndexFlow::edges));
VARN_FIELDS(IndexFileScope, field("paths", &IndexFileScope::paths),
            field("group_path", &IndexFileScope::group_path));
VARN_FIELDS(IndexPolicy, field("rules", &IndexPolicy::rules), field("group_path", &IndexPolicy::group_path));
#undef VARN_FIELDS

namespace index {
namespace {

using json::Writer;

// Declared up front: the templates below call them for element types whose
// namespace argument-dependent lookup would not search.
template <class T>
void write(Writer& w, const std::vector<T>& list);
template <HasFields T>
void write(Writer& w, const T& rec);

void write(Writer& w, uint8_t v) { w.unsigned_integer(v); }

void write(Writer& w, const std::string& s) { w.string(s); }

void write(Writer& w, const std::optional<std::string>& s) {
  if (s) {
    w.string(*s);
  } else {
    w.null();
  }
}

template <class A, class B>
void write(Writer& w, const std::pair<A, B>& p) {
  w.begin_array();
  write(w, p.first);
  write(w, p.second);
  w.end_array();
}

template <class T>
void write(Writer& w, const std::vector<T>& list) {
  w.begin_array();
  for (const T& item : list) write(w, item);
  w.end_array();
}

// Every member of a record, in declaration order.
template <HasFields T>
void write(Writer& w, const T& rec) {
  w.begin_object();
  std::apply([&](const auto&... f) { ((w.plain_key(f.name), write(w, rec.*(f.member))), ...); }, Fields<T>::table.fields);
  w.end_object();
}

using Variables = std::map<std::string, std::string>;

// Calls f(name, member) for each member of the index, in the order written.
template <class F>
void each_member(DocumentIndex& x, F&& f) {
  f("groups", x.groups), f("tasks", x.tasks), f("refs", x.refs), f("mods", x.mods), f("flows", x.flows);
  f("validators", x.validators), f("forms", x.forms), f("variables", x.variables);
  f("remembers", x.remembers), f("recalls", x.recalls), f("embed_markers", x.embed_markers);
  f("file_scopes", x.file_scopes), f("policies", x.policies), f("escalations", x.escalations);
}

}  // namespace

// Each member is written by a writer of its own, as the one member of an
// object: "{\n  \"name\": value\n}". The document's text is those texts
// without their braces, joined by commas, within one pair of braces.
IndexText::IndexText() {
  DocumentIndex none;
  each_member(none, [&](std::string_view name, auto& member) {
    auto& w = sections_.emplace_back(std::make_unique<Writer>());
    w->begin_object();
    w->key(name);
    if constexpr (std::is_same_v<std::decay_t<decltype(member)>, Variables>) {
      w->begin_object();
    } else {
      w->begin_array();
    }
  });
}

IndexText::~IndexText() = default;

void IndexText::flush(DocumentIndex& index, bool all) {
  std::size_t i = 0;
  each_member(index, [&](std::string_view, auto& member) {
    using T = std::decay_t<decltype(member)>;
    Writer& w = *sections_[i++];
    if constexpr (std::is_same_v<T, Variables>) {
      if (!all) return;  // a later variable replaces an earlier one
      for (const auto& [key, value] : member) {
        w.key(key);
        w.string(value);
      }
      member.clear();
    } else {
      if (std::is_same_v<T, std::vector<IndexTask>> && !all) return;  // waiting for their assignees
      for (auto& item : member) {
        write(w, item);
        item = {};
      }
      T().swap(member);
    }
  });
}

std::string IndexText::finish(DocumentIndex&& index) {
  flush(index, true);
  std::size_t total = 0;
  std::size_t i = 0;
  each_member(index, [&](std::string_view, auto& member) {
    Writer& w = *sections_[i++];
    if constexpr (std::is_same_v<std::decay_t<decltype(member)>, Variables>) {
      w.end_object();
    } else {
      w.end_array();
    }
    w.end_object();
    total += w.size();
  });
  // Joined in place: each text's "{" becomes the comma after the text before,
  // whose "\n}" is cut.
  std::string out;
  memory::reserve_for_fill(out, total);
  for (auto& w : sections_) {
    const std::size_t start = out.size();
    if (start > 0) out.resize(start - 2);
    w->take_into(out);
    if (start > 0) out[start - 2] = ',';
  }
  return out;
}

std::string serialize_document_index(DocumentIndex&& index) { return IndexText().finish(std::move(index)); }

}  // namespace index
}  // namespace varn
