// Flows and state machines: edge lines "a, b --segment--> c" below a "flow:"
// or "states:" line.
#include "parse/handlers.hpp"
#include "parse/inline.hpp"
#include "parse/text.hpp"
#include "text/unicode.hpp"

namespace varn::parse {
namespace {

constexpr std::size_t npos = std::string_view::npos;

// The text between "--" and "-->" of the left side of an arrow, and where the
// "--" that opens it starts.
struct Segment {
  std::string_view text;
  std::size_t opens_at;
};

std::optional<Segment> find_segment(std::string_view left) {
  const std::size_t p = left.rfind("--");
  if (p == npos) return std::nullopt;
  // An earlier "--" that ends at or before `p`: overlapping runs of dashes
  // ("---") never make the text between them run backwards.
  if (p >= 2) {
    const std::size_t q = left.rfind("--", p - 2);
    if (q != npos && q + 2 < p) return Segment{left.substr(q + 2, p - q - 2), q};
  }
  const std::string_view after = text::trim(left.substr(p + 2));
  if (p != 0 && !after.empty()) return Segment{after, p};
  return std::nullopt;
}

std::string_view strip_trailing_marks(std::string_view s) {
  while (!s.empty() && (s.back() == '+' || s.back() == '-')) s.remove_suffix(1);
  return s;
}

void read_edges_into(std::vector<FlowEdge>& edges, Parser& p, std::size_t indent) {
  for (std::string_view line : read_body_lines(p, indent)) {
    for (FlowEdge& edge : parse_flow_edge(line)) edges.push_back(std::move(edge));
  }
}

}  // namespace

void set_segment(FlowEdge& edge, std::string_view segment) {
  if (segment.size() >= 8 && segment.starts_with("timeout:")) {
    edge.timeout = text_between_bars(strip_prefix_all(segment, "timeout:"));
  } else if (segment.size() >= 5 && segment.starts_with("wait:")) {
    edge.wait = text_between_bars(strip_prefix_all(segment, "wait:"));
  } else if (segment.starts_with('{')) {
    edge.gate = std::string(segment);
  } else {
    edge.label = std::string(segment);
  }
}

std::vector<FlowEdge> parse_flow_edge(std::string_view line) {
  std::vector<FlowEdge> edges;
  const std::vector<std::string_view> pieces = collect_str_pieces(line, "-->");
  for (std::size_t i = 0; i + 1 < pieces.size(); ++i) {
    const std::string_view left = text::trim(pieces[i]);
    FlowEdge edge;
    edge.parallel = left.ends_with('+') || left.ends_with("+-");
    std::string_view source = left;
    if (auto segment = find_segment(left)) {
      set_segment(edge, segment->text);
      // The source names stop where the segment opens.
      source = left.substr(0, segment->opens_at);
    }
    // The parallel mark and the arrow's leading dashes are no part of a name.
    edge.from = collect_trimmed_strings(strip_trailing_marks(text::trim_end(source)), ",");
    edge.to = collect_trimmed_strings(pieces[i + 1], ",");
    if (!edge.from.empty() || !edge.to.empty()) edges.push_back(std::move(edge));
  }
  return edges;
}

std::optional<Node> parse_flow(Parser& p, std::size_t, const Line& line) {
  ++p.pos;
  Flow flow;
  read_edges_into(flow.edges, p, indentation(line.raw));
  return flow;
}

std::optional<Node> parse_states(Parser& p, std::size_t, const Line& line) {
  ++p.pos;
  StatesDef states;
  read_edges_into(states.transitions, p, indentation(line.raw));
  return states;
}

}  // namespace varn::parse
