// The renderer's frame (document loop, dispatch, final trim), the shared value
// writers, and the writers of headings, tasks and the simple block kinds.
#include "varn/render.hpp"

#include <type_traits>

#include "write/edges.hpp"
#include "write/read_back.hpp"
#include "parse/handlers.hpp"
#include "parse/parser.hpp"
#include "render/heads.hpp"
#include "render/parses.hpp"
#include "render/writers.hpp"
#include "write/lattice.hpp"

namespace varn {

std::string render_document(const Nodes& nodes) {
  render::LineSink out("    ");
  render::render_nodes(nodes, 0, out);
  return render::finish(out);
}

std::string render_document(const Document& doc) { return render_document(doc.nodes); }

}  // namespace varn

namespace varn::render {

void render_node(const Node& node, std::size_t depth, LineSink& out) {
  node.visit([&](const auto& payload) { write(payload, depth, out); });
}

namespace {

// How many scopes the last lines that `node` writes are members of: each
// goes on until a line that is not deeper or a line of dashes, and a line of
// dashes closes the innermost one only.
std::size_t scopes_open_at_end(const Node& node) {
  return node.visit([](const auto& p) -> std::size_t {
    using P = std::decay_t<decltype(p)>;
    const Nodes* last = nullptr;
    if constexpr (std::is_same_v<P, ProjectScope>) {
      return 1 + (p.children.empty() ? 0 : scopes_open_at_end(p.children.back()));
    } else if constexpr (std::is_same_v<P, LatticeValidatesDef>) {
      // Artifact lines written after the members end every scope among them.
      if (p.artifacts.empty() || !write::validates_members_first(p)) last = &p.children;
    } else if constexpr (std::is_same_v<P, LatticeConstraintDef>) {
      // So do a heading's own lines written after them.
      const auto heading = write::constraint_heading(p);
      if (!heading || heading->after.empty()) last = &p.children;
    } else if constexpr (std::is_same_v<P, Task>) {
      if (p.match_arms && !p.match_arms->empty()) {
        last = &p.match_arms->back().children;
      } else if (p.match_arms) {
        return 0;
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
    return last && !last->empty() ? scopes_open_at_end(last->back()) : 0;
  });
}

}  // namespace

void NodeRun::add(const Node& node) {
  // A line of dashes right after a scope's members is read as the scope's
  // closing line, so a divider there would be lost: each open scope gets its
  // own closing line first.
  if (node.holds<Divider>() && open_scopes_ > 0) {
    // A blank line before them would end the innermost scope itself where no
    // deeper block reads it first, and leave its closing line a divider: the
    // closing lines follow the members directly.
    out_.drop_blank_lines();
    for (std::size_t n = open_scopes_; n > 0; --n) out_.line(depth_, "---");
  }
  const std::size_t start = out_.raw().size();
  const SyncDef* sync = in_sync_group_ ? node.get_if<SyncDef>() : nullptr;
  if (sync) {
    write_sync_item(*sync, depth_, out_);
  } else {
    render_node(node, depth_, out_);
  }
  if (in_sync_group_) accept_sync_classes(out_.raw(), start);
  open_scopes_ = scopes_open_at_end(node);
}

void render_nodes(const Nodes& nodes, std::size_t depth, LineSink& out, bool in_sync_group) {
  NodeRun run(out, depth, in_sync_group);
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
  write::append_joined(line, items, sep, item_prefix, item_suffix);
  line.append(close);
  out.close();
}

void field_lines(LineSink& out, std::size_t depth, const std::vector<FieldDef>& fields) {
  for (const FieldDef& f : fields) {
    std::string& line = out.open(depth);
    line.append("    ");
    write::append_field(line, f);
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

namespace {

// True when "[label]" reads back as an open task with that label.
bool label_reads_back(const std::string& label) {
  return write::reads_back_as<Task>("[" + label + "] t", [&](const Task& t) {
    return t.label == label && t.marker.kind == MarkerKind::Open && !t.marker.seq;
  });
}

}  // namespace

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
      // The priority is not written, but an open decision keeps its "?"
      // where its label alone would read back otherwise ("3" as a sequence
      // number, "" as no label, "x" as a state).
      if (label && marker.priority == MarkerPriority::Decision && !label_reads_back(*label)) {
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

void render_gate_name(const Gate& gate, std::string_view body, std::string& out) {
  out.append(" {").append(gate.name);
  // A name may hold braces that are still open (nested braces belong to the
  // gate): they are closed after a space, in a body that is left out.
  std::size_t open = 0;
  for (char c : gate.name) {
    if (c == '{') ++open;
    if (c == '}' && open > 0) --open;
  }
  if (!body.empty() || open > 0) out.append(" ").append(body).append(open, '}');
  out.push_back('}');
}

bool same_gate_names(const std::vector<Gate>& a, const std::vector<Gate>& b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (a[i].name != b[i].name) return false;
  }
  return true;
}

void render_gate_names(const std::vector<Gate>& gates, std::string& out) {
  for (const Gate& g : gates) render_gate_name(g, {}, out);
}

namespace {

// One spelling of an edge alone. A wait or timeout text is read between the
// first two bars of its segment, or whole when there are fewer: one that
// holds a bar of its own goes without bars around it (`barred` off). A '+'
// that ends the segment marks the edge parallel. A segment is trimmed unless
// a second "--" closes it (`closed`); one opened by a longer run of dashes
// is not looked for in the names before it (and, with a space after the run,
// may start or end with a dash); and one with no name before it needs a mark
// there ('+', which no name keeps).
std::string flow_edge_spelling(const FlowEdge& edge, bool barred, bool plus, bool closed, std::string_view opener,
                               std::string_view guard) {
  std::string line;
  if (edge.from.empty() && opener != "--") line.push_back('+');
  write::append_joined(line, edge.from, ", ");
  line.append(guard);
  line.push_back(' ');
  const char* bar = barred ? "|" : "";
  if (edge.timeout || edge.wait) {
    line.append(opener).append(edge.timeout ? "timeout:" : "wait:").append(bar);
    line.append(edge.timeout ? *edge.timeout : *edge.wait).append(bar);
  } else if (edge.gate || edge.label) {
    line.append(opener).append(edge.gate ? *edge.gate : *edge.label);
  } else {
    // Dashes that end the source names open no segment.
    if (opener == "----") line.append(opener);
    line.append(edge.parallel ? "+" : "");
  }
  const bool segment = edge.timeout || edge.wait || edge.gate || edge.label;
  if (segment) line.append(closed ? "--" : "").append(plus ? "+" : "");
  line.append("-->");
  line.push_back(' ');
  write::append_joined(line, edge.to, ", ");
  return line;
}

// The first spellings of an edge alone that read back, with a timed value
// between bars and without them (the bars count for the comment cut).
std::vector<std::string> flow_edge_spellings(const FlowEdge& edge, bool every) {
  auto spell = [&](bool barred, bool plus, bool closed, std::string_view opener, std::string_view guard) {
    return flow_edge_spelling(edge, barred, plus, closed, opener, guard);
  };
  auto reads_back = [&](const std::string& line) {
    const std::vector<FlowEdge> back = parse::parse_flow_edge(line);
    return back.size() == 1 && write::same_edge(back.front(), edge);
  };
  const bool timed = edge.timeout || edge.wait;
  std::string line = spell(true, false, false, "--", "");
  bool doubtful = timed || edge.gate || edge.label;
  for (const std::string& name : edge.from) doubtful = doubtful || name.find("--") != std::string::npos;
  // Trailing marks of the last source name are read as the arrow's: a comma
  // after it keeps them.
  doubtful = doubtful || (!edge.from.empty() && (edge.from.back().ends_with('-') || edge.from.back().ends_with('+')));
  if (!doubtful && !every) return {line};
  // The first found; with `every`, the first found with bars and without,
  // with the segment closed and not, in the order found.
  const bool segment = timed || edge.gate || edge.label;
  std::vector<std::string> found;
  bool have[2][2] = {{!timed, !timed}, {false, !segment}};  // [barred][closed]
  for (std::string_view opener : {"--", "----", "-- ", "---- "}) {
    for (bool closed : {false, true}) {
      for (std::string_view guard : {"", ","}) {
        for (auto [barred, plus] : {std::pair{true, false}, {false, false}, {true, true}, {false, true}}) {
          if (have[barred][closed && segment] || (!guard.empty() && edge.from.empty())) continue;
          std::string other = spell(barred, plus, closed, opener, guard);
          if (reads_back(other)) {
            found.push_back(std::move(other));
            if (!every) return found;
            have[barred][closed && segment] = true;
          }
        }
      }
    }
  }
  if (found.empty()) found.push_back(std::move(line));
  return found;
}

// The edge that its line gives back: a line has one segment, so only the
// first of timeout, wait, gate and label is written, and it reads back as the
// field its text says (a gate without a '{' as a label). The spellings are
// sought for this edge, so the parallel mark goes beside whichever is set.
FlowEdge written_edge(const FlowEdge& edge) {
  FlowEdge out{edge.from, edge.to, {}, edge.parallel, {}, {}, {}};
  if (edge.timeout) {
    out.timeout = edge.timeout;
  } else if (edge.wait) {
    out.wait = edge.wait;
  } else if (edge.gate || edge.label) {
    parse::set_segment(out, edge.gate ? *edge.gate : *edge.label);
  }
  return out;
}

}  // namespace

void render_flow_edges(const std::vector<FlowEdge>& edges, std::size_t depth, LineSink& out) {
  std::vector<FlowEdge> written;
  written.reserve(edges.size());
  for (const FlowEdge& edge : edges) written.push_back(written_edge(edge));
  for (const std::string& line : write::edge_lines(written, flow_edge_spellings)) out.line(depth, line);
}

// ---------------------------------------------------------------- block kinds

void write(const Group& g, std::size_t depth, LineSink& out) {
  const std::string heading = heading_line(g);
  out.line(depth, heading);
  out.blank();
  // The lowering reads the title that the heading gives, which a name or an
  // atom holding "Sync" may make it.
  const bool sync = g.name == "Sync" || (heading.find("Sync") != std::string::npos &&
                                         write::reads_back_as<Group>(heading, [](const Group& back) {
                                           return back.name == "Sync";
                                         }));
  render_nodes(g.children, depth + 1, out, sync);
}

namespace {

// True when `line`, with a deeper line below it, reads as something other
// than prose (a "query:" line takes the lines below as its body).
bool takes_lines_below(std::string_view line) {
  if (nameless_sync_line(line)) return false;  // written as prose (finish)
  parse::Parser p;
  p.lines = parse::Lines::as_given({line, "    x"});
  const std::optional<Node> node = parse::parse_node(p, 0);
  return !node || !node->holds<Prose>();
}

}  // namespace

void write(const Task& t, std::size_t depth, LineSink& out) {
  out.open(depth).append(task_head(t));
  out.close();
  for (const auto& [key, value] : {std::pair{"depends", &t.depends}, std::pair{"validate", &t.validate},
                                    std::pair{"status", &t.status}}) {
    if (*value) out.line(depth + 1, write::clause_line(key, **value));
  }
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
      const std::string pattern = write::arm_pattern_line(arm.pattern);
      out.open(depth + 2).append(pattern);
      out.close();
      // The arm's lines are siblings of its pattern to the parser; they go
      // one depth deeper, but at the pattern's depth when the pattern line
      // would take deeper lines as its own.
      render_nodes(arm.children, takes_lines_below(pattern) ? depth + 2 : depth + 3, out);
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
  // A line that ends in a carriage return gets a second one, as the reader
  // takes a carriage return before a line feed as part of the line end.
  std::string& raw = out.raw();
  std::string_view content = c.content;
  for (;;) {
    const std::size_t nl = content.find('\n');
    const std::string_view line = content.substr(0, nl);
    raw.append(line);
    if (line.ends_with('\r')) raw.push_back('\r');
    raw.push_back('\n');
    if (nl == std::string_view::npos) break;
    content.remove_prefix(nl + 1);
  }
  out.line(depth, "```");
}

void write(const Bold& b, std::size_t depth, LineSink& out) {
  std::string& line = out.open(depth);
  line.append("**").append(b.text).append("**");
  out.close();
}

void write(const Variable& v, std::size_t depth, LineSink& out) {
  std::string& line = out.open(depth);
  // "? ", "if " and "use " open other kinds of line: such a name goes
  // without the space.
  line.append(v.name).append(v.name == "?" || v.name == "if" || v.name == "use" ? "= " : " = ");
  std::visit(
      [&](const auto& value) {
        using V = std::decay_t<decltype(value)>;
        if constexpr (std::is_same_v<V, std::string>) {
          line.append(value);
        } else if constexpr (std::is_same_v<V, Ref>) {
          write::append_ref_path(line, value.path);
        } else {
          line.append(value.live ? "||" : "|").append(value.expr).append(value.live ? "||" : "|");
        }
      },
      v.value);
  out.close();
}

void write(const Flow& f, std::size_t depth, LineSink& out) {
  out.line(depth, "flow:");
  render_flow_edges(f.edges, depth + 1, out);
  out.blank();
}

}  // namespace varn::render
