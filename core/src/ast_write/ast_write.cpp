// The JSON AST writer: every record is written from its field table, so this
// file only knows the value forms (strings, numbers, lists, enums, unions).
#include <type_traits>

#include "json/writer.hpp"
#include "model/fields.hpp"
#include "varn/ast.hpp"

namespace varn {
namespace {

using json::Writer;

// Every overload is declared up front: the templates below call them for
// member types whose namespace argument-dependent lookup would not search.
void write_value(Writer& w, const Node& node);
void write_value(Writer& w, const Inline& span);
void write_value(Writer& w, MarkerKind k);
void write_value(Writer& w, MarkerPriority p);
void write_value(Writer& w, const MarkerPrefix& p);
void write_value(Writer& w, const VariableValue& v);
void write_value(Writer& w, const FieldValue& v);
template <class T>
void write_value(Writer& w, const std::vector<T>& list);
template <class T>
void write_value(Writer& w, const std::optional<T>& v);
template <HasFields T>
void write_value(Writer& w, const T& rec);

void write_value(Writer& w, const std::string& s) { w.string(s); }
void write_value(Writer& w, bool b) { w.boolean(b); }
void write_value(Writer& w, uint8_t v) { w.unsigned_integer(v); }
void write_value(Writer& w, uint32_t v) { w.unsigned_integer(v); }
void write_value(Writer& w, int64_t v) { w.integer(v); }
void write_value(Writer& w, int8_t v) { w.integer(v); }
void write_value(Writer& w, double v) { w.number(v); }

void write_value(Writer& w, const std::pair<std::string, std::string>& kv) {
  w.begin_array();
  w.string(kv.first);
  w.string(kv.second);
  w.end_array();
}

template <class T>
void write_value(Writer& w, const std::vector<T>& list) {
  w.begin_array();
  for (const T& item : list) write_value(w, item);
  w.end_array();
}

template <class T>
void write_value(Writer& w, const std::optional<T>& v) {
  if (v) {
    write_value(w, *v);
  } else {
    w.null();
  }
}

template <class T>
bool is_left_out(const T& v, WriteRule rule) {
  if (rule == WriteRule::UnlessAbsent) {
    if constexpr (requires { v.has_value(); }) return !v.has_value();
  }
  if (rule == WriteRule::UnlessEmpty) {
    if constexpr (requires { v.empty(); }) return v.empty();
  }
  return false;
}

// The members of a record, in declaration order, each by its write rule;
// with `before_children`, all but its list of child nodes.
template <HasFields T>
void write_members(Writer& w, const T& rec, bool before_children = false) {
  std::apply(
      [&](const auto&... f) {
        (
            [&] {
              using Member = typename std::decay_t<decltype(f)>::Member;
              if constexpr (std::is_same_v<Member, Nodes>) {
                if (before_children) return;
              }
              const auto& v = rec.*(f.member);
              if (is_left_out(v, f.rule)) return;
              w.plain_key(f.name);
              write_value(w, v);
            }(),
            ...);
      },
      Fields<T>::table.fields);
}

// A record as one object; a node payload or inline span carries its `kind` first.
template <HasFields T>
void write_record(Writer& w, const T& rec, std::string_view kind = {}) {
  w.begin_object();
  if (!kind.empty()) {
    w.plain_key("kind");
    w.plain_string(kind);
  }
  write_members(w, rec);
  w.end_object();
}

template <HasFields T>
void write_value(Writer& w, const T& rec) {
  write_record(w, rec);
}

// ---------------------------------------------------------------- small enums

constexpr std::string_view kMarkerKindNames[] = {"Open", "Required", "Optional", "Completed"};
constexpr std::string_view kMarkerPriorityNames[] = {"None", "Required", "Optional", "Decision"};
constexpr std::string_view kSpawnModeNames[] = {"Parallel", "Sequential"};
constexpr std::string_view kMarkerPrefixNames[] = {"None", "Parallel", "Subtask", "ParallelSubtask"};
constexpr std::string_view kVariableValueNames[] = {"Literal", "Compute", "Ref"};
constexpr std::string_view kFieldValueNames[] = {"Str",  "Int",       "Float", "Bool", "Atom", "Enum",
                                                 "Ref",  "List",      "Timestamp", "Nil", "Trit"};

void write_value(Writer& w, MarkerKind k) { w.plain_string(kMarkerKindNames[static_cast<int>(k)]); }
void write_value(Writer& w, MarkerPriority p) { w.plain_string(kMarkerPriorityNames[static_cast<int>(p)]); }

// A variant without payload is its bare name; one with a payload is an object
// of one member named after the variant.
template <class F>
void write_enum_payload(Writer& w, std::string_view name, F&& payload) {
  w.begin_object();
  w.plain_key(name);
  payload();
  w.end_object();
}

void write_value(Writer& w, const MarkerPrefix& p) {
  std::string_view name = kMarkerPrefixNames[p.index()];
  if (const auto* sub = std::get_if<prefix::Subtask>(&p)) {
    write_enum_payload(w, name, [&] { w.unsigned_integer(sub->count); });
  } else {
    w.plain_string(name);
  }
}

void write_value(Writer& w, const VariableValue& v) {
  write_enum_payload(w, kVariableValueNames[v.index()], [&] { std::visit([&](const auto& x) { write_value(w, x); }, v); });
}

void write_value(Writer& w, const FieldValue& v) {
  std::string_view name = kFieldValueNames[v.index()];
  std::visit(
      [&](const auto& x) {
        if constexpr (requires { x.value; }) {
          write_enum_payload(w, name, [&] { write_value(w, x.value); });
        } else {
          w.plain_string(name);
        }
      },
      v);
}

// ---------------------------------------------------------------- unions with a kind

void write_value(Writer& w, const Inline& span) {
  std::string_view kind = inline_kind_names[span.index()];
  visit_held([&](const auto& x) { write_record(w, x, kind); }, span);
}

void write_value(Writer& w, const Node& node) {
  std::string_view kind = node_kind_names[node.value.index()];
  node.visit([&](const auto& x) {
    using T = std::decay_t<decltype(x)>;
    if constexpr (std::is_same_v<T, Divider>) {
      w.begin_object();
      w.plain_key("kind");
      w.plain_string(kind);
      w.end_object();
    } else if constexpr (std::is_same_v<T, SpawnMode>) {
      w.begin_object();
      w.plain_key("kind");
      w.plain_string(kind);
      w.plain_key(kSpawnModeNames[static_cast<int>(x)]);
      w.null();
      w.end_object();
    } else {
      write_record(w, x, kind);
    }
  });
}

}  // namespace

std::string serialize_document(const Document& doc) {
  Writer w;
  w.begin_object();
  w.plain_key("nodes");
  write_value(w, doc.nodes);
  w.end_object();
  return w.take();
}

std::string serialize_document(Document&& doc) {
  DocumentWriter w;
  for (Node& node : doc.nodes) {
    w.node(node);
    node = Divider{};  // frees the node's records and text
  }
  Nodes().swap(doc.nodes);
  return w.finish();
}

DocumentWriter::DocumentWriter() : DocumentWriter(std::make_unique<Writer>()) {}

DocumentWriter::DocumentWriter(TextSink sink) : DocumentWriter(std::make_unique<Writer>(std::move(sink))) {}

DocumentWriter::DocumentWriter(std::unique_ptr<Writer> w) : w_(std::move(w)) {
  w_->begin_object();
  w_->plain_key("nodes");
  w_->begin_array();
}

DocumentWriter::~DocumentWriter() = default;

void DocumentWriter::node(const Node& node) { write_value(*w_, node); }

// A group's children are its last member: what comes before them is written
// at once, then each child as it comes, then the ends of the list and of the
// group.
static_assert(std::get<Fields<Group>::table.size - 1>(Fields<Group>::table.fields).name == "children");

void DocumentWriter::open(const Node& group) {
  w_->begin_object();
  w_->plain_key("kind");
  w_->plain_string(node_kind_names[group.value.index()]);
  write_members(*w_, group.get<Group>(), true);
  w_->plain_key("children");
  w_->begin_array();
}

void DocumentWriter::close() {
  w_->end_array();
  w_->end_object();
}

std::string DocumentWriter::finish() {
  w_->end_array();
  w_->end_object();
  return w_->take();
}

void DocumentWriter::finish_sink() {
  w_->end_array();
  w_->end_object();
  w_->flush();
}

}  // namespace varn
