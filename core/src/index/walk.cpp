// The index walk: one pre-order pass over the tree, then the hand-down of
// group assignees to the tasks that have none of their own.
#include <map>
#include <memory>
#include <type_traits>

#include "index/index.hpp"
#include "parse/text.hpp"

namespace varn::index {
namespace {

using parse::collect_record_names;

constexpr std::string_view kMarkerKindNames[] = {"Open", "Required", "Optional", "Completed"};

std::string marker_kind_name(MarkerKind k) { return std::string(kMarkerKindNames[static_cast<int>(k)]); }

std::string join(const Strings& parts, std::string_view sep) {
  std::string out;
  for (std::size_t i = 0; i < parts.size(); ++i) {
    if (i) out.append(sep);
    out.append(parts[i]);
  }
  return out;
}

std::string ref_text(const Ref& r) { return "@" + join(r.path, ":"); }

bool names_assignee(const std::string& s) { return !s.empty() && s[0] == '@'; }

// The first atom whose name, or else whose value, starts with '@'.
std::optional<std::string> group_assignee(const Group& g) {
  for (const Atom& a : g.atoms) {
    if (names_assignee(a.name)) return a.name;
    if (a.value && names_assignee(*a.value)) return *a.value;
  }
  return std::nullopt;
}

// The first inline item that names someone: a reference of two or more
// segments or to agent or me, or an atom whose name starts with '@'.
std::optional<std::string> task_assignee(const Task& t) {
  for (const Inline& span : t.inline_) {
    if (const auto* r = std::get_if<Ref>(&span)) {
      const Strings& p = r->path;
      if (p.size() >= 2 || (p.size() == 1 && (p[0] == "agent" || p[0] == "me"))) return ref_text(*r);
    } else if (const auto* a = std::get_if<Atom>(&span)) {
      if (names_assignee(a->name)) return a->name;
    }
  }
  return std::nullopt;
}

std::string variable_text(const VariableValue& v) {
  if (const auto* lit = std::get_if<std::string>(&v)) return *lit;
  if (const auto* r = std::get_if<Ref>(&v)) return ref_text(*r);
  const auto& c = std::get<Compute>(v);
  return c.live ? "||" + c.expr + "||" : "|" + c.expr + "|";
}

struct Walker {
  DocumentIndex& index;
  Strings path;  // the enclosing groups' names, pushed and popped on the way

  void nodes(const Nodes& list, const std::optional<std::string>& inherited) {
    for (const Node& n : list) node(n, inherited);
  }

  void node(const Node& n, const std::optional<std::string>& inherited) {
    n.visit([&](const auto& x) { visit(x, inherited); });
  }

  void visit(const Group& g, const std::optional<std::string>& inherited) {
    path.push_back(g.name);
    auto own = group_assignee(g);
    index.groups.push_back({g.name, g.depth, path, collect_record_names(g.atoms), own});
    nodes(g.children, own ? own : inherited);
    path.pop_back();
  }

  void visit(const Task& t, const std::optional<std::string>& inherited) {
    auto assignee = task_assignee(t);
    if (!assignee) assignee = inherited;
    index.tasks.push_back(
        {t.text, t.label, marker_kind_name(t.marker.kind), path, std::move(assignee), collect_record_names(t.gates)});
    nodes(t.children, inherited);
  }

  void visit(const Prose& p, const std::optional<std::string>&) {
    for (const Inline& span : p.inline_) {
      if (const auto* r = std::get_if<Ref>(&span)) index.refs.push_back({r->path, p.text});
    }
  }

  // Two keys: qualified by the group path, and bare. Later variables win.
  void visit(const Variable& v, const std::optional<std::string>&) {
    std::string value = variable_text(v.value);
    if (!path.empty()) index.variables[join(path, ":") + ":" + v.name] = value;
    index.variables[v.name] = std::move(value);
  }

  void visit(const Flow& f, const std::optional<std::string>&) {
    index.flows.push_back({parse::collect_flow_edge_endpoints(f.edges)});
  }
  void visit(const ValidateDef& v, const std::optional<std::string>& inherited) {
    index.validators.push_back(v.name);
    nodes(v.children, inherited);
  }
  void visit(const Conditional& c, const std::optional<std::string>& inherited) { nodes(c.children, inherited); }
  void visit(const FormDef& f, const std::optional<std::string>&) { index.forms.push_back(f.name); }
  void visit(const ModDef& m, const std::optional<std::string>&) { index.mods.push_back({m.name, m.kind}); }
  void visit(const ModInvoke& m, const std::optional<std::string>&) { index.mods.push_back({m.name, std::nullopt}); }
  void visit(const Remember& r, const std::optional<std::string>&) { index.remembers.push_back(r.content); }
  void visit(const RecallOp& r, const std::optional<std::string>&) { index.recalls.push_back(r.query); }
  void visit(const EmbedMarker& e, const std::optional<std::string>&) { index.embed_markers.push_back(e.tag); }
  void visit(const Escalate& e, const std::optional<std::string>&) { index.escalations.push_back(e.target); }
  void visit(const FilesDef& f, const std::optional<std::string>&) { index.file_scopes.push_back({f.paths, path}); }
  void visit(const PolicyDef& p, const std::optional<std::string>&) {
    index.policies.push_back({parse::collect_policy_rules(p.rules), path});
  }

  // Every other kind adds nothing, and what it holds is not visited.
  template <class T>
  void visit(const T&, const std::optional<std::string>&) {}
};

void add_assignees(PathTrie& table, const std::vector<IndexGroup>& groups) {
  for (const IndexGroup& g : groups) {
    if (g.assignee) table.insert(g.path, *g.assignee);
  }
}

void hand_down(std::vector<IndexTask>& tasks, const PathTrie& table) {
  for (IndexTask& t : tasks) {
    if (t.assignee) continue;
    if (const auto* found = table.deepest(t.group_path)) t.assignee = **found;
  }
}

}  // namespace

void PathTrie::insert(const Strings& path, const std::string& value) {
  PathTrie* at = this;
  for (const std::string& name : path) {
    auto& child = at->children[name];
    if (!child) child = std::make_unique<PathTrie>();
    at = child.get();
  }
  at->assignee = value;
}

const std::optional<std::string>* PathTrie::deepest(const Strings& path) const {
  const std::optional<std::string>* found = nullptr;
  const PathTrie* at = this;
  for (const std::string& name : path) {
    auto it = at->children.find(name);
    if (it == at->children.end()) break;
    at = it->second.get();
    if (at->assignee) found = &at->assignee;
  }
  return found;
}

DocumentIndex build_document_index(const Document& doc) {
  DocumentIndex index;
  Walker walker{index, {}};
  for (const Node& n : doc.nodes) walker.node(n, std::nullopt);
  PathTrie table;
  add_assignees(table, index.groups);
  hand_down(index.tasks, table);
  return index;
}

void IndexBuilder::node(const Node& n) {
  Walker{index, {}}.node(n, std::nullopt);
  add_assignees(assignees, index.groups);
  text.flush(index, false);
}

std::string IndexBuilder::finish() {
  hand_down(index.tasks, assignees);
  return text.finish(std::move(index));
}

}  // namespace varn::index
