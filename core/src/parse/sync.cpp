// Sync declarations: "sync:" and a name over an indented body of settings.
// The one construct that records a diagnostic.
#include <string>

#include "parse/handlers.hpp"
#include "parse/text.hpp"
#include "text/unicode.hpp"

namespace varn::parse {

std::optional<Node> parse_sync_declaration(Parser& p, std::size_t, const Line& line) {
  const std::size_t line_number = p.pos + 1;
  ++p.pos;
  SyncDef sync;
  sync.name = std::string(statement_value(line.content, "sync:"));
  if (sync.name.empty() && p.refusals) {
    p.refusals->nameless.push_back(p.lines.start(p.pos - 1));
    return std::nullopt;
  }
  if (sync.name.empty() && !p.first_error) {
    // The body stays for the enclosing block; the parse goes on so that the
    // walk still reads the whole text, but its document is discarded.
    const std::string n = std::to_string(line_number);
    p.first_error = ParseError{"E_SYNC_MISSING_NAME", "parse_error", "sync: declaration on line " + n + " has no name",
                               std::nullopt, line_number};
    return std::nullopt;
  }
  const Pairs pairs = read_body_pairs(p, indentation(line.raw));
  // A setting given twice keeps its first value.
  for (const auto& [key, field] : kSyncSettings) {
    if (const std::string* v = first_value(pairs, key)) sync.*field = *v;
  }
  return sync;
}

}  // namespace varn::parse
