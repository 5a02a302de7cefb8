#pragma once
// One field table per record: the field names in declaration order with their
// write and read rules. The JSON AST writer walks these tables, and so does the
// reader, so a record's JSON shape is stated exactly once.
#include <optional>
#include <string_view>
#include <tuple>
#include <type_traits>

#include "varn/model.hpp"

namespace varn {

// How a field absent from a record's JSON is read: a required field is an
// error, an optional one (a std::optional member) is none, a defaulted one
// keeps the member's default. Only defaulted positions may be missing from
// the array form.
enum class ReadRule { Required, Optional, Defaulted };

enum class WriteRule {
  Always,        // written whatever the value; an absent optional as null
  UnlessAbsent,  // left out when the optional value is absent
  UnlessEmpty,   // left out when the list has no elements
};

template <class M>
struct IsOptional : std::false_type {};
template <class M>
struct IsOptional<std::optional<M>> : std::true_type {};

template <class R, class M>
struct Field {
  using Record = R;
  using Member = M;
  std::string_view name;
  M R::*member;
  WriteRule rule;
  ReadRule read = IsOptional<M>::value ? ReadRule::Optional : ReadRule::Required;
};

template <class R, class M>
constexpr Field<R, M> field(std::string_view name, M R::*member) {
  return {name, member, WriteRule::Always};
}
template <class R, class M>
constexpr Field<R, M> unless_absent(std::string_view name, M R::*member) {
  return {name, member, WriteRule::UnlessAbsent};
}
// A list the writer leaves out when empty reads back as empty when absent.
template <class R, class M>
constexpr Field<R, M> unless_empty(std::string_view name, M R::*member) {
  return {name, member, WriteRule::UnlessEmpty, ReadRule::Defaulted};
}

// Marks a field whose absence on reading gives the member's default.
template <class R, class M>
constexpr Field<R, M> defaulted(Field<R, M> f) {
  f.read = ReadRule::Defaulted;
  return f;
}

template <class... F>
struct RecordTable {
  std::string_view name;  // the record's name, for messages
  std::tuple<F...> fields;
  std::string_view word = "struct";  // how messages call it: "struct Group", "struct variant Inline::Text"
  static constexpr std::size_t size = sizeof...(F);
};

template <class... F>
constexpr RecordTable<F...> record(std::string_view name, F... fields) {
  return {name, {fields...}};
}
// The fields of a struct variant of a union, like `Text` of `Inline`.
template <class... F>
constexpr RecordTable<F...> variant_record(std::string_view name, F... fields) {
  return {name, {fields...}, "struct variant"};
}

// Specialised for every record with `static constexpr auto table`.
template <class T>
struct Fields;

template <class T>
concept HasFields = requires { Fields<T>::table; };

#define VARN_FIELDS(T, ...)                                  \
  template <>                                                \
  struct Fields<T> {                                         \
    static constexpr auto table = record(#T, __VA_ARGS__);   \
  }

// ---------------------------------------------------------------- values

VARN_FIELDS(Atom, field("name", &Atom::name), field("value", &Atom::value));
VARN_FIELDS(Gate, field("name", &Gate::name), field("body", &Gate::body));
VARN_FIELDS(Ref, field("path", &Ref::path), field("plural", &Ref::plural),
            unless_absent("mod_scope", &Ref::mod_scope), unless_absent("workspace_scope", &Ref::workspace_scope));
VARN_FIELDS(Compute, field("expr", &Compute::expr), field("live", &Compute::live));
VARN_FIELDS(Time, field("constraint", &Time::constraint), field("expr", &Time::expr));
VARN_FIELDS(TaskMarker, field("kind", &TaskMarker::kind), field("priority", &TaskMarker::priority),
            field("prefix", &TaskMarker::prefix), field("seq", &TaskMarker::seq));

#define VARN_VARIANT_FIELDS(T, NAME, ...)                            \
  template <>                                                        \
  struct Fields<T> {                                                 \
    static constexpr auto table = variant_record(NAME, __VA_ARGS__); \
  }

VARN_VARIANT_FIELDS(InlineText, "Inline::Text", field("value", &InlineText::value));
VARN_VARIANT_FIELDS(InlineChannel, "Inline::Channel", field("name", &InlineChannel::name));
VARN_VARIANT_FIELDS(InlineModCall, "Inline::ModCall", field("name", &InlineModCall::name),
                    field("args", &InlineModCall::args));
VARN_VARIANT_FIELDS(InlineBold, "Inline::Bold", field("value", &InlineBold::value));
VARN_VARIANT_FIELDS(InlineProjectRef, "Inline::ProjectRef", field("name", &InlineProjectRef::name));
#undef VARN_VARIANT_FIELDS

// ---------------------------------------------------------------- shared shapes

template <class Tag>
struct Fields<TextRecord<Tag>> {
  static constexpr auto table = record(Tag::name, field("text", &TextRecord<Tag>::text));
};
template <class Tag>
struct Fields<NamedChildren<Tag>> {
  static constexpr auto table =
      record(Tag::name, field("name", &NamedChildren<Tag>::name), field("children", &NamedChildren<Tag>::children));
};
template <class Tag>
struct Fields<ChildrenRecord<Tag>> {
  static constexpr auto table = record(Tag::name, field("children", &ChildrenRecord<Tag>::children));
};

// ---------------------------------------------------------------- block and statement records

VARN_FIELDS(Group, field("depth", &Group::depth), field("name", &Group::name), field("atoms", &Group::atoms),
            field("gates", &Group::gates), field("children", &Group::children));
VARN_FIELDS(MatchArm, field("pattern", &MatchArm::pattern), field("children", &MatchArm::children));
VARN_FIELDS(Task, field("marker", &Task::marker), field("label", &Task::label), field("text", &Task::text),
            field("inline", &Task::inline_), field("gates", &Task::gates), field("children", &Task::children),
            unless_absent("on_pass", &Task::on_pass), unless_absent("on_fail", &Task::on_fail),
            unless_absent("match_arms", &Task::match_arms), unless_absent("closes", &Task::closes),
            unless_absent("depends", &Task::depends), unless_absent("validate", &Task::validate),
            unless_absent("status", &Task::status));
VARN_FIELDS(Prose, field("text", &Prose::text), field("inline", &Prose::inline_));
VARN_FIELDS(FieldDef, field("name", &FieldDef::name), field("plural", &FieldDef::plural),
            field("default", &FieldDef::default_));
VARN_FIELDS(Define, field("entity", &Define::entity), field("atoms", &Define::atoms), field("fields", &Define::fields),
            unless_absent("from_scope", &Define::from_scope), unless_absent("mod_scope", &Define::mod_scope),
            unless_absent("workspace_scope", &Define::workspace_scope));
VARN_FIELDS(BatchRecord, field("id", &BatchRecord::id), field("fields", &BatchRecord::fields));
VARN_FIELDS(Mutate, field("entity", &Mutate::entity), field("id", &Mutate::id), field("gate", &Mutate::gate),
            field("fields", &Mutate::fields), unless_absent("batch", &Mutate::batch),
            unless_absent("mod_scope", &Mutate::mod_scope), unless_absent("workspace_scope", &Mutate::workspace_scope));
VARN_FIELDS(Delete, field("entity", &Delete::entity), field("id", &Delete::id),
            unless_absent("mod_scope", &Delete::mod_scope), unless_absent("workspace_scope", &Delete::workspace_scope));
VARN_FIELDS(Query, field("entity", &Query::entity), field("plural", &Query::plural), field("filter", &Query::filter),
            field("sort", &Query::sort), field("limit", &Query::limit), field("include", &Query::include),
            unless_absent("mod_scope", &Query::mod_scope), unless_absent("workspace_scope", &Query::workspace_scope),
            unless_absent("from_snapshot", &Query::from_snapshot));
VARN_FIELDS(Variable, field("name", &Variable::name), field("value", &Variable::value));
VARN_FIELDS(FlowEdge, field("from", &FlowEdge::from), field("to", &FlowEdge::to), field("label", &FlowEdge::label),
            field("parallel", &FlowEdge::parallel), field("gate", &FlowEdge::gate), field("wait", &FlowEdge::wait),
            field("timeout", &FlowEdge::timeout));
VARN_FIELDS(Flow, field("name", &Flow::name), field("edges", &Flow::edges));
VARN_FIELDS(Snap, field("name", &Snap::name));
VARN_FIELDS(Diff, field("target", &Diff::target), unless_absent("from_snapshot", &Diff::from_snapshot));
VARN_FIELDS(HistoryOp, field("target", &HistoryOp::target), field("limit", &HistoryOp::limit));
VARN_FIELDS(Conditional, field("condition", &Conditional::condition), field("children", &Conditional::children));
VARN_FIELDS(ModInvoke, field("name", &ModInvoke::name), field("method", &ModInvoke::method),
            field("args", &ModInvoke::args));
VARN_FIELDS(GitOp, field("verb", &GitOp::verb), field("args", &GitOp::args), field("body", &GitOp::body));
VARN_FIELDS(UseBlock, field("mod_name", &UseBlock::mod_name), field("config", &UseBlock::config),
            unless_absent("entity", &UseBlock::entity), unless_absent("from_mod", &UseBlock::from_mod),
            unless_absent("from_workspace", &UseBlock::from_workspace), unless_absent("alias", &UseBlock::alias));
VARN_FIELDS(Remember, field("content", &Remember::content));
VARN_FIELDS(RecallOp, field("query", &RecallOp::query));
VARN_FIELDS(EmbedMarker, field("tag", &EmbedMarker::tag));
VARN_FIELDS(Escalate, field("target", &Escalate::target));
VARN_FIELDS(CodeBlock, field("lang", &CodeBlock::lang), field("content", &CodeBlock::content));
VARN_FIELDS(ThreadComment, unless_absent("on", &ThreadComment::on), unless_absent("author", &ThreadComment::author),
            field("body", &ThreadComment::body), unless_empty("reactions", &ThreadComment::reactions),
            unless_absent("created_at", &ThreadComment::created_at), field("gates", &ThreadComment::gates),
            field("children", &ThreadComment::children));

// ---------------------------------------------------------------- definition records

// Every field of the metadata and of the form storage may be left out, and so
// may `meta` and `storage` themselves: reading keeps the empty default.
VARN_FIELDS(AttachmentMeta, defaulted(unless_absent("id", &AttachmentMeta::id)),
            unless_empty("targets", &AttachmentMeta::targets), unless_empty("requires", &AttachmentMeta::requires_),
            unless_empty("blocks", &AttachmentMeta::blocks), unless_empty("depends_on", &AttachmentMeta::depends_on));
VARN_FIELDS(StatesDef, field("transitions", &StatesDef::transitions));
VARN_FIELDS(ValidateDef, field("name", &ValidateDef::name), defaulted(field("meta", &ValidateDef::meta)),
            field("children", &ValidateDef::children));
VARN_FIELDS(CheckDef, field("name", &CheckDef::name), defaulted(field("meta", &CheckDef::meta)),
            field("body", &CheckDef::body));
VARN_FIELDS(FormStorageDef, defaulted(unless_absent("canonical", &FormStorageDef::canonical)),
            defaulted(unless_absent("entity", &FormStorageDef::entity)),
            defaulted(unless_absent("duckdb", &FormStorageDef::duckdb)));
VARN_FIELDS(FormProjectionDef, field("target", &FormProjectionDef::target),
            field("mapping", &FormProjectionDef::mapping));
VARN_FIELDS(FormDef, field("name", &FormDef::name),
            defaulted(unless_absent("schema_version", &FormDef::schema_version)),
            defaulted(unless_absent("ui_layout", &FormDef::ui_layout)),
            unless_empty("ui_pages", &FormDef::ui_pages), defaulted(field("storage", &FormDef::storage)),
            unless_empty("projections", &FormDef::projections), field("fields", &FormDef::fields));
// The record's own `kind` follows the node's `kind` tag, so the object holds the key twice.
VARN_FIELDS(ModDef, field("name", &ModDef::name), field("kind", &ModDef::kind),
            field("description", &ModDef::description), field("trigger", &ModDef::trigger),
            field("body", &ModDef::body), field("versioned", &ModDef::versioned));
VARN_FIELDS(StatusDef, field("options", &StatusDef::options));
VARN_FIELDS(Routine, field("trigger", &Routine::trigger), field("expr", &Routine::expr));
VARN_FIELDS(Webhook, field("trigger", &Webhook::trigger), field("url", &Webhook::url),
            field("payload", &Webhook::payload));
VARN_FIELDS(FilesDef, field("paths", &FilesDef::paths));
VARN_FIELDS(PolicyRule, field("path", &PolicyRule::path), field("gates", &PolicyRule::gates));
VARN_FIELDS(PolicyDef, field("rules", &PolicyDef::rules));
VARN_FIELDS(SyncDef, field("name", &SyncDef::name), field("class", &SyncDef::class_),
            field("source", &SyncDef::source), field("identity", &SyncDef::identity), field("mode", &SyncDef::mode),
            field("target", &SyncDef::target), field("schedule", &SyncDef::schedule),
            field("scope", &SyncDef::scope));
VARN_FIELDS(EntityField, field("name", &EntityField::name), field("field_type", &EntityField::field_type));
VARN_FIELDS(EntityDef, field("name", &EntityDef::name), field("source", &EntityDef::source),
            field("namespace", &EntityDef::namespace_), field("identity", &EntityDef::identity),
            field("fields", &EntityDef::fields));
VARN_FIELDS(MetricDef, field("name", &MetricDef::name), field("source", &MetricDef::source),
            field("grain", &MetricDef::grain), field("dimensions", &MetricDef::dimensions),
            field("formula", &MetricDef::formula), field("cross_source", &MetricDef::cross_source));
VARN_FIELDS(ServeDef, field("target", &ServeDef::target), field("command", &ServeDef::command),
            unless_absent("port", &ServeDef::port), unless_absent("open", &ServeDef::open));
VARN_FIELDS(IssueDef, field("title", &IssueDef::title), unless_absent("id", &IssueDef::id),
            unless_absent("on", &IssueDef::on), unless_absent("status", &IssueDef::status),
            unless_absent("priority", &IssueDef::priority), unless_absent("assignee", &IssueDef::assignee),
            unless_empty("labels", &IssueDef::labels), unless_absent("estimate", &IssueDef::estimate),
            unless_absent("milestone", &IssueDef::milestone), unless_absent("due_date", &IssueDef::due_date),
            unless_absent("description", &IssueDef::description), field("gates", &IssueDef::gates),
            field("children", &IssueDef::children));
VARN_FIELDS(CommandEntry, field("name", &CommandEntry::name), field("description", &CommandEntry::description),
            field("params", &CommandEntry::params), field("prompt", &CommandEntry::prompt));
VARN_FIELDS(CommandsDef, field("commands", &CommandsDef::commands));
VARN_FIELDS(ProjectDef, field("name", &ProjectDef::name), field("brief", &ProjectDef::brief),
            unless_absent("heartbeat", &ProjectDef::heartbeat), unless_absent("framework", &ProjectDef::framework),
            unless_absent("status", &ProjectDef::status), unless_absent("commands", &ProjectDef::commands),
            unless_absent("serve", &ProjectDef::serve), unless_absent("fitness", &ProjectDef::fitness),
            unless_absent("pressure", &ProjectDef::pressure), unless_absent("phase", &ProjectDef::phase),
            unless_absent("inhibited_until", &ProjectDef::inhibited_until),
            unless_absent("completion", &ProjectDef::completion), unless_absent("kpi", &ProjectDef::kpi),
            unless_absent("routine", &ProjectDef::routine));
VARN_FIELDS(DirectiveDef, field("kind", &DirectiveDef::kind), field("value", &DirectiveDef::value));

// ---------------------------------------------------------------- lattice records

VARN_FIELDS(LatticeCheck, field("field", &LatticeCheck::field), field("required", &LatticeCheck::required),
            field("min_items", &LatticeCheck::min_items));
VARN_FIELDS(LatticeArtifactRef, field("artifact", &LatticeArtifactRef::artifact),
            field("schema", &LatticeArtifactRef::schema), field("checks", &LatticeArtifactRef::checks));
VARN_FIELDS(LatticeSchemaField, field("name", &LatticeSchemaField::name),
            field("field_type", &LatticeSchemaField::field_type), field("required", &LatticeSchemaField::required));
VARN_FIELDS(LatticeValidatesDef, field("artifacts", &LatticeValidatesDef::artifacts),
            field("children", &LatticeValidatesDef::children));
VARN_FIELDS(LatticeConstraintDef, field("constraint_type", &LatticeConstraintDef::constraint_type),
            field("rule", &LatticeConstraintDef::rule), field("applies_to", &LatticeConstraintDef::applies_to),
            field("children", &LatticeConstraintDef::children));
VARN_FIELDS(LatticeSchemaDef, field("fields", &LatticeSchemaDef::fields),
            field("children", &LatticeSchemaDef::children));
VARN_FIELDS(LatticeFrontierDef, field("expected_schema", &LatticeFrontierDef::expected_schema),
            field("missing_fields", &LatticeFrontierDef::missing_fields),
            field("exploration_strategy", &LatticeFrontierDef::exploration_strategy),
            field("children", &LatticeFrontierDef::children));
VARN_FIELDS(PressureEffectDef, field("dynamic", &PressureEffectDef::dynamic),
            field("target", &PressureEffectDef::target));

#undef VARN_FIELDS

}  // namespace varn
