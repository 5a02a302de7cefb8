// Tasks, attachment records and flow edges.
#include <algorithm>
#include <charconv>

#include "write/edges.hpp"
#include "format/format.hpp"
#include "write/read_back.hpp"
#include "parse/handlers.hpp"
#include "parse/parser.hpp"
#include "parse/text.hpp"
#include "text/unicode.hpp"

namespace varn::format {
namespace {

bool has(std::string_view s, std::string_view part) { return s.find(part) != std::string_view::npos; }

void append_unsigned(std::string& s, uint64_t n) {
  char buf[24];
  auto r = std::to_chars(buf, buf + sizeof buf, n);
  s.append(buf, r.ptr);
}

void append_prefix(std::string& s, const MarkerPrefix& prefix) {
  std::visit(
      [&](const auto& p) {
        using T = std::decay_t<decltype(p)>;
        if constexpr (std::is_same_v<T, prefix::Parallel>) {
          s.push_back('+');
        } else if constexpr (std::is_same_v<T, prefix::Subtask>) {
          s.append(p.count, '-');
        } else if constexpr (std::is_same_v<T, prefix::ParallelSubtask>) {
          s.append("++");
        }
      },
      prefix);
}

void append_box(std::string& s, const Task& task) {
  const TaskMarker& m = task.marker;
  if (m.seq) {
    append_unsigned(s, *m.seq);
    if (m.kind == MarkerKind::Required) s.push_back('!');
    if (m.kind == MarkerKind::Optional) s.push_back('o');
  } else if (task.label) {
    s.append(*task.label);
    if (m.kind == MarkerKind::Required) s.push_back('!');
    if (m.kind == MarkerKind::Optional) s.push_back('o');
    if (m.kind == MarkerKind::Open && m.priority == MarkerPriority::Decision) s.push_back('?');
  } else {
    constexpr char kBox[] = {' ', '!', 'o', 'x'};
    s.push_back(kBox[static_cast<int>(m.kind)]);
  }
}

void write_clause(Out& out, std::size_t depth, std::string_view key, std::string_view value) {
  out.line(depth, clause_line(key, value));
}

constexpr std::string_view kCloses = "git:closes #";

bool same_marker(const TaskMarker& a, const TaskMarker& b) {
  const auto* x = std::get_if<prefix::Subtask>(&a.prefix);
  const auto* y = std::get_if<prefix::Subtask>(&b.prefix);
  return a.kind == b.kind && a.priority == b.priority && a.seq == b.seq && a.prefix.index() == b.prefix.index() &&
         (!x || x->count == y->count);
}

// A gate that the reader gives back from " {name body}" wherever it stands:
// a name of one word and a body without spaces at its ends, neither with a
// byte that the comment cut or the gate reader look at.
bool plain_gate(const Gate& gate) {
  auto printable = [](std::string_view s, bool spaced) {
    return std::all_of(s.begin(), s.end(), [&](char c) { return (c > ' ' && c < 0x7f) || (spaced && c == ' '); });
  };
  return !gate.name.empty() && printable(gate.name, false) && quiet(gate.name) &&
         (!gate.body || (printable(*gate.body, true) && quiet(*gate.body) && !gate.body->empty() &&
                         gate.body->front() != ' ' && gate.body->back() != ' '));
}

// The gates and the closing reference are read from the text left to right
// and taken out of it, and its bars and quotes decide what the comment cut
// takes: a task without a label whose text holds none of those reads back.
bool task_reads_back(std::string_view line, const Task& task) {
  if (!task.label && quiet(task.text) && task.text.find(kCloses) == std::string::npos && !has(line, "//") &&
      std::all_of(task.gates.begin(), task.gates.end(), plain_gate)) {
    return true;
  }
  return reads_back_as<Task>(line, [&](const Task& t) {
    return t.text == task.text && t.label == task.label && same_marker(t.marker, task.marker) &&
           same_gates(t.gates, task.gates) && t.closes == task.closes;
  });
}

// The head: marks and box, the text, then the gates and the closing
// reference; those go first where an unbalanced '{' or a "git:closes #" in
// the text itself would hide them.
std::string task_line(const Task& task) {
  std::string line;
  append_prefix(line, task.marker.prefix);
  line.push_back('[');
  append_box(line, task);
  line.append("] ");
  const std::string_view text = text::trim(task.text);
  std::string tail;
  append_gates(tail, task.gates);
  if (task.closes) {
    tail.push_back(' ');
    tail.append(kCloses);
    append_unsigned(tail, *task.closes);
  }
  if (!tail.empty() && (has(text, "{") || has(text, kCloses))) {
    line.append(tail).append(" ").append(text);
  } else {
    line.append(text).append(tail);
  }
  return line;
}

}  // namespace

void write(Out& out, const Task& task, std::size_t depth) {
  write_head(out, depth, task_line(task), [&](std::string_view l) { return task_reads_back(l, task); },
             out.node_start);
  if (task.depends) write_clause(out, depth + 1, "depends", *task.depends);
  if (task.validate) write_clause(out, depth + 1, "validate", *task.validate);
  if (task.status) write_clause(out, depth + 1, "status", *task.status);
  format_children(out, task.children, depth + 1);
  if (task.on_pass) {
    out.line(depth + 1, "on_pass:");
    format_children(out, *task.on_pass, depth + 2);
  }
  if (task.on_fail) {
    out.line(depth + 1, "on_fail:");
    format_children(out, *task.on_fail, depth + 2);
  }
  if (task.match_arms) {
    out.line(depth + 1, "match:");
    for (const MatchArm& arm : *task.match_arms) {
      out.line(depth + 2, arm_pattern_line(arm.pattern));
      // The nesting under a pattern is only layout; a "query:" line would
      // take deeper lines as its query, so its arm's lines stay beside it.
      const bool beside = (arm.pattern + ":").starts_with("query:");
      format_children(out, arm.children, depth + (beside ? 2 : 3));
    }
  }
}

void write_attachment_meta(Out& out, const AttachmentMeta& meta, std::size_t depth) {
  if (meta.id) write_clause(out, depth, "id", *meta.id);
  auto list = [&](std::string_view key, const Strings& items) {
    if (items.empty()) return;
    std::string& s = out.open(depth);
    s.append(key);
    s.append(items.front().starts_with('=') ? " : " : ": ");
    append_joined(s, items, ", ");
    out.close();
  };
  list("targets", meta.targets);
  list("requires", meta.requires_);
  list("blocks", meta.blocks);
  list("depends_on", meta.depends_on);
}

namespace {

// The text that the edge reader finds between "--" and "-->": a timed value
// between bars, or as it is when `bars` is off.
std::string edge_segment(const FlowEdge& edge, bool bars) {
  auto timed = [&](std::string_view key, const std::string& value) {
    std::string seg(key);
    if (bars) seg.push_back('|');
    seg.append(value);
    if (bars) seg.push_back('|');
    return seg;
  };
  if (edge.timeout) return timed("timeout:", *edge.timeout);
  if (edge.wait) return timed("wait:", *edge.wait);
  if (edge.gate) return *edge.gate;
  if (edge.label) return *edge.label;
  return {};
}

// One spelling of an edge: the sources, `guard` (a " --" of its own or a
// comma keeps a last source name's trailing dash or plus; a "----" right
// after it keeps a "--" inside it from opening a segment, and a spaced one
// keeps both), `opener` (the arrow's opening "--", spaced for a segment that
// starts with a dash, or none where the guard's dashes open the segment),
// the segment, `closer` (spaced for a segment that ends with a dash), and
// the targets.
std::string edge_line(const FlowEdge& edge, std::string_view segment, std::string_view guard, std::string_view opener,
                      std::string_view closer) {
  std::string s;
  // With nothing before the arrow a segment would not be read: a lone comma
  // stands for the empty source list.
  if (edge.from.empty() && !segment.empty()) s.push_back(',');
  append_joined(s, edge.from, ", ");
  s.append(guard);
  if (!edge.from.empty() || !segment.empty()) s.push_back(' ');
  if (!segment.empty()) {
    s.append(opener);
    s.append(segment);
  }
  s.append(closer);
  if (!edge.to.empty()) s.push_back(' ');
  append_joined(s, edge.to, ", ");
  return s;
}

// The first spelling that the edge reader reads back as this one edge; with
// `every`, also the first with the timed value between bars and without
// them, and with the segment closed by a "--" of its own and not (the bars,
// and what may follow that "--", count for the comment cut). The segment
// closed by a "--" of its own ("--seg---->", "--seg--+-->") is read
// untrimmed, with a parallel mark after it, and without looking into the
// source names for its opening.
std::vector<std::string> edge_spellings(const FlowEdge& edge, bool every) {
  const std::string_view closers[2][5] = {{"-->", "---->", "+-->", "--+-->", " -->"},
                                          {"+-->", "--+-->", "-->", "---->", " -->"}};
  std::vector<std::string> found;
  bool have[2][2] = {};  // [bars][closed]
  std::string first;
  for (bool bars : {true, false}) {
    const std::string segment = edge_segment(edge, bars);
    for (std::string_view guard : {"", " --", ",", "----", " ----", ",----"}) {
      for (std::string_view opener : {"--", "-- ", ""}) {
        for (std::string_view closer : closers[edge.parallel]) {
          const bool closed = !segment.empty() && closer.starts_with("--") && closer.size() > 3;  // "---->", "--+-->"
          if (have[bars][closed]) continue;
          std::string line = edge_line(edge, segment, guard, opener, closer);
          const std::vector<FlowEdge> back = parse::parse_flow_edge(line);
          if (back.size() == 1 && same_edge(back.front(), edge)) {
            found.push_back(std::move(line));
            if (!every) return found;
            have[bars][closed] = true;
          } else if (first.empty()) {
            first = std::move(line);
          }
        }
        if (segment.empty()) break;
      }
    }
    if (!edge.timeout && !edge.wait) break;
  }
  if (found.empty()) found.push_back(std::move(first));
  return found;
}

// True when `lines`, each cut at its comment, read back as exactly `edges`.
bool edges_read_back(const std::vector<std::string>& lines, const std::vector<FlowEdge>& edges) {
  std::size_t next = 0;
  for (const std::string& line : lines) {
    for (const FlowEdge& edge : parse::parse_flow_edge(parse::cut_trailing_comment(text::trim(line)))) {
      if (next == edges.size() || !same_edge(edge, edges[next++])) return false;
    }
  }
  return next == edges.size();
}

void write_edges(Out& out, std::string_view head, const std::vector<FlowEdge>& edges, std::size_t depth) {
  const std::size_t start = out.node_start;
  out.line(depth, head);
  const std::vector<std::string> lines = edge_lines(edges, edge_spellings);
  // Where no spelling keeps every "//" of the edges, their lines are written
  // as the source has them.
  if (start < out.source.size() && !edges_read_back(lines, edges)) return write_source_body(out, start, depth + 1);
  for (const std::string& line : lines) out.line(depth + 1, line);
}

}  // namespace

void write(Out& out, const Flow& flow, std::size_t depth) { write_edges(out, "flow:", flow.edges, depth); }
void write(Out& out, const StatesDef& states, std::size_t depth) {
  write_edges(out, "states:", states.transitions, depth);
}

}  // namespace varn::format
