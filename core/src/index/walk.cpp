// The index walk: one pre-order pass over the tree, then the hand-down of
// group assignees to the tasks that have none of their own.
#include <algorithm>
#include <memory>
#include <utility>

#include "index/index.hpp"
#include "json/writer.hpp"
#include "parse/text.hpp"

namespace varn::index {
namespace {

using parse::collect_record_names;

std::string ref_text(const Ref& r) {
  std::string out = "@";
  for (std::size_t i = 0; i < r.path.size(); ++i) {
    if (i) out += ':';
    out += r.path[i];
  }
  return out;
}

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
    if (const auto* r = held_if<Ref>(span)) {
      const Strings& p = r->path;
      if (p.size() >= 2 || (p.size() == 1 && (p[0] == "agent" || p[0] == "me"))) return ref_text(*r);
    } else if (const auto* a = held_if<Atom>(span)) {
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

// The path one group deeper, made on first use; its record. The group's
// assignee, or else the one it inherits, is handed down to its members.
std::optional<std::string> enter_group(DocumentIndex& index, PathNode*& path, const Group& g,
                                       const std::optional<std::string>& inherited) {
  auto& child = (path ? path : &index.paths)->children[g.name];
  if (!child) child = std::make_unique<PathNode>(PathNode{g.name, path, json::escaped_size(g.name), std::nullopt, {}});
  path = child.get();
  auto own = group_assignee(g);
  // Later groups of the same path replace it, and lend it to the tasks of
  // the whole document once it is read.
  if (own) path->assignee = own;
  index.groups.push_back({path, g.depth, collect_record_names(g.atoms), own});
  return own ? own : inherited;
}

struct Walker {
  DocumentIndex& index;
  PathNode* path = nullptr;  // the enclosing groups' path; null at the top level

  void nodes(const Nodes& list, const std::optional<std::string>& inherited) {
    for (const Node& n : list) node(n, inherited);
  }

  void node(const Node& n, const std::optional<std::string>& inherited) {
    n.visit([&](const auto& x) { visit(x, inherited); });
  }

  void visit(const Group& g, const std::optional<std::string>& inherited) {
    PathNode* outer = path;
    nodes(g.children, enter_group(index, path, g, inherited));
    path = outer;
  }

  void visit(const Task& t, const std::optional<std::string>& inherited) {
    auto assignee = task_assignee(t);
    if (!assignee) assignee = inherited;
    index.tasks.push_back({t.text, t.label, t.marker.kind, path, std::move(assignee), collect_record_names(t.gates)});
    nodes(t.children, inherited);
  }

  // Each reference of the line takes it as its context, held once.
  void visit(const Prose& p, const std::optional<std::string>&) {
    bool held = false;
    for (const Inline& span : p.inline_) {
      const auto* r = held_if<Ref>(span);
      if (!r) continue;
      if (!std::exchange(held, true)) index.contexts.push_back(p.text);
      index.refs.push_back({r->path, index.contexts.size() - 1});
    }
  }

  // Two keys: qualified by the group path, and bare. Later variables win.
  void visit(const Variable& v, const std::optional<std::string>&) {
    std::string value = variable_text(v.value);
    if (path) index.variables.insert_or_assign(VariableKey{path, v.name}, value);
    index.variables.insert_or_assign(VariableKey{nullptr, v.name}, std::move(value));
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

// A task without an assignee of its own takes the one of the deepest group
// path along its own that has one.
void hand_down(std::vector<IndexTask>& tasks) {
  for (IndexTask& t : tasks) {
    for (const PathNode* at = t.group_path; at && !t.assignee; at = at->parent) t.assignee = at->assignee;
  }
}

// The pieces of a key's text, last first: its name, then ':' and the names
// of its path from the innermost out.
void key_pieces(const VariableKey& k, std::vector<std::string_view>& pieces) {
  pieces.assign(1, k.name);
  for (const PathNode* at = k.path; at; at = at->parent) {
    pieces.push_back(":");
    pieces.push_back(at->name);
  }
}

}  // namespace

Strings path_names(const PathNode* at) {
  Strings names;
  for (; at; at = at->parent) names.push_back(at->name);
  std::reverse(names.begin(), names.end());
  return names;
}

bool KeyOrder::operator()(const VariableKey& a, const VariableKey& b) const {
  if (a.path == b.path) return a.name < b.name;
  // The texts compared piece by piece, as far as both go. The lists are kept
  // from one comparison to the next: a map compares often.
  thread_local std::vector<std::string_view> x, y;
  key_pieces(a, x);
  key_pieces(b, y);
  std::string_view p, q;
  for (;;) {
    while (p.empty() && !x.empty()) p = x.back(), x.pop_back();
    while (q.empty() && !y.empty()) q = y.back(), y.pop_back();
    if (p.empty() || q.empty()) return p.empty() && !q.empty();
    const std::size_t n = std::min(p.size(), q.size());
    if (const int c = p.substr(0, n).compare(q.substr(0, n))) return c < 0;
    p.remove_prefix(n);
    q.remove_prefix(n);
  }
}

DocumentIndex build_document_index(const Document& doc) {
  IndexBuilder b;
  for (const Node& n : doc.nodes) b.node(n);
  return std::move(b).finish();
}

void IndexBuilder::node(const Node& n) {
  if (open_groups.empty()) return Walker{index}.node(n, std::nullopt);
  Walker{index, open_groups.back().path}.node(n, open_groups.back().inherited);
}

void IndexBuilder::open(const Node& group) {
  PathNode* path = open_groups.empty() ? nullptr : open_groups.back().path;
  std::optional<std::string> inherited = open_groups.empty() ? std::nullopt : open_groups.back().inherited;
  inherited = enter_group(index, path, group.get<Group>(), inherited);
  open_groups.push_back({path, std::move(inherited)});
}

void IndexBuilder::close() { open_groups.pop_back(); }

DocumentIndex IndexBuilder::finish() && {
  hand_down(index.tasks);
  return std::move(index);
}

}  // namespace varn::index
