// The document index as JSON: fourteen members, always all present, records
// with every member written (absent values as null).
#include "index/index.hpp"
#include "json/writer.hpp"
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

template <class T>
void member(Writer& w, std::string_view key, const T& value) {
  w.key(key);
  write(w, value);
}

// Every member of a record, in declaration order.
template <HasFields T>
void write(Writer& w, const T& rec) {
  w.begin_object();
  std::apply([&](const auto&... f) { ((w.plain_key(f.name), write(w, rec.*(f.member))), ...); }, Fields<T>::table.fields);
  w.end_object();
}

}  // namespace

std::string serialize_document_index(const DocumentIndex& index) {
  Writer w;
  w.begin_object();
  member(w, "groups", index.groups);
  member(w, "tasks", index.tasks);
  member(w, "refs", index.refs);
  member(w, "mods", index.mods);
  member(w, "flows", index.flows);
  member(w, "validators", index.validators);
  member(w, "forms", index.forms);
  w.key("variables");
  w.begin_object();
  for (const auto& [key, value] : index.variables) member(w, key, value);
  w.end_object();
  member(w, "remembers", index.remembers);
  member(w, "recalls", index.recalls);
  member(w, "embed_markers", index.embed_markers);
  member(w, "file_scopes", index.file_scopes);
  member(w, "policies", index.policies);
  member(w, "escalations", index.escalations);
  w.end_object();
  return w.take();
}

}  // namespace index
}  // namespace varn
