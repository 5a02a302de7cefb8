// Tasks, attachment records and flow edges.
#include <algorithm>
#include <charconv>

#include "write/edges.hpp"
#include "format/format.hpp"
#include "write/heads.hpp"
#include "write/placing.hpp"
#include "write/read_back.hpp"
#include "write/webhook.hpp"
#include "parse/handlers.hpp"
#include "parse/parser.hpp"
#include "parse/text.hpp"
#include "text/unicode.hpp"

namespace varn::format {
namespace {


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

// A clause line ("status: done") must come back as prose for the task to take
// it; "status: a/b" would be read as status options and "key: =x" as a
// variable, so those are written with a space before the colon.
void write_clause(Out& out, std::size_t depth, std::string_view key, std::string_view value) {
  const bool spaced = value.starts_with('=') || (key == "status" && value.find('/') != std::string_view::npos);
  std::string& s = out.open(depth);
  s.append(key);
  s.append(spaced ? " : " : ": ");
  s.append(value);
  out.close();
}


constexpr std::string_view kCloses = "git:closes #";

}  // namespace

void write(Out& out, const Task& task, std::size_t depth) {
  std::string line;
  append_prefix(line, task.marker.prefix);
  line.push_back('[');
  append_box(line, task);
  line.append("] ");
  // Gates and the closing reference are read from the text left to right: an
  // unbalanced '{' or a "git:closes #" in the text itself would hide them, so
  // they go first then; so too where the text's quotes or bars would leave a
  // "//" of a gate to the comment cut.
  const std::string_view text = text::trim(task.text);
  std::string tail;
  append_gates(tail, task.gates);
  if (task.closes) {
    tail.push_back(' ');
    tail.append(kCloses);
    append_unsigned(tail, *task.closes);
  }
  const std::size_t box = line.size();
  line.append(text);
  line.append(tail);
  const bool lead = text.find('{') != std::string_view::npos || text.find(kCloses) != std::string_view::npos;
  if (!tail.empty() && (lead || !keeps_whole(line))) {
    std::string first = line.substr(0, box) + tail + " " + std::string(text);
    std::string apart = line.substr(0, box) + std::string(text);
    auto reads_back = [&](const std::string& l) {
      return reads_back_as<Task>(l, [&](const Task& t) {
        return t.text == task.text && same_gates(t.gates, task.gates) && !t.closes;
      });
    };
    if (keeps_whole(first)) {
      line = std::move(first);
    } else if (!task.closes && place_gates(apart, box, task.gates, reads_back)) {
      // Else inside the text, where its bars or quotes hide a gate's "//";
      // gates whose bars or quotes cancel out together may each hide one
      // where they stand apart.
      line = std::move(apart);
    } else if (lead) {
      line = std::move(first);
    }
  }
  out.line(depth, line);

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

void write_edges(Out& out, std::string_view head, const std::vector<FlowEdge>& edges, std::size_t depth) {
  out.line(depth, head);
  for (const std::string& line : edge_lines(edges, edge_spellings)) out.line(depth + 1, line);
}

}  // namespace

void write(Out& out, const Flow& flow, std::size_t depth) { write_edges(out, "flow:", flow.edges, depth); }
void write(Out& out, const StatesDef& states, std::size_t depth) {
  write_edges(out, "states:", states.transitions, depth);
}

}  // namespace varn::format
