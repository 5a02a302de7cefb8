// The renderer's frame (document loop, dispatch, final trim), the shared value
// writers, and the writers of headings, tasks and the simple block kinds.
#include "varn/render.hpp"

#include <type_traits>

#include "parse/parser.hpp"
#include "render/writers.hpp"

namespace varn {

std::string render_document(const Nodes& nodes) {
  render::LineSink out("    ");
  render::render_nodes(nodes, 0, out);
  return out.take_trimmed();
}

std::string render_document(const Document& doc) { return render_document(doc.nodes); }

}  // namespace varn

namespace varn::render {

void render_node(const Node& node, std::size_t depth, LineSink& out) {
  node.visit([&](const auto& payload) { write(payload, depth, out); });
}

namespace {

// True when the last lines that `node` writes are the members of a scope,
// which go on until a line that is not deeper or a line of dashes.
bool ends_in_scope(const Node& node) {
  return node.visit([](const auto& p) {
    using P = std::decay_t<decltype(p)>;
    const Nodes* last = nullptr;
    if constexpr (std::is_same_v<P, ProjectScope>) {
      return true;
    } else if constexpr (std::is_same_v<P, Task>) {
      if (p.match_arms && !p.match_arms->empty()) {
        last = &p.match_arms->back().children;
      } else if (p.match_arms) {
        return false;
      } else if (p.on_fail) {
        last = &*p.on_fail;
      } else if (p.on_pass) {
        last = &*p.on_pass;
      } else {
        last = &p.children;
      }
    } else if constexpr (requires { p.children; }) {
      if constexpr (std::is_same_v<decltype(p.children), Nodes>) last = &p.children;
    }
    return last && !last->empty() && ends_in_scope(last->back());
  });
}

}  // namespace

void NodeRun::add(const Node& node) {
  // A line of dashes right after a scope's members is read as the scope's
  // closing line, so a divider there would be lost: the scope gets its own
  // closing line first.
  if (after_scope_ && node.holds<Divider>()) out_.line(depth_, "---");
  render_node(node, depth_, out_);
  after_scope_ = ends_in_scope(node);
}

void render_nodes(const Nodes& nodes, std::size_t depth, LineSink& out) {
  NodeRun run(out, depth);
  for (const Node& node : nodes) run.add(node);
}

bool cut_by_comment(std::string_view text) { return parse::cut_trailing_comment(text).size() != text.size(); }

void sub_line(LineSink& out, std::size_t depth, std::string_view lead, std::string_view value) {
  std::string& line = out.open(depth);
  line.append(lead);
  line.append(value);
  out.close();
}

void joined_line(LineSink& out, std::size_t depth, std::string_view lead, const Strings& items, std::string_view sep,
                 std::string_view item_prefix, std::string_view item_suffix, std::string_view close) {
  std::string& line = out.open(depth);
  line.append(lead);
  format::append_joined(line, items, sep, item_prefix, item_suffix);
  line.append(close);
  out.close();
}

void field_lines(LineSink& out, std::size_t depth, const std::vector<FieldDef>& fields) {
  for (const FieldDef& f : fields) {
    std::string& line = out.open(depth);
    line.append("    ");
    format::append_field(line, f);
    out.close();
  }
}

void named_block(LineSink& out, std::size_t depth, std::string_view keyword, std::string_view name,
                 const Nodes& children) {
  emit(out, depth, keyword, name);
  render_nodes(children, depth + 1, out);
}

void pair_lines(LineSink& out, std::size_t depth, std::string_view lead, const Pairs& pairs) {
  for (const auto& [key, value] : pairs) {
    std::string& line = out.open(depth);
    line.append(lead);
    line.append(key);
    line.append(": ");
    line.append(value);
    out.close();
  }
}

// ---------------------------------------------------------------- shared value writers

void render_task_marker(const TaskMarker& marker, const std::optional<std::string>& label, std::string& out) {
  std::visit(
      [&](const auto& p) {
        using P = std::decay_t<decltype(p)>;
        if constexpr (std::is_same_v<P, prefix::Parallel>) {
          out.push_back('+');
        } else if constexpr (std::is_same_v<P, prefix::Subtask>) {
          out.append(p.count, '-');
        } else if constexpr (std::is_same_v<P, prefix::ParallelSubtask>) {
          out.append("++");
        }
      },
      marker.prefix);
  out.push_back('[');
  if (label) out.append(*label);
  if (marker.seq) out.append(std::to_string(*marker.seq));
  switch (marker.kind) {
    case MarkerKind::Open:
      // An open decision keeps its "?": without it a label such as "3" or ""
      // would read back as a sequence number or as no label.
      if (label && marker.priority == MarkerPriority::Decision) {
        out.push_back('?');
      } else if (!label && !marker.seq) {
        out.push_back(' ');
      }
      break;
    case MarkerKind::Required: out.push_back('!'); break;
    case MarkerKind::Optional: out.push_back('o'); break;
    case MarkerKind::Completed: out.push_back('x'); break;
  }
  out.push_back(']');
}

void render_atom_tag(const Atom& atom, std::string& out) {
  out.append(" :");
  out.append(atom.name);
  if (atom.value) {
    out.push_back(':');
    out.append(*atom.value);
  }
}

void render_gate_names(const std::vector<Gate>& gates, std::string& out) {
  for (const Gate& g : gates) {
    out.append(" {");
    out.append(g.name);
    out.push_back('}');
  }
}

void render_flow_edge(const FlowEdge& edge, std::size_t depth, LineSink& out) {
  std::string& line = out.open(depth);
  format::append_joined(line, edge.from, ", ");
  line.push_back(' ');
  if (edge.timeout) {
    line.append("--timeout:|").append(*edge.timeout).append("|-->");
  } else if (edge.wait) {
    line.append("--wait:|").append(*edge.wait).append("|-->");
  } else if (edge.gate) {
    line.append("--").append(*edge.gate).append("-->");
  } else if (edge.label) {
    line.append("--").append(*edge.label).append("-->");
  } else {
    line.append(edge.parallel ? "+-->" : "-->");
  }
  line.push_back(' ');
  format::append_joined(line, edge.to, ", ");
  out.close();
}

// ---------------------------------------------------------------- block kinds

void write(const Group& g, std::size_t depth, LineSink& out) {
  std::string& line = out.open(depth);
  line.append(g.depth, '#');
  line.push_back(' ');
  line.append(g.name);
  for (const Atom& a : g.atoms) render_atom_tag(a, line);
  out.close();
  out.blank();
  render_nodes(g.children, depth + 1, out);
}

void write(const Task& t, std::size_t depth, LineSink& out) {
  std::string& line = out.open(depth);
  render_task_marker(t.marker, t.label, line);
  line.push_back(' ');
  line.append(t.text);
  render_gate_names(t.gates, line);
  out.close();
  sub_line(out, depth, "    depends: ", t.depends);
  sub_line(out, depth, "    validate: ", t.validate);
  sub_line(out, depth, "    status: ", t.status);
  render_nodes(t.children, depth + 1, out);
  if (t.on_pass) {
    out.line(depth, "    on_pass:");
    render_nodes(*t.on_pass, depth + 2, out);
  }
  if (t.on_fail) {
    out.line(depth, "    on_fail:");
    render_nodes(*t.on_fail, depth + 2, out);
  }
  if (t.match_arms) {
    out.line(depth, "    match:");
    for (const MatchArm& arm : *t.match_arms) {
      std::string& head = out.open(depth);
      head.append("        ").append(arm.pattern).push_back(':');
      out.close();
      render_nodes(arm.children, depth + 3, out);
    }
  }
}

void write(const Prose& p, std::size_t depth, LineSink& out) { out.line(depth, p.text); }

void write(const Comment& c, std::size_t depth, LineSink& out) { sub_line(out, depth, "// ", c.text); }

// Spawn markers and dividers stand at column 0 whatever the depth.
void write(SpawnMode mode, std::size_t, LineSink& out) {
  out.blank();
  out.line(0, mode == SpawnMode::Sequential ? "++" : "+");
  out.blank();
}

void write(const Divider&, std::size_t, LineSink& out) {
  out.line(0, "---");
  out.blank();
}

void write(const CodeBlock& c, std::size_t depth, LineSink& out) {
  sub_line(out, depth, "```", c.lang ? std::string_view(*c.lang) : std::string_view());
  // The content is written unchanged: its lines carry their own indentation.
  out.raw().append(c.content).push_back('\n');
  out.line(depth, "```");
}

void write(const Bold& b, std::size_t depth, LineSink& out) {
  std::string& line = out.open(depth);
  line.append("**").append(b.text).append("**");
  out.close();
}

void write(const Variable& v, std::size_t depth, LineSink& out) {
  std::string& line = out.open(depth);
  line.append(v.name).append(" = ");
  std::visit(
      [&](const auto& value) {
        using V = std::decay_t<decltype(value)>;
        if constexpr (std::is_same_v<V, std::string>) {
          line.append(value);
        } else if constexpr (std::is_same_v<V, Ref>) {
          format::append_ref_path(line, value.path);
        } else {
          line.append(value.live ? "||" : "|").append(value.expr).append(value.live ? "||" : "|");
        }
      },
      v.value);
  out.close();
}

void write(const Flow& f, std::size_t depth, LineSink& out) {
  out.line(depth, "flow:");
  for (const FlowEdge& e : f.edges) render_flow_edge(e, depth + 1, out);
  out.blank();
}

}  // namespace varn::render
