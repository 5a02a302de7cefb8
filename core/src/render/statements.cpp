// Statement kinds: one-line statements, headers with children, pair lists and
// plain lists.

#include "write/read_back.hpp"
#include "render/webhook.hpp"
#include "render/heads.hpp"
#include "render/writers.hpp"
#include "text/unicode.hpp"

namespace varn::render {

// ---------------------------------------------------------------- one-line statements

void write(const ModInvoke& m, std::size_t depth, LineSink& out) {
  out.open(depth).append(mod_invoke_line(m));
  out.close();
}

namespace {

void quoted_statement(LineSink& out, std::size_t depth, std::string_view keyword, std::string_view text) {
  write::append_quoted_value(out.open(depth), keyword, text);
  out.close();
}

}  // namespace

void write(const Snap& s, std::size_t depth, LineSink& out) {
  quoted_statement(out, depth, "snap:", s.name);
}

void write(const Diff& d, std::size_t depth, LineSink& out) {
  std::string& line = out.open(depth);
  line.append("diff: ").append(d.target);
  if (d.from_snapshot) line.append(" from snap:").append(*d.from_snapshot);
  out.close();
}

void write(const HistoryOp& h, std::size_t depth, LineSink& out) {
  std::string& line = out.open(depth);
  line.append("history: ").append(h.target);
  if (h.limit) line.append(" limit: ").append(std::to_string(*h.limit));
  out.close();
}

void write(const StatusDef& s, std::size_t depth, LineSink& out) {
  joined_line(out, depth, "status: ", s.options, "/", "\"", "\"");
}

void write(const Routine& r, std::size_t depth, LineSink& out) {
  // The parser drops the colons that end the text before the first bar, so
  // a trigger that ends in one is followed by a space instead. An expression
  // that itself starts with a bar was read to the end of the line: it goes
  // back without bars of its own.
  std::string rest = r.trigger;
  rest.append(r.trigger.ends_with(':') ? " " : ":");
  if (r.expr.starts_with('|') && r.expr.find('|', 1) == std::string::npos) {
    rest.append(r.expr);
  } else {
    rest.append("|").append(r.expr).append("|");
  }
  emit(out, depth, "routine:", keyword_gap("routine:", rest), rest);
}

void write(const Webhook& w, std::size_t depth, LineSink& out) {
  std::string line = "webhook: on:|" + w.trigger + "| url: \"" + w.url + "\"";
  if (w.payload) line.append(" payload: \"").append(*w.payload).append("\"");
  if (!w.payload || write::rereads_as(line, w)) {
    out.line(depth, w.payload ? line : webhook_line(w, std::move(line)));
    return;
  }
  // The url is read as the first word after "url:" once the quotes at the
  // very ends of the rest of the line are stripped, and the payload's closing
  // quote ends that rest: a quoted url may keep its closing quote. So the
  // url goes bare when nothing in it needs quotes, else quoted with a space
  // before the closing quote (the word ends there, the quotes stay paired
  // for the comment cut). An empty url is left out: it reads back empty.
  line = "webhook: on:|" + w.trigger + "|";
  const bool bare = w.url.find("//") == std::string::npos && w.url.find('"') == std::string::npos &&
                    text::word_length(w.url) == w.url.size();
  if (w.url.empty()) {
  } else if (bare) {
    line.append(" url: ").append(w.url);
  } else {
    line.append(" url: \"").append(w.url).append(" \"");
  }
  line.append(" payload: \"").append(*w.payload).append("\"");
  // Where that does not read back either (no trigger, quotes or keywords
  // inside the parts), another spelling.
  out.line(depth, webhook_line(w, std::move(line)));
}

void write(const Remember& r, std::size_t depth, LineSink& out) {
  quoted_statement(out, depth, "remember:", r.content);
}

void write(const RecallOp& r, std::size_t depth, LineSink& out) {
  quoted_statement(out, depth, "recall:", r.query);
}

void write(const EmbedMarker& e, std::size_t depth, LineSink& out) { emit(out, depth, "^", e.tag); }

void write(const Escalate& e, std::size_t depth, LineSink& out) { emit(out, depth, "escalate: ", e.target); }

void write(const DirectiveDef& d, std::size_t depth, LineSink& out) {
  std::string& line = out.open(depth);
  line.append("@").append(d.kind).append(" ").append(d.value);
  out.close();
}

// ---------------------------------------------------------------- headers with children

void write(const GateDef& g, std::size_t depth, LineSink& out) {
  // "gate:name…" is prose to the parser; a space keeps such a name a gate.
  const bool spaced = g.name.starts_with("name") || g.name.starts_with("gate:");
  named_block(out, depth, spaced ? "gate: " : "gate:", g.name, g.children);
}

void write(const ProjectScope& s, std::size_t depth, LineSink& out) {
  named_block(out, depth, "%", s.name, s.children);
}

void write(const BoundDef& b, std::size_t depth, LineSink& out) {
  named_block(out, depth, "bound:", b.name, b.children);
}

void write(const BuildDef& b, std::size_t depth, LineSink& out) {
  named_block(out, depth, "build:", b.name, b.children);
}

void write(const RunDef& r, std::size_t depth, LineSink& out) {
  named_block(out, depth, "run:", r.name, r.children);
}

void write(const Conditional& c, std::size_t depth, LineSink& out) {
  out.line(depth, condition_line(c.condition));
  render_nodes(c.children, depth + 1, out);
}

void write(const ValidateDef& v, std::size_t depth, LineSink& out) {
  // The parser strips every leading "validate " and every trailing ':' of
  // the name: a space keeps the name's own.
  emit(out, depth, "validate ", keyword_gap("validate ", v.name), v.name, v.name.ends_with(':') ? " :" : ":");
  render_nodes(v.children, depth + 1, out);
  out.blank();
}

// ---------------------------------------------------------------- pair lists

void write(const CheckDef& c, std::size_t depth, LineSink& out) {
  emit(out, depth, "check: ", c.name);
  pair_lines(out, depth, "    ", c.body);
  out.blank();
}

void write(const ModDef& m, std::size_t depth, LineSink& out) {
  std::string& head = out.open(depth);
  const std::size_t start = head.size();
  head.append("mod:$").append(keyword_gap("mod:$", m.name));
  // The version mark is left out, unless it keeps two slashes of the name
  // from the comment cut.
  write::append_mod_name(head, start, m.name, m.versioned, "");
  out.close();
  for (const auto& [key, value] : m.body) {
    // A line without a colon gives a "_" pair: such a value goes alone, one
    // with a colon after its key. The key may hold the quotes or bars that
    // keep a "//" of the value.
    const bool bare = key == "_" && value.find(':') == std::string::npos;
    const std::string pair = bare ? value : key + ": " + value;
    if (value.find('\n') != std::string::npos || cut_by_comment(pair)) {
      // A value with line feeds goes between lines of three double quotes,
      // the form the parser reads such a value from; so does one that would
      // lose a tail to the comment cut on a line of its own.
      emit(out, depth, "    ", key, ": \"\"\"");
      std::size_t start = 0;
      for (;;) {
        const std::size_t end = value.find('\n', start);
        const std::string_view piece = std::string_view(value).substr(start, end - start);
        emit(out, depth, "        ", piece);
        if (end == std::string::npos) break;
        start = end + 1;
      }
      out.line(depth, "    \"\"\"");
    } else if (bare) {
      // A bare line gives this pair; an empty one would be skipped as blank,
      // and a bare comment reads back as it.
      emit(out, depth, "    ", value.empty() ? "//" : std::string_view(value));
    } else {
      emit(out, depth, "    ", key, ": ", value);
    }
  }
  out.blank();
}

void write(const GitOp& g, std::size_t depth, LineSink& out) {
  std::string& line = out.open(depth);
  line.append("git:").append(keyword_gap("git:", g.verb)).append(g.verb);
  if (!g.args.empty()) line.append(" ").append(g.args);
  out.close();
  pair_lines(out, depth, "    ", g.body);
}

void write(const UseBlock& u, std::size_t depth, LineSink& out) {
  const std::string name = u.mod_name;
  // After "use @" the whole rest of the line is the name: " config:" would
  // become part of it. Any other name but a module's word is read back only
  // as the source of a "from" form.
  const std::string from_form = "use @" + u.entity.value_or("") + " from " + name;
  std::string line = from_form;
  if (name.starts_with('@') && name.find(" from ") == std::string::npos) {
    line = "use " + name;
  } else if (name.starts_with('$') && text::word_length(name) == name.size()) {
    line = "use " + name + " config:";
  }
  // A "//" in the name that only the entity's bars or quotes kept needs the
  // "from" form.
  if (line != from_form && !write::keeps_whole(line) &&
      write::reads_back_as<UseBlock>(from_form, [&](const UseBlock& b) { return b.mod_name == name; })) {
    line = from_form;
  }
  out.line(depth, line);
  pair_lines(out, depth, "    ", u.config);
}

// ---------------------------------------------------------------- lists

void write(const StatesDef& s, std::size_t depth, LineSink& out) {
  out.line(depth, "states:");
  render_flow_edges(s.transitions, depth + 1, out);
  out.blank();
}

void write(const FilesDef& f, std::size_t depth, LineSink& out) {
  out.line(depth, "files:");
  for (const std::string& path : f.paths) emit(out, depth, "    @", path);
}

void write(const PolicyDef& p, std::size_t depth, LineSink& out) {
  out.line(depth, "policy:");
  for (const PolicyRule& rule : p.rules) out.line(depth + 1, policy_rule_line(rule));
}

}  // namespace varn::render
